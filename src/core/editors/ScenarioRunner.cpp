#include "core/editors/ScenarioRunner.h"

#include "core/config/GatewayConfig.h"
#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"
#include "core/editors/ScenarioPrinter.h"
#include "core/editors/ScenarioScript.h"
#include "core/ui/Dialogs.h"
#include "core/ui/PrintTable.h"

#include <optional>
#include <utility>

namespace veg {

// Boxes and questions of a script: printed, the questions answered from the script's "answer"
// commands (a question without an answer gets No, which changes nothing).
class ScenarioRunner::ScriptDialogs : public Dialogs
{
public:
    explicit ScriptDialogs(ScenarioRunner& runner) : m_runner(runner) {}
    std::deque<bool> answers;

    void info(const QString& text) override { m_runner.print(QStringLiteral("box: ") + text); }
    bool confirm(const QString& text) override
    {
        bool yes = false;
        if (!answers.empty()) {
            yes = answers.front();
            answers.pop_front();
        }
        m_runner.print(QStringLiteral("ask: ") + text +
                       (yes ? QStringLiteral(" -> yes") : QStringLiteral(" -> no")));
        return yes;
    }
    std::optional<QString> openFile(const QString&, int) override { return cancelled(); }
    std::optional<QString> saveFile(const QString&) override { return cancelled(); }
    std::optional<QString> pickFolder(const QString&) override { return cancelled(); }

private:
    std::optional<QString> cancelled()
    {
        m_runner.print(QStringLiteral("ask: file dialog -> cancel"));
        return std::nullopt;
    }
    ScenarioRunner& m_runner;
};

// "Печать" of a script: the print dialog is answered with OK; the table is printed as lines of
// texts ("print: " + the cells of a row between "|") and handed to the print sink, if any.
class ScenarioRunner::ScriptPrinter : public TablePrinter
{
public:
    explicit ScriptPrinter(ScenarioRunner& runner) : m_runner(runner) {}

    bool print(const PrintTable& table) override
    {
        QStringList heading;
        for (const PrintTable::Column& c : table.columns)
            heading << c.heading;
        m_runner.print(QStringLiteral("print: ") + heading.join(QStringLiteral(" | ")));
        for (const QStringList& row : table.rows)
            m_runner.print(QStringLiteral("print: ") + row.join(QStringLiteral(" | ")));
        return !m_runner.m_printSink || m_runner.m_printSink(table);
    }

private:
    ScenarioRunner& m_runner;
};

namespace {

const FormField* findField(const std::vector<FormField>& fields, const QString& id)
{
    for (const FormField& f : fields) {
        if (f.id == id)
            return &f;
    }
    return nullptr;
}

} // namespace

ScenarioRunner::ScenarioRunner(GatewayConfig& config, const AdditionalSettings& additional,
                               QChar decimalSeparator)
    : m_dialogs(std::make_unique<ScriptDialogs>(*this)),
      m_printer(std::make_unique<ScriptPrinter>(*this)),
      m_session(config, *m_dialogs, additional, decimalSeparator),
      m_editors(std::make_unique<EditorSet>(m_session))
{
    m_session.printer = m_printer.get();
}

ScenarioRunner::~ScenarioRunner() = default;

void ScenarioRunner::print(const QString& line)
{
    m_output << line;
    if (m_sink)
        m_sink(line);
}

ScenarioRunner::Result ScenarioRunner::run(const QString& script)
{
    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringList words;
        QString error;
        if (!ScenarioScript::splitLine(lines[i], words, error) ||
            (!words.isEmpty() && !execute(words, error)))
            return {false, i + 1, error};
    }
    return {};
}

void ScenarioRunner::open(EditorForm* form)
{
    m_open.push_back(form);
    form->clearCloseAsked();
    form->FormActivate();
}

void ScenarioRunner::closeTop()
{
    EditorForm* form = top();
    form->clearCloseAsked();
    if (form->closeRequested())
        m_open.pop_back();
}

void ScenarioRunner::afterPress(const QString& window)
{
    EditorForm* form = top();
    if (!window.isEmpty()) {
        if (EditorForm* sub = m_editors->form(window))
            open(sub);
    } else if (form && form->closeAsked()) {
        closeTop();
    }
}

