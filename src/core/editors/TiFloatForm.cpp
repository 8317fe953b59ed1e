#include "core/editors/TiFloatForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/config/ValueRules.h"
#include "core/database/Task_CL.h"
#include "core/editors/GridNumbers.h"
#include "core/editors/ReferenceRules.h"
#include "core/text/NumberText.h"

namespace veg {

TiFloatForm::TiFloatForm(EditorSession& session) : TableEditorForm(session)
{
    setupGrid(1, Rows::TiFloat,
              {{QStringLiteral("№"), 31, CellKind::Fixed},
               {QStringLiteral("Адрес Modbus параметров ТИ (Holding Registers)"), 74,
                CellKind::Numeric},
               {QStringLiteral("Параметры ТИ с плавающей точкой"), 428, CellKind::Text, true}});
}

bool TiFloatForm::offersCandidate(const Task_CL&, const TaskRecord&,
                                  const ParamCandidate& candidate)
{
    return (candidate.TypeCode & 0x87) == 4;
}

TreeOptions TiFloatForm::treeOptions() const
{
    TreeOptions o = defaultTreeOptions();
    o.offer = &TiFloatForm::offersCandidate;
    return o;
}

TcTuEntry& TiFloatForm::entry(int row) const
{
    return config().TiFloatTable[std::size_t(dataIndex(row))];
}

void TiFloatForm::FormActivate()
{
    m_error = false;
    m_errorMessage.clear();
    m_errorRow = -1;
    m_lostNote.clear();
    TableEditorForm::FormActivate();
}

void TiFloatForm::fillRow(int row)
{
    const TcTuEntry& e = entry(row);
    GridCell& reg = m_grid.cell(row, RegisterColumn);
    GridCell& name = m_grid.cell(row, NameColumn);
    reg.marked = false;
    name.hint = refText(e);
    if (e.Kind == 255) {
        reg.text = marker();
        name.text.clear();
        return;
    }
    reg.text = QString::number(e.Extra);
    name.text = shownName(e.NetNumber, e.ParamNumber, e.Name);
}

bool TiFloatForm::isReferenceCell(int row, int column) const
{
    return m_grid.isDataCell(row, column) && column == NameColumn;
}

void TiFloatForm::syncRow(int row)
{
    const TcTuEntry& e = entry(row);
    if (e.Kind == 255) {
        // The first node is shown; the focus stays with the grid.
        m_tree.select(m_tree.firstNode());
        return;
    }
    LocateReference(e.Kind, e.TaskNumber, e.ParamNumber, e.NetNumber);
}

bool TiFloatForm::activateTree()
{
    if (!BuildParameterTree())
        return false;
    m_grid.setCurrent(firstDataRow(), RegisterColumn);
    syncRow(firstDataRow());
    return true;
}

void TiFloatForm::syncTreeWithCell(int row, int column)
{
    syncRow(row);
}

KeyOutcome TiFloatForm::cellKey(QChar key, const QString& text)
{
    if (!m_tree.visible)
        return {}; // every key is swallowed while the tree is hidden
    const KeyOutcome out = TableEditorForm::cellKey(key, text);
    if (out.accepted && m_grid.currentColumn == RegisterColumn)
        markChanged();
    return out;
}

bool TiFloatForm::cellChanged(int row, int column, const QString& typed)
{
    TcTuEntry& e = entry(row);
    GridCell& cell = m_grid.cell(row, column);
    if (column == NameColumn) {
        e.Name = cutName(typed);
        cell.text = e.Name;
        markChanged();
        return true;
    }
    if (column != RegisterColumn)
        return false;
    m_error = false;
    const QString text = withoutMarker(typed);
    cell.text = text;
    const auto value = digitsValue(text);
    if (!value) {
        if (!m_grid.cell(row, NameColumn).text.isEmpty()) {
            m_errorMessage = QStringLiteral("Введите значение!");
            m_errorRow = row;
            m_error = true;
            dialogs().info(m_errorMessage);
        }
        return true; // the cell stays empty; the row keeps its number until one is typed
    }
    if (const auto refused = ValueRules::holdingRegister(qint64(*value))) {
        m_errorMessage = refused->message;
        m_errorRow = row;
        m_error = true;
        dialogs().info(m_errorMessage);
        m_grid.setCurrent(row, RegisterColumn);
        return false;
    }
    e.Extra = std::int32_t(*value);
    cell.text = QString::number(*value);
    markChanged();
    return true;
}

void TiFloatForm::PlaceParameter()
{
    const int row = m_grid.currentRow;
    if (!m_grid.isDataCell(row, RegisterColumn))
        return;
    const auto number = digitsValue(withoutMarker(m_grid.cell(row, RegisterColumn).text));
    if (!number) {
        dialogs().info(QStringLiteral("Введите адрес Holding Registers"));
        return;
    }
    const auto placed = placedParameter(m_tree, m_tree.selected(), config());
    if (!placed) {
        dialogs().info(QStringLiteral("Параметр не выбран!"));
        return;
    }
    TcTuEntry& e = entry(row);
    e.Extra = std::int32_t(*number);
    e.Kind = formatKind(e.Kind, *placed);
    e.NetNumber = placed->netNumber;
    e.TaskNumber = placed->taskNumber;
    e.ParamNumber = placed->paramNumber;
    e.Name = placed->name;
    fillRow(row);
    rowsChanged();
    m_tree.requestFocus();
    markChanged();
}

void TiFloatForm::dropOnCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column))
        return;
    m_grid.setCurrent(row, NameColumn);
    m_clickSync = false;
    PlaceParameter();
    m_clickSync = true;
}

