#include "core/editors/KtsSignalsForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/config/ValueRules.h"
#include "core/database/Task_CL.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/editors/ReferenceRules.h"

namespace veg {

namespace {

using S = KtsSignalsForm;

constexpr std::uint8_t kGroupSource = KtsSignal::kGroupSource;
constexpr std::uint8_t kInversion = KtsSignal::kChecked;

bool inUse(const KtsSignal& k)
{
    return k.inUse();
}

bool isGroup(const KtsSignal& k)
{
    return k.isGroup();
}

// Digits typed into a bit cell; a number longer than any bit reads as one beyond them all.
std::optional<int> bitValue(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    int v = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = std::min(v * 10 + (c.unicode() - u'0'), 1000);
    }
    return v;
}

} // namespace

KtsSignalsForm::KtsSignalsForm(EditorSession& session)
    : ControllerTreeForm(session), m_kinds(std::size_t(Rows::KtsSignals), Kind::None)
{
    setupGrid(1, Rows::KtsSignals,
              {{QStringLiteral("№"), 24, CellKind::Fixed},
               {QStringLiteral("Параметр/группа"), 100, CellKind::DropDown, false, kindItems()},
               {QStringLiteral("CAN-адрес модуля"), 205, CellKind::DropDown},
               {QStringLiteral("Параметр ТС"), 340, CellKind::ReadOnly, true},
               {QStringLiteral("Инверсия"), 64, CellKind::Check},
               {QStringLiteral("Номер бита"), 64, CellKind::Numeric}});
    m_deleteMode = DeleteMode::InPlace;
}

bool KtsSignalsForm::offers(const Task_CL& database, const TaskRecord& task,
                            const ParamCandidate& candidate) const
{
    return ModbusTelecontrolForm::offersCandidate(database, task, candidate);
}

KtsSignal& KtsSignalsForm::entry(int row) const
{
    return config().KtsSignals[std::size_t(dataIndex(row))];
}

std::uint8_t KtsSignalsForm::withInversion(int row, std::uint8_t source) const
{
    return std::uint8_t(source | (m_grid.cell(row, InversionColumn).checked ? kInversion : 0));
}

void KtsSignalsForm::showReferenceOf(int row)
{
    const KtsSignal& k = entry(row);
    GridCell& c = m_grid.cell(row, ParameterColumn);
    c.hint = slotHint(k.ParamNumber, k.SetN);
    if (kind(row) == Kind::Group) {
        c.text = k.ParamNumber == 0xFFFF ? QString() : shownName(255, k.ParamNumber, k.Name, true);
    } else if (k.ParamNumber != 0xFFFF) {
        c.text = shownName(k.SetN, k.ParamNumber, k.Name);
    } else {
        c.text = k.SetN == 255 ? QString() : marker();
    }
}

void KtsSignalsForm::fillRow(int row)
{
    const KtsSignal& k = entry(row);
    const Kind kd = kind(row);
    for (int c = KindColumn; c < ColumnCount; ++c)
        m_grid.cell(row, c).grey = false;
    m_grid.cell(row, InversionColumn).checked = inUse(k) && (k.Flags & kInversion) != 0;
    m_grid.cell(row, KindColumn).text =
        kd == Kind::None ? marker() : kindItems()[kd == Kind::Group ? 1 : 0];
    QString& controller = m_grid.cell(row, ControllerColumn).text;
    QString& bit = m_grid.cell(row, BitColumn).text;
    controller.clear();
    bit.clear();
    if (kd == Kind::Parameter) {
        if (k.SetN != 255)
            controller = controllerText(k.SetN);
        m_grid.cell(row, BitColumn).grey = true;
    } else if (kd == Kind::Group) {
        m_grid.cell(row, ControllerColumn).grey = true;
        if (k.ParamNumber != 0xFFFF)
            bit = QString::number(k.ParamNumber & 0xFF);
    }
    showReferenceOf(row);
}

void KtsSignalsForm::FormActivate()
{
    beginActivation();
    m_gridChanged = false;
    m_grid.setCurrent(firstDataRow(), KindColumn);
    if (int(config().KtsSignals.size()) != Rows::KtsSignals) {
        m_grid.visible = false; // not a КТС Энергия configuration
        m_filling = false;
        return;
    }
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        const KtsSignal& k = entry(r);
        kind(r) = !inUse(k) ? Kind::None : isGroup(k) ? Kind::Group : Kind::Parameter;
        fillRow(r);
    }
    if (config().Controllers.empty()) {
        m_grid.visible = false;
        dialogs().info(QStringLiteral("Нет списка контроллеров!"));
    } else {
        m_grid.visible = true;
        syncTree(firstDataRow());
    }
    m_filling = false;
}

