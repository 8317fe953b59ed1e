#include "core/editors/ScenarioRunner.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/editors/EditorForm.h"
#include "core/editors/EditorSet.h"
#include "core/ui/PrintTable.h"
#include "core/editors/ScenarioPrinter.h"

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

std::optional<int> number(const QString& word)
{
    bool ok = false;
    const int v = word.toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// The keys of a "type" command: "\b" is Backspace, "\\" a backslash.
QString keysOf(const QString& word)
{
    QString keys;
    for (int i = 0; i < word.size(); ++i) {
        if (word[i] == u'\\' && i + 1 < word.size()) {
            const QChar next = word[i + 1];
            if (next == u'b') {
                keys += QChar(8);
                ++i;
                continue;
            }
            if (next == u'\\') {
                keys += u'\\';
                ++i;
                continue;
            }
        }
        keys += word[i];
    }
    return keys;
}

// The text of an in-cell editor or a text field as keys reach it. A masked edit ("H" places of
// its mask, shown as "_") opens with its text selected, as the windows open it: the first key
// frees every place and takes the first one, Backspace only frees them; then each key takes the
// first free place and Backspace frees the last filled one. Other editors take keys at the end of
// their text (a selected text is replaced by the first key), up to their length.
class TypedText
{
public:
    TypedText(QString text, QString mask, int maxLength, bool selected)
        : m_text(std::move(text)), m_mask(std::move(mask)), m_maxLength(maxLength),
          m_selected(selected)
    {}
    const QString& text() const { return m_text; }
    int size() const { return int(m_text.size()); }
    // How much of the text is selected: all of it or nothing.
    int selectedSize() const { return m_selected ? int(m_text.size()) : 0; }

    void type(QChar key, bool clearFirst = false)
    {
        const bool backspace = key.unicode() == 8;
        const bool selected = std::exchange(m_selected, false);
        if (!m_mask.isEmpty()) {
            if (selected || clearFirst || m_text.size() != m_mask.size()) {
                m_text = m_mask;
                m_text.replace(u'H', u'_');
                if (backspace && selected)
                    return;
            }
            for (int i = 0; i < m_mask.size(); ++i) {
                const int at = backspace ? int(m_mask.size()) - 1 - i : i;
                if (m_mask[at] != u'H')
                    continue;
                if (backspace && m_text[at] != u'_') {
                    m_text[at] = u'_';
                    return;
                }
                if (!backspace && m_text[at] == u'_') {
                    m_text[at] = key;
                    return;
                }
            }
            return;
        }
        if (clearFirst || selected)
            m_text.clear();
        if (backspace) {
            if (!selected)
                m_text.chop(1);
        } else if (m_maxLength <= 0 || m_text.size() < m_maxLength) {
            m_text += key;
        }
    }

private:
    QString m_text;
    QString m_mask;
    int m_maxLength = 0;
    bool m_selected = false;
};

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

bool ScenarioRunner::splitLine(const QString& line, QStringList& words, QString& error)
{
    words.clear();
    int i = 0;
    const int n = int(line.size());
    while (i < n) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        if (line[i] == u'#')
            break;
        QString word;
        if (line[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == u'\\' && i + 1 < n && line[i + 1] == u'"') {
                    word += u'"';
                    i += 2;
                } else if (line[i] == u'"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    word += line[i++];
                }
            }
            if (!closed) {
                error = QStringLiteral("a quote is not closed");
                return false;
            }
        } else {
            while (i < n && !line[i].isSpace())
                word += line[i++];
        }
        words << word;
    }
    return true;
}