QStringList TiFloatForm::menuItems(int row, int column) const
{
    return {deleteItem(), insertItem()};
}

void TiFloatForm::menuCommand(const QString& item, int row, int column)
{
    if (item == insertItem())
        insertRow(row);
    else
        TableEditorForm::menuCommand(item, row, column);
}

void TiFloatForm::removeTableRow(int index)
{
    removeRowKeepLength(config().TiFloatTable, index);
}

void TiFloatForm::insertTableRow(int index)
{
    auto& table = config().TiFloatTable;
    // The last row is lost, as the table keeps its length; the line under the grid names it, so
    // that the user can enter it again.
    const TcTuEntry last = table.back();
    insertRowKeepLength(table, index, TcTuEntry{});
    if (last.Kind != 255) {
        m_lostNote = QStringLiteral("Вставка вытеснила строку %1: Holding Register %2, %3")
                         .arg(table.size())
                         .arg(last.Extra)
                         .arg(last.Name);
    }
}

void TiFloatForm::rowsChanged()
{
    QStringList notes;
    const QString shared = markSharedNumbers(m_grid, RegisterColumn, registerNumbers());
    if (!shared.isEmpty())
        notes << shared;
    if (!m_lostNote.isEmpty())
        notes << m_lostNote;
    m_grid.note = notes.join(QStringLiteral("; "));
}

bool TiFloatForm::closeCheck()
{
    if (m_error) {
        // A silent refusal would leave the user guessing; the message that set the flag says why.
        if (m_grid.isDataCell(m_errorRow, RegisterColumn))
            m_grid.setCurrent(m_errorRow, RegisterColumn);
        dialogs().info(m_errorMessage);
        return false;
    }
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        const int n = dataIndex(r) + 1;
        const bool number = bool(digitsValue(m_grid.cell(r, RegisterColumn).text));
        const bool name = !m_grid.cell(r, NameColumn).text.isEmpty();
        QString message;
        // A row whose number and name were typed but that holds no parameter is not in use: the
        // file would not keep it.
        if (number && (!name || entry(r).Kind == 255))
            message = QStringLiteral("Введите сигнал ТИ или удалите строку (%1строка)!").arg(n);
        else if (!number && name)
            message = QStringLiteral("Введите номер Holding Registers или удалите строку "
                                     "(%1строка)!")
                          .arg(n);
        if (!message.isEmpty()) {
            m_grid.setCurrent(r, RegisterColumn);
            dialogs().info(message);
            return false;
        }
    }
    return true;
}

std::vector<FormField> TiFloatForm::fields() const
{
    std::vector<FormField> out = TableEditorForm::fields();
    FormField print;
    print.id = printButton();
    print.caption = QStringLiteral("Печать");
    print.kind = FormField::Kind::Button;
    print.visible = m_grid.visible;
    out.push_back(print);
    return out;
}

QString TiFloatForm::press(const QString& id)
{
    if (id == printButton()) {
        if (session().printer && m_grid.visible)
            session().printer->print(printTable());
        return {};
    }
    return TableEditorForm::press(id);
}

PrintTable TiFloatForm::printTable() const
{
    PrintTable t;
    t.title = caption();
    const int keyWidth = m_grid.widths[RegisterColumn];
    for (int c = 0; c < ColumnCount; ++c)
        t.columns.push_back({m_grid.cell(0, c).text, m_grid.widths[std::size_t(c)]});
    for (const char* heading : {"Номер параметра", "Сетевой номер К-19", "Сетевой номер CAN ВЕГ-78",
                                "Сетевой номер Modbus ВЕГ-78"})
        t.columns.push_back({QString::fromUtf8(heading), keyWidth});
    const QString can = NumberText::hex(config().Common.AdrCAN, 2);
    const QString modbus = NumberText::hex(config().Common.AdrExt, 2);
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        const TcTuEntry& e = entry(r);
        if (e.Kind == 255)
            continue;
        t.rows.push_back({m_grid.cell(r, NumberColumn).text, m_grid.cell(r, RegisterColumn).text,
                          m_grid.cell(r, NameColumn).text, NumberText::hex(e.ParamNumber, 4),
                          NumberText::hex(e.NetNumber, 2), can, modbus});
    }
    t.marginLeft = 0.05;
    t.marginTop = 0.01;
    t.marginRight = 0;
    t.marginBottom = 0.02;
    return t;
}

bool TiFloatForm::RebindController(int controllerIndex)
{
    std::vector<RefSlot> refs;
    for (TcTuEntry& e : config().TiFloatTable)
        refs.push_back({e.NetNumber, e.ParamNumber, &e.TaskNumber, &e.Name});
    return RebindReferences(config(), controllerIndex, refs);
}

void TiFloatForm::RemoveControllerRefs(int controllerIndex)
{
    if (controllerIndex < 0 || controllerIndex >= int(config().Controllers.size()))
        return;
    const std::uint8_t net = config().Controllers[std::size_t(controllerIndex)].NetNumber;
    auto& table = config().TiFloatTable;
    // Every row is examined (rows in use may stand after empty ones); a row of the controller is
    // removed as by "Удалить" and the same position is examined again.
    for (int i = 0, examined = 0; i < int(table.size()) && examined < int(table.size());
         ++examined) {
        if (table[std::size_t(i)].Kind != 255 && table[std::size_t(i)].NetNumber == net)
            removeRowKeepLength(table, i);
        else
            ++i;
    }
}

} // namespace veg
