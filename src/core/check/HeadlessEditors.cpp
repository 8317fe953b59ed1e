#include "core/check/HeadlessEditors.h"

#include "core/ui/Dialogs.h"
#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"
#include "core/editors/TableEditorForm.h"

#include <QStringList>

#include <set>

namespace veg {

class HeadlessEditors::RecordingDialogs : public Dialogs
{
public:
    QStringList texts;

    void info(const QString& text) override { texts << text; }
    bool confirm(const QString& text) override
    {
        texts << text;
        return true;
    }
    std::optional<QString> openFile(const QString&, int) override { return std::nullopt; }
    std::optional<QString> saveFile(const QString&) override { return std::nullopt; }
    std::optional<QString> pickFolder(const QString&) override { return std::nullopt; }
};

HeadlessEditors::HeadlessEditors(const GatewayConfig& config, const AdditionalSettings& additional)
    : m_copy(config), m_dialogs(std::make_unique<RecordingDialogs>()),
      m_session(m_copy, *m_dialogs, additional), m_editors(std::make_unique<EditorSet>(m_session))
{
    // As after a load: no window stores anything on closing only because a flag was left set.
    m_copy.ClearAllChanged();
}

HeadlessEditors::~HeadlessEditors() = default;

QString HeadlessEditors::caption(EditorId item) const
{
    if (item == EditorId::Controllers)
        return QStringLiteral("Список контроллеров");
    const EditorForm* form = m_editors->form(m_editors->windowOf(item));
    return form ? form->caption() : QString();
}

std::vector<CheckFinding> HeadlessEditors::closingFindings()
{
    std::vector<CheckFinding> out;
    if (m_copy.Protocol == ProtocolVariant::None)
        return out;
    for (const QString& name : m_editors->windowNames()) {
        if (!m_editors->available(name))
            continue;
        EditorForm& form = *m_editors->form(name);
        for (int s = 0, n = std::max(form.subblockCount(), 1); s < n; ++s) {
            m_session.currentSubblock = s;
            closeOnce(form, m_editors->menuItem(name), out);
        }
    }
    m_session.currentSubblock = 0;
    return out;
}

void HeadlessEditors::closeOnce(EditorForm& form, std::optional<EditorId> menu,
                                std::vector<CheckFinding>& out)
{
    const auto* tableForm = dynamic_cast<const TableEditorForm*>(&form);
    const std::optional<TableId> table = tableForm ? tableForm->gridTable() : std::nullopt;
    std::set<int> emptied;
    for (;;) {
        form.FormActivate();
        m_dialogs->texts.clear(); // the boxes of activation ("Нет списка контроллеров!")
        if (form.closeRequested())
            return;
        CheckFinding f;
        f.severity = Severity::Error;
        f.section = form.caption();
        f.text = m_dialogs->texts.isEmpty() ? QStringLiteral("Окно не закрывается")
                                            : m_dialogs->texts.last();
        f.editor = menu;
        int index = -1;
        if (const EditorGrid* grid = form.grid(); table && grid &&
                                                  grid->currentRow >= grid->headingRows() &&
                                                  grid->currentRow < grid->rowCount()) {
            index = grid->currentRow - grid->headingRows();
            f.row = QStringLiteral("строка ") + QString::number(index + 1);
            f.tableRow = index;
        }
        out.push_back(std::move(f));
        // A row refused again after it was emptied would refuse for ever: stop there.
        if (index < 0 || !emptied.insert(index).second || !m_copy.ResetRow(*table, index))
            return;
    }
}

} // namespace veg