bool ScenarioRunner::execute(const QStringList& w, QString& error)
{
    const QString& command = w[0];
    const int argc = int(w.size()) - 1;
    auto fail = [&](const QString& why) {
        error = command + QStringLiteral(": ") + why;
        return false;
    };
    auto argCount = [&](int least, int most) { return argc >= least && argc <= most; };

    static const QStringList known = {"answer", "open",  "close",  "show", "click",  "type",
                                      "choose", "check", "delete", "menu", "select", "dblclick",
                                      "place",  "drop",  "press",  "set"};
    if (!known.contains(command))
        return fail(QStringLiteral("unknown command"));

    if (command == u"answer") {
        if (argc < 1)
            return fail(QStringLiteral("yes or no expected"));
        for (int i = 1; i <= argc; ++i) {
            if (w[i] != u"yes" && w[i] != u"no")
                return fail(QStringLiteral("yes or no expected, not \"%1\"").arg(w[i]));
            m_dialogs->answers.push_back(w[i] == u"yes");
        }
        return true;
    }
    if (command == u"open") {
        if (!argCount(1, 2))
            return fail(QStringLiteral("WINDOW [SUBBLOCK] expected"));
        if (top())
            return fail(QStringLiteral("%1 is open; close it first").arg(top()->windowName()));
        EditorForm* form = m_editors->form(w[1]);
        if (!form) {
            return fail(QStringLiteral("no window \"%1\" (the windows: %2)")
                            .arg(w[1], m_editors->windowNames().join(QStringLiteral(", "))));
        }
        if (!m_editors->available(w[1]))
            return fail(
                QStringLiteral("%1 is not offered for this configuration's protocol").arg(w[1]));
        if (argc == 2) {
            const auto sub = ScenarioScript::number(w[2]);
            if (!sub || *sub < 0)
                return fail(QStringLiteral("the sub-block is a number"));
            if (form->subblockCount() > 0 && *sub >= form->subblockCount())
                return fail(QStringLiteral("%1 has the sub-blocks 0-%2")
                                .arg(w[1])
                                .arg(form->subblockCount() - 1));
            m_session.currentSubblock = *sub;
        }
        open(form);
        return true;
    }

    EditorForm* form = top();
    if (!form)
        return fail(QStringLiteral("no window is open"));

    if (command == u"close") {
        if (argc != 0)
            return fail(QStringLiteral("no arguments expected"));
        closeTop();
        return true;
    }
    if (command == u"show") {
        const QString what = argc == 0 ? QStringLiteral("all") : w[1];
        QStringList lines;
        if (what == u"grid" || what == u"all")
            lines += ScenarioPrinter::grid(*form);
        if (what == u"tree" || what == u"all")
            lines += ScenarioPrinter::tree(*form);
        if (what == u"fields" || what == u"all")
            lines += ScenarioPrinter::fields(*form);
        if (what == u"note" || what == u"all")
            lines += ScenarioPrinter::note(*form);
        if (lines.isEmpty() || argc > 1)
            return fail(QStringLiteral("grid, tree, fields, note or all expected"));
        for (const QString& l : lines)
            print(l);
        return true;
    }

    // Commands over a cell: "COMMAND ROW COLUMN ...".
    const std::optional<int> row = argc >= 2 ? ScenarioScript::number(w[1]) : std::nullopt;
    const std::optional<int> column = argc >= 2 ? ScenarioScript::number(w[2]) : std::nullopt;
    const bool onCell = row && column;
    auto cellReady = [&]() {
        const EditorGrid* g = form->grid();
        if (!g)
            return fail(QStringLiteral("%1 has no grid").arg(form->windowName()));
        if (!g->visible)
            return fail(QStringLiteral("the grid is hidden"));
        if (!g->contains(*row, *column))
            return fail(QStringLiteral("no cell %1 %2").arg(*row).arg(*column));
        return true;
    };
    // Commands over a field: "COMMAND FIELD ...".
    const std::vector<FormField> fields = form->fields();
    auto fieldReady = [&](const QString& id, bool mustBeEnabled) -> const FormField* {
        const FormField* f = findField(fields, id);
        if (!f) {
            fail(QStringLiteral("no field \"%1\" in %2").arg(id, form->windowName()));
            return nullptr;
        }
        if (mustBeEnabled && (!f->visible || !f->enabled)) {
            fail(QStringLiteral("field \"%1\" is %2")
                     .arg(id, f->visible ? QStringLiteral("disabled") : QStringLiteral("hidden")));
            return nullptr;
        }
        return f;
    };
    auto treeReady = [&]() {
        if (!form->tree())
            return fail(QStringLiteral("%1 has no tree").arg(form->windowName()));
        if (!form->tree()->visible)
            return fail(QStringLiteral("the tree is hidden"));
        return true;
    };

    if (command == u"click") {
        if (onCell && argc == 2) {
            if (!cellReady())
                return false;
            form->clickCell(*row, *column);
            return true;
        }
        if (argc != 1)
            return fail(QStringLiteral("ROW COLUMN or FIELD expected"));
        if (!fieldReady(w[1], true))
            return false;
        form->clickField(w[1]);
        return true;
    }
    if (command == u"type") {
        if (onCell && argc == 3) {
            if (!cellReady())
                return false;
            form->clickCell(*row, *column);
            const CellEdit e = form->beginEdit();
            if (e.kind == CellKind::Fixed || e.kind == CellKind::ReadOnly)
                return true; // the cell takes no keys: they are swallowed
            if (e.kind == CellKind::DropDown || e.kind == CellKind::Check) {
                form->cancelEdit();
                return fail(QStringLiteral("cell %1 %2 takes no typed keys (use choose or check)")
                                .arg(*row)
                                .arg(*column));
            }
            const bool mask = e.kind == CellKind::Mask;
            ScenarioScript::TypedText text(e.text, mask ? e.mask : QString(), e.maxLength, mask);
            for (QChar key : ScenarioScript::keys(w[3])) {
                const KeyOutcome k = form->cellKey(key, text.text());
                if (k.accepted)
                    text.type(k.key, k.clearFirst);
            }
            form->endEdit(text.text());
            return true;
        }
        if (argc != 2)
            return fail(QStringLiteral("ROW COLUMN KEYS or FIELD KEYS expected"));
        const FormField* f = fieldReady(w[1], true);
        if (!f)
            return false;
        if (f->kind != FormField::Kind::Text)
            return fail(QStringLiteral("field \"%1\" is no text box").arg(w[1]));
        if (f->readOnly)
            return true;
        // The field's text is selected first, as Tab selects it: the first key replaces it. The
        // focus then leaves the field.
        ScenarioScript::TypedText text(f->text, f->mask, f->maxLength, true);
        for (QChar key : ScenarioScript::keys(w[2])) {
            const QChar k = form->fieldKey(w[1], key, text.size(), text.selectedSize());
            if (k.isNull())
                continue;
            const QString before = text.text();
            text.type(k);
            if (text.text() != before)
                form->editField(w[1], text.text());
        }
        form->leaveField(w[1]);
        return true;
    }
    if (command == u"choose") {
        if (!onCell || argc != 3)
            return fail(QStringLiteral("ROW COLUMN ITEM expected"));
        if (!cellReady())
            return false;
        if (form->grid()->cell(*row, *column).kind != CellKind::DropDown)
            return fail(QStringLiteral("cell %1 %2 has no drop-down").arg(*row).arg(*column));
        form->clickCell(*row, *column);
        const CellEdit e = form->beginEdit();
        if (e.kind != CellKind::DropDown) {
            form->cancelEdit();
            return true; // the drop-down did not open (its box said why, or the cell moved on)
        }
        int index = int(e.items.indexOf(w[3]));
        if (index < 0 && ScenarioScript::number(w[3]) && *ScenarioScript::number(w[3]) >= 0 &&
            *ScenarioScript::number(w[3]) < e.items.size())
            index = *ScenarioScript::number(w[3]);
        if (index < 0) {
            form->cancelEdit();
            return fail(
                QStringLiteral("no item \"%1\" (the items: %2)").arg(w[3], e.items.join(u'|')));
        }
        form->chooseInCell(index);
        return true;
    }
    if (command == u"check") {
        if (!onCell || argc != 3 || (w[3] != u"on" && w[3] != u"off"))
            return fail(QStringLiteral("ROW COLUMN on|off expected"));
        if (!cellReady())
            return false;
        if (form->grid()->cell(*row, *column).kind != CellKind::Check)
            return fail(QStringLiteral("cell %1 %2 has no check box").arg(*row).arg(*column));
        form->checkCell(*row, *column, w[3] == u"on");
        return true;
    }
    if (command == u"delete") {
        if (!onCell || argc != 2)
            return fail(QStringLiteral("ROW COLUMN expected"));
        if (!cellReady())
            return false;
        form->clickCell(*row, *column);
        form->deleteKey();
        return true;
    }
    if (command == u"menu") {
        UiTarget target;
        QString item;
        if (onCell && argc == 3) {
            if (!cellReady())
                return false;
            target.row = *row;
            target.column = *column;
            item = w[3];
        } else if (argc == 2) {
            if (!fieldReady(w[1], false))
                return false;
            target.field = w[1];
            item = w[2];
        } else {
            return fail(QStringLiteral("ROW COLUMN ITEM or FIELD ITEM expected"));
        }
        const QStringList items = form->contextMenu(target);
        if (!items.contains(item)) {
            return fail(
                items.isEmpty()
                    ? QStringLiteral("no context menu there")
                    : QStringLiteral("no item \"%1\" (the items: %2)").arg(item, items.join(u'|')));
        }
        form->contextCommand(item);
        return true;
    }
    if (command == u"select" || command == u"dblclick") {
        if (argc < 1)
            return fail(QStringLiteral("the texts of the node's path expected"));
        if (!treeReady())
            return false;
        const ParamTree& t = *form->tree();
        int node = -1;
        for (int i = 1; i <= argc; ++i) {
            int next = -1;
            for (int child : t.childrenOf(node)) {
                if (t.node(child).text == w[i]) {
                    next = child;
                    break;
                }
            }
            if (next < 0) {
                QStringList there;
                for (int child : t.childrenOf(node))
                    there << t.node(child).text;
                return fail(QStringLiteral("no node \"%1\" (there: %2)")
                                .arg(w[i], there.join(QStringLiteral(" | "))));
            }
            node = next;
        }
        if (command == u"select")
            form->selectNode(node);
        else
            form->treeDoubleClick(node);
        return true;
    }
    if (command == u"place") {
        if (argc > 1)
            return fail(QStringLiteral("[SLOT] expected"));
        if (argc == 1) {
            const auto slot = ScenarioScript::number(w[1]);
            if (!slot)
                return fail(QStringLiteral("the slot is a number"));
            const QString button = QStringLiteral(">>%1").arg(*slot);
            if (!fieldReady(button, true))
                return false;
            form->place(*slot - 1);
            return true;
        }
        for (const FormField& f : fields) {
            if (f.kind == FormField::Kind::Button && f.caption.startsWith(QStringLiteral("<<"))) {
                if (!fieldReady(f.id, true))
                    return false;
            }
        }
        form->place();
        return true;
    }
    if (command == u"drop") {
        if (!onCell || argc != 2)
            return fail(QStringLiteral("ROW COLUMN expected"));
        if (!cellReady() || !treeReady())
            return false;
        if (form->tree()->selected() < 0)
            return fail(QStringLiteral("no tree node is selected to drag"));
        form->dropOnCell(*row, *column);
        return true;
    }
    if (command == u"press") {
        if (argc != 1)
            return fail(QStringLiteral("BUTTON expected"));
        const FormField* f = fieldReady(w[1], true);
        if (!f)
            return false;
        if (f->kind != FormField::Kind::Button)
            return fail(QStringLiteral("field \"%1\" is no button").arg(w[1]));
        afterPress(form->press(w[1]));
        return true;
    }
    if (command == u"set" && onCell && argc == 3) {
        if (!cellReady())
            return false;
        if (form->grid()->cell(*row, *column).kind != CellKind::Spin)
            return fail(QStringLiteral("cell %1 %2 has no spin edit").arg(*row).arg(*column));
        form->clickCell(*row, *column);
        const CellEdit e = form->beginEdit();
        if (e.kind != CellKind::Spin) {
            form->cancelEdit();
            return true; // the editor did not open (the cell is grey, or the form moved on)
        }
        const auto n = ScenarioScript::number(w[3]);
        if (!n || *n < e.minimum || *n > e.maximum) {
            form->cancelEdit();
            return fail(
                QStringLiteral("a number from %1 to %2 expected").arg(e.minimum).arg(e.maximum));
        }
        form->endEdit(QString::number(*n));
        return true;
    }
    if (command == u"set") {
        if (argc != 2)
            return fail(QStringLiteral("FIELD VALUE or ROW COLUMN NUMBER expected"));
        const FormField* f = fieldReady(w[1], true);
        if (!f)
            return false;
        switch (f->kind) {
        case FormField::Kind::Choice: {
            int index = int(f->items.indexOf(w[2]));
            const auto n = ScenarioScript::number(w[2]);
            if (index < 0 && n && *n >= 0 && *n < f->items.size())
                index = *n;
            if (index < 0)
                return fail(QStringLiteral("no item \"%1\" (the items: %2)")
                                .arg(w[2], f->items.join(u'|')));
            form->chooseField(w[1], index);
            return true;
        }
        case FormField::Kind::Check:
            if (w[2] != u"on" && w[2] != u"off")
                return fail(QStringLiteral("on or off expected"));
            form->checkField(w[1], w[2] == u"on");
            return true;
        case FormField::Kind::Spin: {
            const auto n = ScenarioScript::number(w[2]);
            if (!n || *n < f->minimum || *n > f->maximum)
                return fail(QStringLiteral("a number from %1 to %2 expected")
                                .arg(f->minimum)
                                .arg(f->maximum));
            form->spinField(w[1], *n);
            return true;
        }
        default:
            return fail(QStringLiteral(
                            "field \"%1\" is no choice, check box or spin box (use type or press)")
                            .arg(w[1]));
        }
    }
    return fail(QStringLiteral("unknown command"));
}

} // namespace veg
