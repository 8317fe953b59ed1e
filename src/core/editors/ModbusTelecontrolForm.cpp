#include "core/editors/ModbusTelecontrolForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/config/ValueRules.h"
#include "core/database/Task_CL.h"
#include "core/editors/GridNumbers.h"
#include "core/editors/ReferenceRules.h"

#include <algorithm>

namespace veg {

namespace {

using E = ModbusCoilEntry;
using M = ModbusTelecontrolForm;

struct RefColumn
{
    int column;
    ParamCore E::*core;
    QString E::*name;
    int choiceColumn; // the sign or value column beside it, -1 for TU1 and TU0
};

const RefColumn kRefColumns[] = {
    {M::Tu1Column, &E::TU1, &E::NameTU1, -1},
    {M::Tu0Column, &E::TU0, &E::NameTU0, -1},
    {M::Oc1Column, &E::OC1, &E::NameOC1, M::Oc1SignColumn},
    {M::Oc0Column, &E::OC0, &E::NameOC0, M::Oc0SignColumn},
    {M::Ready1Column, &E::READY1, &E::NameREADY1, M::Ready1ValueColumn},
    {M::Ready0Column, &E::READY0, &E::NameREADY0, M::Ready0ValueColumn},
};

const RefColumn* refColumn(int column)
{
    for (const RefColumn& r : kRefColumns) {
        if (r.column == column)
            return &r;
    }
    return nullptr;
}

const RefColumn* choiceOwner(int choiceColumn)
{
    for (const RefColumn& r : kRefColumns) {
        if (r.choiceColumn == choiceColumn)
            return &r;
    }
    return nullptr;
}

bool inUse(const E& e)
{
    return e.TU1.Kind != 255;
}
bool isPulse(const E& e)
{
    return (e.TypeTU & 0x01) == 0;
}
bool twoSteps(const E& e)
{
    return (e.TypeTU & 0x10) != 0;
}

} // namespace

ModbusTelecontrolForm::ModbusTelecontrolForm(EditorSession& session) : TableEditorForm(session)
{
    const CellKind ro = CellKind::ReadOnly, dd = CellKind::DropDown, num = CellKind::Numeric;
    setupGrid(kHeadingRows, Rows::ModbusCoils,
              {{QStringLiteral("№"), 22, CellKind::Fixed},
               {QStringLiteral("Номера регистров Modbus (Coil)"), 46, num},
               {QStringLiteral("Тип ТУ"), 59, dd, false, typeItems()},
               {QStringLiteral("Число  ступеней"), 53, dd, false, stepItems()},
               {{}, 103, ro, true},
               {{}, 102, ro, true},
               {{}, 107, ro, true},
               {{}, 54, dd, false, signItems()},
               {{}, 112, ro, true},
               {{}, 54, dd, false, signItems()},
               {QStringLiteral("Длительность импульса ТУ1,с"), 53, num},
               {QStringLiteral("Длительность импульса ТУ0,с"), 54, num},
               {{}, 126, ro, true},
               {{}, 53, dd, false, valueItems()},
               {{}, 124, ro, true},
               {{}, 55, dd, false, valueItems()}});
    EditorGrid& g = m_grid;
    g.merge(0, Tu1Column, 2, 2, QStringLiteral("Сигнал ТУ"));
    g.merge(2, Tu1Column, 1, 1, QStringLiteral("Установка в 1"));
    g.merge(2, Tu0Column, 1, 1, QStringLiteral("Установка в 0"));
    g.merge(0, Oc1Column, 1, 4, QStringLiteral("Условие окончания импульса"));
    g.merge(0, Ready1Column, 1, 4, QStringLiteral("Предварительное условие готовности"));
    for (int c : {Oc1Column, Ready1Column})
        g.merge(1, c, 1, 2, QStringLiteral("При установке в 1"));
    for (int c : {Oc0Column, Ready0Column})
        g.merge(1, c, 1, 2, QStringLiteral("При установке в 0"));
    for (int c : {Oc1Column, Oc0Column})
        g.merge(2, c, 1, 1, QStringLiteral("Сигнал обратной связи (ОС)"));
    for (int c : {Oc1SignColumn, Oc0SignColumn})
        g.merge(2, c, 1, 1, QStringLiteral("Знак ОС"));
    for (int c : {Ready1Column, Ready0Column})
        g.merge(2, c, 1, 1, QStringLiteral("Параметр готовности"));
    for (int c : {Ready1ValueColumn, Ready0ValueColumn})
        g.merge(2, c, 1, 1, QStringLiteral("Значение"));
}

bool ModbusTelecontrolForm::offersCandidate(const Task_CL& database, const TaskRecord& task,
                                            const ParamCandidate& candidate)
{
    return candidate.TypeCode == 0 && candidate.Length == 0 &&
           !database.IsAlgorithm32(task.Algorithm);
}

TreeOptions ModbusTelecontrolForm::treeOptions() const
{
    TreeOptions o = defaultTreeOptions();
    o.offer = &ModbusTelecontrolForm::offersCandidate;
    return o;
}

ModbusCoilEntry& ModbusTelecontrolForm::entry(int row) const
{
    return config().ModbusCoilTable[std::size_t(dataIndex(row))];
}

bool ModbusTelecontrolForm::disabled(const ModbusCoilEntry& e, int column)
{
    if (!isPulse(e) && ((column >= Tu0Column && column <= Time0Column) || column == Ready0Column ||
                        column == Ready0ValueColumn))
        return true;
    return !twoSteps(e) && column >= Ready1Column && column <= Ready0ValueColumn;
}

void ModbusTelecontrolForm::showCell(int row, int column)
{
    const E& e = entry(row);
    GridCell& cell = m_grid.cell(row, column);
    cell.text.clear();
    if (const RefColumn* r = refColumn(column))
        cell.hint = refText(inUse(e) ? e.*(r->core) : ParamCore{});
    if (column == CoilColumn) {
        cell.text = !inUse(e) || e.Coil == 0xFFFF ? marker() : QString::number(e.Coil);
        return;
    }
    if (!inUse(e) || disabled(e, column))
        return;
    switch (column) {
    case TypeColumn:
        cell.text = typeItems()[e.TypeTU & 0x01];
        return;
    case StepsColumn:
        cell.text = stepItems()[twoSteps(e) ? 1 : 0];
        return;
    case Time1Column:
        cell.text = QString::number(e.TimeTU1);
        return;
    case Time0Column:
        cell.text = QString::number(e.TimeTU0);
        return;
    case Tu1Column:
        cell.text = shownName(e.TU1.NetNumber, e.TU1.ParamNumber, e.NameTU1);
        return;
    case Tu0Column:
        // An empty TU0 shows one blank.
        cell.text = e.TU0.Kind == 255 ? QStringLiteral(" ")
                                      : shownName(e.TU0.NetNumber, e.TU0.ParamNumber, e.NameTU0);
        return;
    default:
        break;
    }
    // A feedback or readiness reference and its sign or value; an empty one (Kind 255) leaves
    // both cells empty.
    const RefColumn* r = refColumn(column);
    const RefColumn* owner = r ? r : choiceOwner(column);
    if (!owner)
        return;
    const ParamCore& core = e.*(owner->core);
    if (core.Kind == 255)
        return;
    if (r) {
        cell.text = shownName(core.NetNumber, core.ParamNumber, e.*(owner->name));
    } else {
        const QStringList items = dropDownItems(row, column);
        cell.text = items.value(core.Kind);
    }
}

void ModbusTelecontrolForm::fillRow(int row)
{
    for (int c = CoilColumn; c < ColumnCount; ++c) {
        GridCell& cell = m_grid.cell(row, c);
        cell.grey = cell.marked = false;
        showCell(row, c);
    }
    if (inUse(entry(row))) {
        for (int c = TypeColumn; c < ColumnCount; ++c)
            m_grid.cell(row, c).grey = disabled(entry(row), c);
    }
}

void ModbusTelecontrolForm::applyDisabled(int row)
{
    const E& e = entry(row);
    for (int c = Tu0Column; c < ColumnCount; ++c) {
        GridCell& cell = m_grid.cell(row, c);
        if (const RefColumn* r = refColumn(c); r && inUse(e))
            cell.hint = refText(e.*(r->core)); // a choice may have emptied its Kind
        // A cell that goes grey is emptied; one that turns white starts empty and is filled by
        // the user (the model keeps what it held until then).
        const bool off = disabled(e, c);
        if (off || cell.grey)
            cell.text.clear();
        cell.grey = off;
    }
}

std::optional<ParamCore> ModbusTelecontrolForm::referenceAt(int row, int column) const
{
    const RefColumn* r = refColumn(column);
    if (!r || !m_grid.isDataCell(row, column))
        return std::nullopt;
    return entry(row).*(r->core);
}

std::optional<ParamCore> ModbusTelecontrolForm::mainReference(int row) const
{
    return entry(row).TU1;
}

QString ModbusTelecontrolForm::wrongCellMessage() const
{
    return QStringLiteral("Выберите \"сигнал ТУ\", или \"параметр ОС\", или \"сигнал готовности\" "
                          "в таблице");
}

void ModbusTelecontrolForm::storeReference(int row, int column, const PlacedParam& placed)
{
    const RefColumn* r = refColumn(column);
    if (!r)
        return;
    E& e = entry(row);
    ParamCore& core = e.*(r->core);
    core.NetNumber = placed.netNumber;
    core.TaskNumber = placed.taskNumber;
    core.ParamNumber = placed.paramNumber;
    // TU1 and TU0 carry the value format; a feedback or readiness reference keeps its sign.
    if (r->choiceColumn < 0 && placed.valueFormat)
        core.Kind = *placed.valueFormat;
    e.*(r->name) = placed.name;
    showReference(row, column, placed.name, refText(core));
}

bool ModbusTelecontrolForm::cellChanged(int row, int column, const QString& typed)
{
    E& e = entry(row);
    switch (column) {
    case CoilColumn: {
        const auto value = digitsValue(withoutMarker(typed));
        if (!value) {
            dialogs().info(QStringLiteral("Введите Coil!"));
            return false;
        }
        if (const auto refused = ValueRules::coil(qint64(*value))) {
            dialogs().info(refused->message);
            return false;
        }
        e.Coil = std::uint16_t(*value);
        m_grid.cell(row, column).text = QString::number(e.Coil);
        markChanged();
        return true;
    }
    case Time1Column:
    case Time0Column: {
        const auto value = digitsValue(typed);
        if (!value || ValueRules::coilPulse(qint64(*value))) {
            dialogs().info(QStringLiteral("Введите значение от 1с до 256с"));
            return false;
        }
        (column == Time1Column ? e.TimeTU1 : e.TimeTU0) = std::uint8_t(*value);
        m_grid.cell(row, column).text = QString::number(*value);
        markChanged();
        return true;
    }
    default:
        return false;
    }
}

bool ModbusTelecontrolForm::dropDownAllowed(int row, int column)
{
    const RefColumn* owner = choiceOwner(column);
    if (!owner || !m_grid.cell(row, owner->column).text.isEmpty())
        return true;
    const bool feedback = column == Oc1SignColumn || column == Oc0SignColumn;
    dialogs().info(feedback ? QStringLiteral("Параметр ОС не выбран!")
                            : QStringLiteral("Параметр готовности не выбран!"));
    return false;
}

void ModbusTelecontrolForm::choiceMade(int row, int column, int index)
{
    E& e = entry(row);
    switch (column) {
    case TypeColumn:
        e.TypeTU = std::uint8_t((e.TypeTU & 0xF0) | index);
        if (!isPulse(e))
            e.OC1.Kind = e.OC0.Kind = 255;
        applyDisabled(row);
        break;
    case StepsColumn:
        e.TypeTU = std::uint8_t((e.TypeTU & 0x0F) | (index << 4));
        if (!twoSteps(e))
            e.READY1.Kind = 255;
        applyDisabled(row);
        break;
    default:
        if (const RefColumn* owner = choiceOwner(column)) {
            ParamCore& core = e.*(owner->core);
            core.Kind = std::uint8_t(index);
            m_grid.cell(row, owner->column).hint = refText(core);
        }
        break;
    }
    markChanged();
}

void ModbusTelecontrolForm::afterClick(int row, int column)
{
    const E& e = entry(row);
    if (!isPulse(e) && ((column >= Tu0Column && column <= Time0Column) || column == Ready0Column ||
                        column == Ready0ValueColumn))
        m_grid.setCurrent(row, TypeColumn);
    else if (!twoSteps(e) && column >= Ready1Column)
        m_grid.setCurrent(row, StepsColumn);
}

void ModbusTelecontrolForm::removeTableRow(int index)
{
    removeRowKeepLength(config().ModbusCoilTable, index);
}

void ModbusTelecontrolForm::rowsChanged()
{
    m_grid.note = markSharedNumbers(m_grid, CoilColumn, coilNumbers());
}

bool ModbusTelecontrolForm::closeCheck()
{
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        const E& e = entry(r);
        const QString n = QStringLiteral("(Строка %1)").arg(dataIndex(r) + 1);
        auto empty = [&](int c) { return m_grid.cell(r, c).text.isEmpty(); };
        auto anyEmpty = [&](std::initializer_list<int> cs) {
            return std::any_of(cs.begin(), cs.end(), empty);
        };
        QString message;
        if (inUse(e)) {
            if (e.Coil == 0xFFFF)
                message = QStringLiteral("Не введен Coil!");
            else if (empty(TypeColumn))
                message = QStringLiteral("Введите тип ТУ!");
            else if (empty(StepsColumn))
                message = QStringLiteral("Введите число ступеней!");
            else if (isPulse(e) && anyEmpty({Time1Column, Time0Column}))
                message = QStringLiteral("Введите длительность импульса ТУ!");
            else if (isPulse(e) && anyEmpty({Oc1Column, Oc1SignColumn, Oc0Column, Oc0SignColumn}))
                message = QStringLiteral("Введите окончание импульса ТУ!");
            else if (twoSteps(e) && isPulse(e) &&
                     anyEmpty({Ready1Column, Ready1ValueColumn, Ready0Column, Ready0ValueColumn}))
                message = QStringLiteral("Введите предварительное условие готовности!");
            else if (twoSteps(e) && !isPulse(e) && anyEmpty({Ready1Column, Ready1ValueColumn}))
                message = QStringLiteral("Введите предварительное условие готовности!");
        } else if (e.Coil != 0xFFFF) {
            message = QStringLiteral("Не введен сигнал ТУ!");
        }
        if (!message.isEmpty()) {
            m_grid.setCurrent(r, CoilColumn);
            dialogs().info(message + n);
            return false;
        }
    }
    return true;
}

