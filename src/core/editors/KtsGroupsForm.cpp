#include "core/editors/KtsGroupsForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/config/ValueRules.h"
#include "core/database/Task_CL.h"
#include "core/editors/ReferenceRules.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace veg {

namespace {

using G = KtsGroupsForm;

bool isScaleColumn(int column)
{
    return column == G::BeginColumn || column == G::EndColumn;
}

} // namespace

KtsGroupsForm::KtsGroupsForm(EditorSession& session) : ControllerTreeForm(session)
{
    setupGrid(1, Rows::KtsGroups,
              {{QStringLiteral("№"), 24, CellKind::Fixed},
               {QStringLiteral("CAN-адрес модуля"), 205, CellKind::DropDown},
               {QStringLiteral("Параметр гребёнки"), 340, CellKind::ReadOnly, true},
               {QStringLiteral("Начало шкалы"), 90, CellKind::Decimal},
               {QStringLiteral("Конец шкалы"), 90, CellKind::Decimal},
               {QStringLiteral("Кол. знаков после запятой"), 90, CellKind::Spin}});
    m_deleteMode = DeleteMode::InPlace;
}

QString KtsGroupsForm::scaleText(float value, int decimals, QChar separator)
{
    if (!std::isfinite(value))
        return NumberText::formatFloat(value, separator);
    const double v = value;
    QString text;
    if (std::fabs(v) >= 1e8) {
        text = QString::number(v, 'E', 7);
    } else {
        const double rounded = QString::number(v, 'g', 8).toDouble();
        text = QString::number(rounded, 'f', std::clamp(decimals, 0, 15));
        const bool zero =
            std::none_of(text.begin(), text.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
        if (zero && text.startsWith(u'-'))
            text.remove(0, 1); // a value that rounds to zero shows no sign
    }
    text.replace(u'.', separator);
    return text;
}

std::optional<float> KtsGroupsForm::readScale(const QString& text, QChar separator)
{
    QString t = text.trimmed();
    for (QChar other : {QChar(u'.'), QChar(u',')}) {
        if (other != separator && t.contains(other))
            return std::nullopt; // not the system's separator
    }
    t.replace(separator, u'.');
    const std::string s = t.toStdString();
    if (s.empty())
        return std::nullopt;
    float v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

bool KtsGroupsForm::offers(const Task_CL&, const TaskRecord&, const ParamCandidate& c) const
{
    return (c.TypeCode & 0x87) == 4;
}

KtsGroup& KtsGroupsForm::entry(int row) const
{
    return config().KtsGroups[std::size_t(dataIndex(row))];
}

void KtsGroupsForm::fillRow(int row)
{
    const KtsGroup& k = entry(row);
    auto cell = [&](int column) -> QString& { return m_grid.cell(row, column).text; };
    m_grid.cell(row, ParameterColumn).hint = slotHint(k.ParamNumber, k.SetN);
    if (k.SetN == 255) {
        cell(ControllerColumn) = marker();
        for (int c = ParameterColumn; c < ColumnCount; ++c)
            cell(c).clear();
        return;
    }
    cell(ControllerColumn) = controllerText(k.SetN);
    if (k.ParamNumber == 0xFFFF) {
        for (int c = ParameterColumn; c < ColumnCount; ++c)
            cell(c) = marker();
        return;
    }
    const QChar separator = session().decimalSeparator;
    cell(ParameterColumn) = shownName(k.SetN, k.ParamNumber, k.Name);
    cell(BeginColumn) = scaleText(k.BegScale, k.Number, separator);
    cell(EndColumn) = scaleText(k.EndScale, k.Number, separator);
    cell(DecimalsColumn) = QString::number(k.Number);
}

void KtsGroupsForm::FormActivate()
{
    beginActivation();
    m_gridChanged = false;
    m_grid.setCurrent(firstDataRow(), ControllerColumn);
    if (int(config().KtsGroups.size()) != Rows::KtsGroups) {
        m_grid.visible = false; // not a КТС Энергия configuration
        m_filling = false;
        return;
    }
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r)
        fillRow(r);
    if (config().Controllers.empty()) {
        m_grid.visible = false;
        dialogs().info(QStringLiteral("Нет списка контроллеров!"));
    } else {
        m_grid.visible = true;
        syncTree(firstDataRow());
    }
    m_filling = false;
}

void KtsGroupsForm::syncTree(int row)
{
    const KtsGroup& k = entry(row);
    if (!showControllerTree(k.SetN))
        return;
    selectParameter(k.TaskNumber, k.ParamNumber);
}

void KtsGroupsForm::clickCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column))
        return;
    m_grid.setCurrent(row, column);
    if (m_clickSync && !m_filling && (column == ControllerColumn || column == ParameterColumn))
        syncTree(row);
}

CellEdit KtsGroupsForm::editorFor(int row, int column) const
{
    CellEdit e = TableEditorForm::editorFor(row, column);
    if (column == DecimalsColumn) {
        e.minimum = 0;
        e.maximum = ValueRules::kMostDecimals;
        bool ok = false;
        const int shown = e.text.toInt(&ok);
        e.text = QString::number(ok ? shown : entry(row).Number);
    }
    return e;
}

