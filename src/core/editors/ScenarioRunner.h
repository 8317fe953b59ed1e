#pragma once

#include "core/editors/EditorSession.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace veg {

class EditorForm;
class EditorSet;
class GatewayConfig;
struct AdditionalSettings;
struct PrintTable;

// Runs editor sessions written as scripts: open a window on a configuration, do what a user does,
// see the boxes, the questions and the windows. The script drives the same forms the windows
// bind to, with the same calls, so a scenario does exactly what the user would.
//
// Output: one line per box ("box: TEXT"), per question ("ask: TEXT -> yes"), and the lines of the
// "show" commands. A line that is no command, or a command with bad arguments, stops the script
// with the line's number. The language is read by ScenarioScript, which describes it.
class ScenarioRunner
{
public:
    ScenarioRunner(GatewayConfig& config, const AdditionalSettings& additional,
                   QChar decimalSeparator = u'.');
    ~ScenarioRunner();
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    struct Result
    {
        bool ok = true;
        int line = 0; // the line that stopped the script (from 1)
        QString error;
    };
    Result run(const QString& script);

    const QStringList& output() const { return m_output; }
    // Each output line also goes here as it is made.
    void setSink(std::function<void(const QString&)> sink) { m_sink = std::move(sink); }
    // Where a printed table goes besides the output's "print:" lines (a PDF file): the print
    // dialog's OK. False from it is the printer's failure, which it reports itself.
    void setPrintSink(std::function<bool(const PrintTable&)> sink)
    {
        m_printSink = std::move(sink);
    }

    EditorSet& editors() const { return *m_editors; }
    EditorSession& session() { return m_session; }
    // The window on top (the one the commands act on), nullptr when none is open.
    EditorForm* top() const { return m_open.empty() ? nullptr : m_open.back(); }

private:
    class ScriptDialogs;
    class ScriptPrinter;
    bool execute(const QStringList& words, QString& error);
    void print(const QString& line);
    void open(EditorForm* form);
    void closeTop();
    void afterPress(const QString& window);

    std::unique_ptr<ScriptDialogs> m_dialogs;
    std::unique_ptr<ScriptPrinter> m_printer;
    EditorSession m_session;
    std::unique_ptr<EditorSet> m_editors;
    std::vector<EditorForm*> m_open;
    QStringList m_output;
    std::function<void(const QString&)> m_sink;
    std::function<bool(const PrintTable&)> m_printSink;
};

} // namespace veg