bool ModbusTelecontrolForm::RebindController(int controllerIndex)
{
    std::vector<RefSlot> refs;
    for (E& e : config().ModbusCoilTable) {
        for (const RefColumn& r : kRefColumns) {
            ParamCore& core = e.*(r.core);
            refs.push_back({core.NetNumber, core.ParamNumber, &core.TaskNumber, &(e.*(r.name))});
        }
    }
    return RebindReferences(config(), controllerIndex, refs);
}

void ModbusTelecontrolForm::RemoveControllerRefs(int controllerIndex)
{
    if (controllerIndex < 0 || controllerIndex >= int(config().Controllers.size()))
        return;
    const std::uint8_t net = config().Controllers[std::size_t(controllerIndex)].NetNumber;
    auto& table = config().ModbusCoilTable;
    // Every row is examined: rows in use can stand behind one that is not (a file may hold them
    // so, a row may get its coil number before its command), and a command of the removed
    // controller left there would name a controller the gateway no longer has. A removed row
    // pulls the rows behind it up, so the same position is examined again.
    for (int i = 0, examined = 0; i < int(table.size()) && examined < int(table.size());
         ++examined) {
        const E& e = table[std::size_t(i)];
        if (inUse(e) && e.TU1.NetNumber == net)
            removeRowKeepLength(table, i);
        else
            ++i;
    }
}

} // namespace veg