bool KtsSignalsForm::showGroupTree()
{
    if (!BuildGroupTree(m_tree, config())) {
        hideTree();
        return false;
    }
    m_tree.visible = true;
    return true;
}

void KtsSignalsForm::syncTree(int row)
{
    const KtsSignal& k = entry(row);
    if (kind(row) == Kind::Group) {
        // A row whose group slot is empty keeps what its column 1 says: it is still a group
        // row of the table, to be given a slot again or deleted.
        if (!showGroupTree())
            return;
        int node = m_tree.firstNode();
        if (k.ParamNumber != 0xFFFF) {
            const int slot = k.ParamNumber >> 8;
            const auto& roots = m_tree.roots();
            if (slot < int(roots.size())) {
                const TreeNode& root = m_tree.node(roots[std::size_t(slot)]);
                node = root.children.empty() ? roots[std::size_t(slot)] : root.children.front();
            }
        }
        m_tree.select(node);
        m_tree.requestFocus();
        return;
    }
    if (!showControllerTree(k.SetN))
        return;
    selectParameter(k.TaskNumber, k.ParamNumber);
}

void KtsSignalsForm::clickCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column))
        return;
    m_grid.setCurrent(row, m_grid.cell(row, column).grey ? KindColumn : column);
    if (m_clickSync && !m_filling && (column == ControllerColumn || column == ParameterColumn))
        syncTree(row);
}

QStringList KtsSignalsForm::dropDownItems(int, int column) const
{
    return column == KindColumn ? kindItems() : controllerItems();
}

void KtsSignalsForm::choiceMade(int row, int column, int index)
{
    KtsSignal& k = entry(row);
    if (column == KindColumn) {
        const Kind chosen = index == 1 ? Kind::Group : Kind::Parameter;
        if (chosen == kind(row))
            return; // the same kind again keeps the row
        k = KtsSignal{};
        kind(row) = chosen;
        fillRow(row);
        config().Changed.KtsSignalChanged = true;
        if (chosen == Kind::Parameter) {
            hideTree();
        } else if (showGroupTree()) {
            m_tree.select(m_tree.firstNode());
        } else {
            dialogs().info(QStringLiteral("Нет групповых параметров"));
        }
        return;
    }
    const auto net = controllerNet(index);
    if (column != ControllerColumn || !net || kind(row) == Kind::Group)
        return;
    if (k.SetN != *net) {
        // Another controller: the row's parameter was that controller's. The same one chosen
        // again keeps it.
        k.SetN = *net;
        k.ParamNumber = 0xFFFF;
        k.TaskNumber = 0xFFFF;
        k.Name.clear();
        k.Flags = 255;
        config().Changed.KtsSignalChanged = true;
    }
    kind(row) = Kind::Parameter; // a row given a controller takes a controller's parameter
    const bool inverted = m_grid.cell(row, InversionColumn).checked; // the box stays as it is
    fillRow(row);
    m_grid.cell(row, InversionColumn).checked = inverted;
    if (showControllerTree(*net))
        selectParameter(k.TaskNumber, k.ParamNumber);
}

bool KtsSignalsForm::cellChanged(int row, int column, const QString& text)
{
    if (column != BitColumn)
        return false;
    m_gridChanged = true; // stored on closing
    const KtsSignal& k = entry(row);
    if (k.ParamNumber != 0xFFFF) {
        const int bit = bitValue(text).value_or(0) & 0xFF;
        m_grid.cell(row, ParameterColumn).hint =
            slotHint(std::uint16_t((k.ParamNumber & 0xFF00) | bit), k.SetN);
    }
    return true;
}

void KtsSignalsForm::checkChanged(int, int column, bool)
{
    if (column == InversionColumn)
        m_gridChanged = true; // stored on closing
}

void KtsSignalsForm::storeReference(int row, int, const PlacedParam& placed)
{
    KtsSignal& k = entry(row);
    k.TaskNumber = placed.taskNumber;
    k.ParamNumber = placed.paramNumber;
    k.Name = placed.name;
    k.Flags = withInversion(row, 0);
    kind(row) = Kind::Parameter;
    m_grid.cell(row, KindColumn).text = kindItems()[0];
    showReferenceOf(row);
}

