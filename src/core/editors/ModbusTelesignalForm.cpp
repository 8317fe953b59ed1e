#include "core/editors/ModbusTelesignalForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/config/ValueRules.h"
#include "core/editors/GridNumbers.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/editors/ReferenceRules.h"
#include "core/editors/TelesignalRows.h"

namespace veg {

namespace {

QString rowTail(int n)
{
    return QStringLiteral(" (%1строка)!").arg(n);
}

} // namespace

ModbusTelesignalForm::ModbusTelesignalForm(EditorSession& session) : TableEditorForm(session)
{
    m_deleteMode = DeleteMode::InPlace;
    // "Тип ТC" and "Сигнал ТC" end in a Latin C, as the gateway's own documents write them.
    setupGrid(1, Rows::ModbusTc,
              {{QStringLiteral("№"), 31, CellKind::Fixed},
               {QStringLiteral("Адрес Modbus сигналов ТС (Discret Inputs)"), 78, CellKind::Numeric},
               {QStringLiteral("Тип ТC"), 61, CellKind::DropDown, false,
                {parameterItem(), groupItem()}},
               {QStringLiteral("Номер бита"), 40, CellKind::Numeric},
               {QStringLiteral("Сигнал ТC"), 241, CellKind::Text, true}});
}

TreeOptions ModbusTelesignalForm::treeOptions() const
{
    TreeOptions o = defaultTreeOptions();
    o.offer = &ModbusTelecontrolForm::offersCandidate;
    return o;
}

TcTuEntry& ModbusTelesignalForm::entry(int row) const
{
    return config().ModbusTcTable[std::size_t(dataIndex(row))];
}

void ModbusTelesignalForm::fillRow(int row)
{
    const TcTuEntry& e = entry(row);
    for (int c = InputColumn; c < ColumnCount; ++c) {
        GridCell& cell = m_grid.cell(row, c);
        cell.text.clear();
        cell.hint.clear();
        cell.grey = cell.marked = false;
    }
    m_grid.cell(row, SignalColumn).hint = refText(e);
    if (e.Kind == 255) {
        m_grid.cell(row, InputColumn).text = marker();
        return;
    }
    const bool group = e.Kind == 1;
    m_grid.cell(row, InputColumn).text = QString::number(e.Extra);
    m_grid.cell(row, SourceColumn).text = group ? groupItem() : parameterItem();
    if (group)
        m_grid.cell(row, BitColumn).text = QString::number(e.ParamNumber & 0xFF);
    else
        m_grid.cell(row, BitColumn).grey = true;
    m_grid.cell(row, SignalColumn).text = shownName(e.NetNumber, e.ParamNumber, e.Name, group);
}

bool ModbusTelesignalForm::isReferenceCell(int row, int column) const
{
    return m_grid.isDataCell(row, column) && column == SignalColumn;
}

bool ModbusTelesignalForm::showTree(bool group)
{
    m_tree.visible = true;
    if (group) {
        if (!BuildGroupTree(m_tree, config())) {
            m_tree.visible = false;
            dialogs().info(QStringLiteral("Нет групповых параметров"));
            return false;
        }
        return true;
    }
    if (!BuildParameterTree()) {
        m_tree.visible = false;
        return false;
    }
    return true;
}

void ModbusTelesignalForm::syncRow(int row)
{
    m_syncedRow = row;
    const QString source = m_grid.cell(row, SourceColumn).text;
    if (source.isEmpty()) {
        m_tree.clear();
        m_tree.visible = false;
        return;
    }
    const TcTuEntry& e = entry(row);
    if (source != groupItem()) {
        if (showTree(false) && e.Kind == 0)
            LocateReference(e.Kind, e.TaskNumber, e.ParamNumber, e.NetNumber);
        return;
    }
    if (!showTree(true) || e.Kind != 1)
        return;
    const int slot = e.ParamNumber >> 8;
    for (int root : m_tree.roots()) {
        const TreeNode& r = m_tree.node(root);
        if (r.slot == slot && !r.children.empty())
            m_tree.select(r.children.front());
    }
    m_tree.requestFocus();
}

bool ModbusTelesignalForm::activateTree()
{
    m_syncedRow = -1;
    m_tree.clear();
    if (config().Controllers.empty()) {
        dialogs().info(QStringLiteral("Нет списка контроллеров!"));
        return false;
    }
    m_grid.setCurrent(firstDataRow(), InputColumn);
    syncRow(firstDataRow());
    return true;
}

void ModbusTelesignalForm::syncTreeWithCell(int row, int column)
{
    if (config().Controllers.empty()) {
        dialogs().info(QStringLiteral("Нет списка контроллеров!"));
        m_grid.setCurrent(row, InputColumn);
        return;
    }
    // A click within the row the tree shows leaves the tree as the user left it.
    if (row != m_syncedRow)
        syncRow(row);
}

void ModbusTelesignalForm::afterClick(int row, int column)
{
    if (column == BitColumn && m_grid.cell(row, SourceColumn).text == parameterItem())
        m_grid.setCurrent(row, SourceColumn);
}

KeyOutcome ModbusTelesignalForm::cellKey(QChar key, const QString& text)
{
    const int column = m_grid.currentColumn;
    const KeyOutcome out = TableEditorForm::cellKey(key, text);
    if (out.accepted && (column == InputColumn || column == BitColumn || column == SignalColumn))
        markChanged();
    return out;
}

bool ModbusTelesignalForm::cellChanged(int row, int column, const QString& typed)
{
    TcTuEntry& e = entry(row);
    GridCell& cell = m_grid.cell(row, column);
    if (column == SignalColumn) {
        e.Name = cutName(typed);
        cell.text = e.Name;
        markChanged();
        return true;
    }
    if (column != InputColumn && column != BitColumn)
        return false;
    const auto value = digitsValue(withoutMarker(typed));
    if (!value) {
        dialogs().info(QStringLiteral("Введите значение!"));
        return false;
    }
    if (column == BitColumn) {
        if (const auto refused = ValueRules::telesignalBit(qint64(*value))) {
            dialogs().info(refused->message);
            return false;
        }
        // The bit of a group-bit row; a row not in use gets its bit when a slot is placed.
        if (e.Kind == 1) {
            e.ParamNumber = std::uint16_t((e.ParamNumber & 0xFF00) | *value);
            m_grid.cell(row, SignalColumn).hint = refText(e);
        }
    } else {
        if (const auto refused = ValueRules::discreteInput(qint64(*value))) {
            dialogs().info(refused->message);
            return false;
        }
        e.Extra = std::int32_t(*value);
    }
    cell.text = QString::number(*value);
    markChanged();
    return true;
}

void ModbusTelesignalForm::choiceMade(int row, int column, int index)
{
    if (column != SourceColumn)
        return;
    // A source chosen, even the same one again, asks for a new signal. The model row changes
    // only when a parameter is placed.
    const bool group = index == 1;
    m_grid.cell(row, SignalColumn).text.clear();
    GridCell& bit = m_grid.cell(row, BitColumn);
    if (!group)
        bit.text.clear();
    bit.grey = !group;
    m_syncedRow = row;
    showTree(group);
}

void ModbusTelesignalForm::PlaceParameter()
{
    const int row = m_grid.currentRow;
    if (!m_grid.isDataCell(row, InputColumn))
        return;
    const auto number = digitsValue(withoutMarker(m_grid.cell(row, InputColumn).text));
    if (!number) {
        dialogs().info(QStringLiteral("Введите адрес Discret Inputs"));
        return;
    }
    TcTuEntry& e = entry(row);
    const bool group = m_grid.cell(row, SourceColumn).text == groupItem();
    const int node = m_tree.selected();
    if (group) {
        if (!m_tree.visible || m_tree.kind != ParamTree::Kind::Groups || node < 0 ||
            node >= m_tree.size() || m_tree.node(node).level != 1) {
            dialogs().info(QStringLiteral("Параметр не выбран!"));
            return;
        }
        // The bit is the one column 3 shows; a row whose bit was never typed gets bit 0 and an
        // empty column 3, which the closing asks to fill.
        const auto bit = digitsValue(withoutMarker(m_grid.cell(row, BitColumn).text));
        e.Kind = 1;
        e.ParamNumber = std::uint16_t(m_tree.node(node).slot * 256 + (bit && *bit <= 31 ? *bit : 0));
        e.NetNumber = 0;
        e.Name = cutName(m_tree.node(node).text);
    } else {
        const auto placed = m_tree.visible ? placedParameter(m_tree, node, config()) : std::nullopt;
        if (!placed) {
            dialogs().info(QStringLiteral("Параметр не выбран!"));
            return;
        }
        e.Kind = 0;
        e.NetNumber = placed->netNumber;
        e.TaskNumber = placed->taskNumber;
        e.ParamNumber = placed->paramNumber;
        e.Name = placed->name;
    }
    e.Extra = std::int32_t(*number);
    // Only the signal cell shows what was placed: the number, source and bit cells keep what
    // the user left in them.
    showReference(row, SignalColumn, shownName(e.NetNumber, e.ParamNumber, e.Name, group),
                  refText(e));
    rowsChanged();
    m_tree.requestFocus();
    markChanged();
}

void ModbusTelesignalForm::dropOnCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column) || !m_grid.isDataCell(m_grid.currentRow, SourceColumn))
        return;
    // The dragged node is of the tree of the current row's source.
    if (m_grid.cell(row, SourceColumn).text !=
        m_grid.cell(m_grid.currentRow, SourceColumn).text) {
        dialogs().info(QStringLiteral("Выбранный параметр не соответствует типу ТС"));
        return;
    }
    m_grid.setCurrent(row, SignalColumn);
    m_syncedRow = row;
    m_clickSync = false;
    PlaceParameter();
    m_clickSync = true;
}