QStringList KtsGroupsForm::dropDownItems(int, int) const
{
    return controllerItems();
}

bool KtsGroupsForm::cellChanged(int, int column, const QString&)
{
    if (!isScaleColumn(column) && column != DecimalsColumn)
        return false;
    m_gridChanged = true; // stored on closing
    return true;
}

void KtsGroupsForm::choiceMade(int row, int column, int index)
{
    const auto net = controllerNet(index);
    if (column != ControllerColumn || !net)
        return;
    KtsGroup& k = entry(row);
    if (k.SetN != *net) {
        // Another controller: the row starts anew. The same one chosen again keeps the row.
        k = KtsGroup{};
        k.SetN = *net;
        config().Changed.KtsGroupChanged = true;
    }
    fillRow(row);
    syncTree(row);
}

void KtsGroupsForm::storeReference(int row, int, const PlacedParam& placed)
{
    KtsGroup& k = entry(row);
    k.TaskNumber = placed.taskNumber;
    k.ParamNumber = placed.paramNumber;
    k.Name = placed.name;
    showReference(row, ParameterColumn, placed.name, slotHint(k.ParamNumber, k.SetN));
}

void KtsGroupsForm::place(int)
{
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    if (!m_grid.visible || !m_grid.isDataCell(row, column) ||
        (column != ControllerColumn && column != ParameterColumn) || shownController() < 0)
        return;
    const auto placed = selectedParameterOf(entry(row).SetN);
    if (!placed)
        return;
    storeReference(row, column, *placed);
    m_tree.requestFocus();
    config().Changed.KtsGroupChanged = true;
}

void KtsGroupsForm::dropOnCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column) || column != ParameterColumn)
        return;
    placeDropped(row, column);
}

void KtsGroupsForm::resetTableRow(int index)
{
    config().KtsGroups[std::size_t(index)] = KtsGroup{};
}

void KtsGroupsForm::deleteRow(int row)
{
    if (!dialogs().confirm(QStringLiteral("Удалить ") + QString::number(dataIndex(row) + 1) +
                           QStringLiteral(" строку?")))
        return;
    resetTableRow(dataIndex(row));
    fillRow(row);
    hideTree();
    config().Changed.KtsGroupChanged = true;
}

bool KtsGroupsForm::closeCheck()
{
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        const KtsGroup& k = entry(r);
        if (k.SetN != 255 && k.ParamNumber == 0xFFFF) {
            m_grid.setCurrent(r, ParameterColumn);
            dialogs().info(QStringLiteral("Введите параметр или удалите строку!"));
            return false;
        }
        if (k.ParamNumber == 0xFFFF)
            continue;
        for (int c : {BeginColumn, EndColumn}) {
            const QString& text = m_grid.cell(r, c).text;
            if (text.isEmpty() || text == marker()) {
                m_grid.setCurrent(r, c);
                dialogs().info(QStringLiteral("Введите данные по шкале!"));
                return false;
            }
        }
    }
    if (!m_gridChanged)
        return true;
    struct Scales
    {
        float begin = 0, end = 0;
        std::uint8_t decimals = 2;
    };
    std::vector<Scales> read(config().KtsGroups.size());
    const QChar separator = session().decimalSeparator;
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        const KtsGroup& k = entry(r);
        if (k.ParamNumber == 0xFFFF)
            continue;
        Scales& s = read[std::size_t(dataIndex(r))];
        for (int c : {BeginColumn, EndColumn}) {
            const auto v = readScale(m_grid.cell(r, c).text, separator);
            if (!v) {
                m_grid.setCurrent(r, c);
                dialogs().info(QStringLiteral("Введите правильно данные по шкале!"));
                return false;
            }
            (c == BeginColumn ? s.begin : s.end) = *v;
        }
        bool ok = false;
        const int decimals = m_grid.cell(r, DecimalsColumn).text.toInt(&ok);
        s.decimals =
            ok && decimals >= 0 && decimals <= ValueRules::kMostDecimals ? std::uint8_t(decimals) : k.Number;
    }
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        KtsGroup& k = entry(r);
        if (k.ParamNumber == 0xFFFF)
            continue;
        const Scales& s = read[std::size_t(dataIndex(r))];
        k.BegScale = s.begin;
        k.EndScale = s.end;
        k.Number = s.decimals;
    }
    m_gridChanged = false;
    config().Changed.KtsGroupChanged = true;
    return true;
}

bool KtsGroupsForm::RebindController(int controllerIndex)
{
    std::vector<RefSlot> refs;
    for (KtsGroup& k : config().KtsGroups)
        refs.push_back({k.SetN, k.ParamNumber, &k.TaskNumber, &k.Name});
    return RebindReferences(config(), controllerIndex, refs);
}

void KtsGroupsForm::RemoveControllerRefs(int controllerIndex)
{
    const auto net = controllerNet(controllerIndex);
    if (!net)
        return;
    for (KtsGroup& k : config().KtsGroups) {
        if (k.SetN == *net)
            k = KtsGroup{};
    }
}

} // namespace veg