void KtsSignalsForm::place(int)
{
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    if (!m_grid.visible || !m_tree.visible || !m_grid.isDataCell(row, column) ||
        column > ParameterColumn)
        return;
    KtsSignal& k = entry(row);
    const int node = m_tree.selected();
    if (kind(row) == Kind::Group) {
        if (m_tree.kind != ParamTree::Kind::Groups || node < 0 || m_tree.node(node).level != 1) {
            dialogs().info(QStringLiteral("Параметр не выбран!"));
            return;
        }
        const TreeNode& n = m_tree.node(node);
        k.ParamNumber = std::uint16_t(n.slot * 256);
        k.Name = cutName(n.text);
        k.SetN = 255;
        k.Flags = withInversion(row, kGroupSource);
        m_grid.cell(row, BitColumn).grey = false;
        showReferenceOf(row);
    } else {
        const auto placed = selectedParameterOf(k.SetN);
        if (!placed)
            return;
        storeReference(row, column, *placed);
    }
    m_tree.requestFocus();
    config().Changed.KtsSignalChanged = true;
}

void KtsSignalsForm::dropOnCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column) || column != ParameterColumn)
        return;
    placeDropped(row, column);
}

void KtsSignalsForm::menuCommand(const QString& item, int row, int)
{
    if (item != deleteItem())
        return;
    if (kind(row) == Kind::None) {
        dialogs().info(QStringLiteral("Выберите параметр"));
        return;
    }
    if (!dialogs().confirm(QStringLiteral("Удалить ") + QString::number(dataIndex(row) + 1) +
                           QStringLiteral(" строку?")))
        return;
    entry(row) = KtsSignal{};
    kind(row) = Kind::None;
    fillRow(row);
    hideTree();
    config().Changed.KtsSignalChanged = true;
}

bool KtsSignalsForm::closeCheck()
{
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        const KtsSignal& k = entry(r);
        const QString& bit = m_grid.cell(r, BitColumn).text;
        QString message;
        int column = ParameterColumn;
        if (kind(r) != Kind::Group) {
            if (k.SetN != 255 && k.ParamNumber == 0xFFFF)
                message = QStringLiteral("Введите параметр или удалите строку!");
        } else if (k.ParamNumber == 0xFFFF) {
            // A bit typed for a row that has no group yet would be lost.
            if (!bit.isEmpty())
                message = QStringLiteral("Введите параметр или удалите строку!");
        } else if (bit.isEmpty()) {
            message = QStringLiteral("Введите номер бита или удалите строку!");
            column = BitColumn;
        }
        if (!message.isEmpty()) {
            m_grid.setCurrent(r, column);
            dialogs().info(message);
            return false;
        }
    }
    if (!m_gridChanged)
        return true;
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        if (!isGroup(entry(r)))
            continue;
        const auto bit = bitValue(m_grid.cell(r, BitColumn).text);
        // A cell without a number gets the message of a number out of range.
        const auto refused = ValueRules::ktsBit(bit ? qint64(*bit) : -1);
        if (refused) {
            m_grid.setCurrent(r, BitColumn);
            dialogs().info(refused->message);
            return false;
        }
    }
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r) {
        KtsSignal& k = entry(r);
        if (!inUse(k))
            continue;
        k.Flags = withInversion(r, std::uint8_t(k.Flags & ~kInversion));
        if (isGroup(k)) {
            const int bit = *bitValue(m_grid.cell(r, BitColumn).text);
            k.ParamNumber = std::uint16_t((k.ParamNumber & 0xFF00) | bit);
        }
    }
    m_gridChanged = false;
    config().Changed.KtsSignalChanged = true;
    return true;
}

bool KtsSignalsForm::RebindController(int controllerIndex)
{
    std::vector<RefSlot> refs;
    for (KtsSignal& k : config().KtsSignals) {
        if (!isGroup(k))
            refs.push_back({k.SetN, k.ParamNumber, &k.TaskNumber, &k.Name});
    }
    return RebindReferences(config(), controllerIndex, refs);
}

void KtsSignalsForm::RemoveControllerRefs(int controllerIndex)
{
    const auto net = controllerNet(controllerIndex);
    if (!net)
        return;
    const auto& groups = config().GroupParams;
    for (KtsSignal& k : config().KtsSignals) {
        if (isGroup(k)) {
            const int slot = k.ParamNumber >> 8;
            if (slot >= int(groups.size()) || !groups[std::size_t(slot)].isUsed())
                k = KtsSignal{};
        } else if (k.SetN == *net) {
            k = KtsSignal{};
        }
    }
}

} // namespace veg