void ModbusTelesignalForm::deleteRow(int row)
{
    const QString question = QStringLiteral("Удалить ") + QString::number(dataIndex(row) + 1) +
                             QStringLiteral(" строку?");
    if (!dialogs().confirm(question))
        return;
    resetTableRow(dataIndex(row));
    fillRow(row);
    rowsChanged();
    markChanged();
    syncRow(row);
}

void ModbusTelesignalForm::resetTableRow(int index)
{
    config().ModbusTcTable[std::size_t(index)] = TcTuEntry{};
}

void ModbusTelesignalForm::rowsChanged()
{
    m_grid.note = markSharedNumbers(m_grid, InputColumn, inputNumbers());
}

bool ModbusTelesignalForm::closeCheck()
{
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        const int n = dataIndex(r) + 1;
        const QString source = m_grid.cell(r, SourceColumn).text;
        const bool noSignal = m_grid.cell(r, SignalColumn).text.isEmpty();
        QString message;
        if (!source.isEmpty()) {
            if (noSignal)
                message = QStringLiteral("Введите сигнал ТУ или удалите строку") + rowTail(n);
            else if (source == groupItem() && m_grid.cell(r, BitColumn).text.isEmpty())
                message = QStringLiteral("Введите номер бита(%1строка)!").arg(n);
        } else if (entry(r).Kind == 255 &&
                   (digitsValue(m_grid.cell(r, InputColumn).text) || !noSignal)) {
            // A number or a name typed into a row that no signal was placed into would not be
            // kept by the file: the row is not in use.
            message = QStringLiteral("Введите сигнал ТУ или удалите строку") + rowTail(n);
        }
        if (!message.isEmpty()) {
            m_grid.setCurrent(r, InputColumn);
            dialogs().info(message);
            return false;
        }
    }
    return true;
}

bool ModbusTelesignalForm::RebindController(int controllerIndex)
{
    return rebindSignalRows(config(), controllerIndex, config().ModbusTcTable, SignalTable::Modbus);
}

void ModbusTelesignalForm::RemoveControllerRefs(int controllerIndex)
{
    removeSignalRows(config(), controllerIndex, config().ModbusTcTable, SignalTable::Modbus);
}

} // namespace veg
