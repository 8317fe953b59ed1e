#pragma once

#include "core/check/CheckFinding.h"
#include "core/config/GatewayConfig.h"
#include "core/editors/EditorSession.h"

#include <memory>
#include <vector>

namespace veg {

class EditorForm;
class EditorSet;
struct AdditionalSettings;

// The editor forms of a run, made over a copy of a configuration with dialogs that record their
// boxes and answer every question with Yes, so that the windows' own rules can be asked about a
// configuration without a window and without touching it.
class HeadlessEditors
{
public:
    HeadlessEditors(const GatewayConfig& config, const AdditionalSettings& additional);
    ~HeadlessEditors();
    HeadlessEditors(const HeadlessEditors&) = delete;
    HeadlessEditors& operator=(const HeadlessEditors&) = delete;

    // The caption of the window a main-menu item opens; "Список контроллеров" for the controller
    // list, which has no form.
    QString caption(EditorId item) const;

    // Every window of the protocol (a sub-block window once per sub-block) opened as the menu
    // opens it and closed at once: a window that refuses to close gives a finding with its own
    // box and the row it selected. The closing checks stop at the first row they refuse; a grid
    // window that shows one table row per grid row is opened again with that row emptied in the
    // copy (its checks look at each row alone), until it closes, so every refused row is found.
    // Windows without such a grid report their first refusal only.
    std::vector<CheckFinding> closingFindings();

private:
    class RecordingDialogs;
    void closeOnce(EditorForm& form, std::optional<EditorId> menu, std::vector<CheckFinding>& out);

    GatewayConfig m_copy;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    EditorSession m_session;
    std::unique_ptr<EditorSet> m_editors;
};

} // namespace veg