ScenarioRunner::Result ScenarioRunner::run(const QString& script)
{
    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringList words;
        QString error;
        if (!splitLine(lines[i], words, error) || (!words.isEmpty() && !execute(words, error)))
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
            const auto sub = number(w[2]);
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
    const std::optional<int> row = argc >= 2 ? number(w[1]) : std::nullopt;
    const std::optional<int> column = argc >= 2 ? number(w[2]) : std::nullopt;
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
            TypedText text(e.text, mask ? e.mask : QString(), e.maxLength, mask);
            for (QChar key : keysOf(w[3])) {
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
        TypedText text(f->text, f->mask, f->maxLength, true);
        for (QChar key : keysOf(w[2])) {
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
        if (index < 0 && number(w[3]) && *number(w[3]) >= 0 && *number(w[3]) < e.items.size())
            index = *number(w[3]);
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
            const auto slot = number(w[1]);
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
        const auto n = number(w[3]);
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
            const auto n = number(w[2]);
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
            const auto n = number(w[2]);
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

QString ScenarioRunner::languageHelp()
{
    return QStringLiteral(
        "Язык сценария (по команде в строке; слова разделяются пробелами, в \"двойных кавычках\"\n"
        "пробелы сохраняются, \\\" внутри них — кавычка; # начинает комментарий). Строки и столбцы\n"
        "таблицы считаются от 0 вместе со строками заголовка, как их показывает окно; поля\n"
        "называются своими идентификаторами (см. \"show fields\").\n"
        "  open WINDOW [SUBBLOCK]   открыть окно главного меню (TFCommon, TFGroup, TFModbusTU, ...);\n"
        "                           SUBBLOCK: субблок окна субблока (open TFTC 3); кнопка субблока\n"
        "                           (press Sub3 в TFOKP) открывает его поверх своего окна\n"
        "  close                    закрыть верхнее окно (его проверки при закрытии могут его\n"
        "                           оставить открытым)\n"
        "  click ROW COLUMN         щёлкнуть ячейку таблицы\n"
        "  type ROW COLUMN KEYS     щёлкнуть ячейку, набрать в ней KEYS и уйти из неё (\\b Backspace,\n"
        "                           \\\\ обратная косая черта; ячейка с маской открывается\n"
        "                           выделенной: первая клавиша освобождает все места _, затем\n"
        "                           каждая клавиша занимает первое свободное место)\n"
        "  choose ROW COLUMN ITEM   щёлкнуть ячейку и выбрать ITEM (текст или номер от 0) в её\n"
        "                           выпадающем списке\n"
        "  check ROW COLUMN on|off  флажок ячейки\n"
        "  set ROW COLUMN NUMBER    щёлкнуть ячейку и поставить в её счётчике NUMBER\n"
        "  delete ROW COLUMN        щёлкнуть ячейку и нажать Delete\n"
        "  menu ROW COLUMN ITEM     контекстное меню ячейки, затем ITEM\n"
        "  select NODE...           выделить узел дерева, к которому ведут тексты NODE от корня\n"
        "  dblclick NODE...         дважды щёлкнуть этот узел (он помещается)\n"
        "  place [SLOT]             \"<< Поместить\"; со SLOT (1-4) кнопка \">>\" этого места\n"
        "  drop ROW COLUMN          перетащить выделенный узел дерева на ячейку и отпустить\n"
        "  click FIELD              щёлкнуть поле\n"
        "  type FIELD KEYS          набрать KEYS в текстовом поле (сначала его текст выделяется,\n"
        "                           как по Tab), затем уйти из него; поле с маской принимает\n"
        "                           клавиши как ячейка с маской\n"
        "  set FIELD VALUE          выбор (текст пункта или номер), флажок (on|off), счётчик\n"
        "                           (число)\n"
        "  press BUTTON             кнопка (она может открыть окно субблока или закрыть окно);\n"
        "                           \"press Печать\" печатает: OK в окне печати, таблица строками\n"
        "                           \"print:\"\n"
        "  menu FIELD ITEM          контекстное меню поля, затем ITEM\n"
        "  answer yes|no...         ответы на следующие вопросы (вопрос без ответа получает no)\n"
        "  show grid|tree|fields|note|all   вывести окно: ячейки таблицы (~ серая, ! отмечена,\n"
        "                           {подсказка}), дерево (> выделен), поля, строку под таблицей\n"
        "Вывод: \"box: ТЕКСТ\" на каждое окно сообщения, \"ask: ТЕКСТ -> yes|no\" на каждый вопрос,\n"
        "\"print: ...\" на каждую напечатанную строку и то, что выводит show.\n"
        "Неизвестная команда или неверный аргумент останавливает сценарий с номером его строки.");
}

} // namespace veg
