#include "core/editors/HartDevicesForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/ReferenceRules.h"
#include "core/text/NumberText.h"

namespace veg {

namespace {

using H = HartDevicesForm;

const char* const kTitles[H::RowCount] = {
    "Параметры",
    "Тип устройства HART",
    "Номер устройства HART",
    "Код устройства HART",
    "CAN-адрес модуля устройства HART",
    "Параметр за текущий месяц",
    "Параметр отказа",
    "Параметр \"часовой архив\"",
    "Параметр \"суточный архив\"",
    "Параметр \"месячный архив\"",
    "Глубина часового архива",
};

} // namespace

QString HartDevicesForm::rowTitle(int row)
{
    return row >= 0 && row < RowCount ? QString::fromUtf8(kTitles[row]) : QString();
}

namespace {

bool isSlotRow(int row)
{
    return row >= H::FirstSlotRow && row <= H::LastSlotRow;
}

bool isCodeRow(int row)
{
    return row >= H::TypeRow && row <= H::CodeRow;
}

std::uint8_t HartDevice::*codeField(int row)
{
    switch (row) {
    case H::TypeRow:
        return &HartDevice::TypeHart;
    case H::NumberRow:
        return &HartDevice::NomHart;
    default:
        return &HartDevice::KodHart;
    }
}

} // namespace

HartDevicesForm::HartDevicesForm(EditorSession& session) : ControllerTreeForm(session)
{
    m_grid.reset(RowCount, 2, 1, 1);
    m_rowNumbers = false;
    m_grid.widths = {250, 330};
    for (int r = 0; r < RowCount; ++r)
        m_grid.cell(r, 0).text = QString::fromUtf8(kTitles[r]);
    for (int r = 1; r < RowCount; ++r) {
        GridCell& cell = m_grid.cell(r, 1);
        if (isCodeRow(r))
            cell.kind = CellKind::Hex;
        else if (r == ControllerRow)
            cell.kind = CellKind::DropDown;
        else if (r == DepthRow)
            cell.grey = true;
        else
            cell.reference = true;
    }
}

bool HartDevicesForm::offers(const Task_CL&, const TaskRecord&, const ParamCandidate& c) const
{
    const int masked = c.TypeCode & 0x87;
    return masked == 4 || masked == 2;
}

HartDevice& HartDevicesForm::current() const
{
    return config().HartDevices[std::size_t(m_device)];
}

GroupParamRef& HartDevicesForm::slot(int n) const
{
    return config().GroupParams[std::size_t(hartGroupRow(m_device, n))];
}

void HartDevicesForm::fillRow(int row)
{
    GridCell& c = m_grid.cell(row, 1);
    const HartDevice& d = current();
    c.hint.clear();
    if (isSlotRow(row)) {
        const GroupParamRef& g = slot(row - FirstSlotRow);
        c.hint = slotHint(g.ParamNumber, d.SetN);
    }
    if (d.SetN == 255) {
        c.text = row == DepthRow ? QString() : marker();
        return;
    }
    if (isCodeRow(row)) {
        c.text = NumberText::hex(d.*codeField(row), 2);
    } else if (row == ControllerRow) {
        c.text = controllerText(d.SetN);
    } else if (row == DepthRow) {
        c.text = d.RazmHour != 255 ? QString::number(d.RazmHour) : QString();
    } else {
        const GroupParamRef& g = slot(row - FirstSlotRow);
        c.text = g.isUsed() ? shownName(d.SetN, g.ParamNumber, g.Name) : marker();
    }
}

void HartDevicesForm::showDevice()
{
    m_grid.cell(0, 1).text = QStringLiteral("Устройство HART - ") + QString::number(m_device + 1);
    for (int r = 1; r < RowCount; ++r)
        fillRow(r);
    m_grid.setCurrent(TypeRow, 1);
    syncTree();
}

void HartDevicesForm::FormActivate()
{
    beginActivation();
    m_deviceChanged = false;
    m_device = 0;
    const bool tables = int(config().HartDevices.size()) == Rows::HartDevices &&
                        int(config().GroupParams.size()) >= hartGroupRow(Rows::HartDevices, 0);
    if (config().Controllers.empty() || !tables) {
        m_grid.visible = false;
        m_grid.cell(0, 1).text = QStringLiteral("Устройство HART - 1");
        if (tables)
            dialogs().info(QStringLiteral("Нет списка контроллеров!"));
    } else {
        m_grid.visible = true;
        showDevice();
    }
    m_filling = false;
}

void HartDevicesForm::syncTree()
{
    const HartDevice& d = current();
    if (!showControllerTree(d.SetN))
        return;
    const int row = m_grid.currentRow;
    if (!isSlotRow(row)) {
        selectFirstNode();
        return;
    }
    const GroupParamRef& g = slot(row - FirstSlotRow);
    if (g.isUsed())
        selectParameter(g.TaskNumber, g.ParamNumber);
}

void HartDevicesForm::clickCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column))
        return;
    if (row == DepthRow)
        row = LastSlotRow;
    m_grid.setCurrent(row, column);
    if (m_clickSync && !m_filling && isSlotRow(row))
        syncTree();
}

std::vector<FormField> HartDevicesForm::fields() const
{
    FormField selector;
    selector.id = deviceField();
    selector.caption = QStringLiteral("Условный номер устройства");
    selector.kind = FormField::Kind::Choice;
    for (int d = 1; d <= Rows::HartDevices; ++d)
        selector.items << QString::number(d);
    selector.index = m_device;
    selector.visible = m_grid.visible;
    FormField place;
    place.id = placeButton();
    place.caption = QStringLiteral("<<Поместить");
    place.kind = FormField::Kind::Button;
    place.visible = m_grid.visible;
    return {selector, place};
}

void HartDevicesForm::chooseField(const QString& id, int index)
{
    if (id != deviceField() || index < 0 || index >= Rows::HartDevices || !m_grid.visible)
        return;
    storeCodes();
    m_device = index;
    showDevice();
}

void HartDevicesForm::storeCodes()
{
    if (!m_deviceChanged)
        return;
    m_deviceChanged = false;
    HartDevice& d = current();
    for (int r = TypeRow; r <= CodeRow; ++r) {
        const QString text = m_grid.cell(r, 1).text;
        if (text.isEmpty() || text == marker())
            continue;
        if (const auto v = NumberText::parseHex(text); v && *v <= 0xFF)
            d.*codeField(r) = std::uint8_t(*v);
    }
    config().Changed.HartChanged = true;
}

bool HartDevicesForm::isReferenceCell(int row, int column) const
{
    return m_grid.isDataCell(row, column) && isSlotRow(row);
}

CellEdit HartDevicesForm::editorFor(int row, int column) const
{
    CellEdit e = TableEditorForm::editorFor(row, column);
    if (isCodeRow(row))
        e.maxLength = 2;
    return e;
}

QStringList HartDevicesForm::dropDownItems(int, int) const
{
    return controllerItems();
}

bool HartDevicesForm::cellChanged(int row, int, const QString&)
{
    if (!isCodeRow(row))
        return false;
    m_deviceChanged = true; // stored with the next device or on closing
    return true;
}

void HartDevicesForm::resetSlots()
{
    for (int n = 0; n < Rows::ParamsPerHartDevice; ++n)
        slot(n) = GroupParamRef{};
}

void HartDevicesForm::choiceMade(int row, int, int index)
{
    const auto net = controllerNet(index);
    if (row != ControllerRow || !net)
        return;
    HartDevice& d = current();
    if (d.SetN != *net) {
        // Another controller: the five parameters were that controller's. The same one chosen
        // again keeps them.
        d.SetN = *net;
        d.RazmHour = 255;
        resetSlots();
        config().Changed.HartChanged = true;
    }
    for (int r = ControllerRow; r < RowCount; ++r)
        fillRow(r);
    syncTree();
}

void HartDevicesForm::storeReference(int row, int, const PlacedParam& placed)
{
    GroupParamRef& g = slot(row - FirstSlotRow);
    g.TaskNumber = placed.taskNumber;
    g.ParamNumber = placed.paramNumber;
    g.Name = placed.name;
    showReference(row, 1, placed.name, slotHint(g.ParamNumber, current().SetN));
}

void HartDevicesForm::place(int)
{
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    if (!m_grid.visible || !isReferenceCell(row, column) || shownController() < 0)
        return;
    HartDevice& d = current();
    const auto placed = placedParameter(m_tree, m_tree.selected(), config());
    if (!placed) {
        dialogs().info(QStringLiteral("Параметр не выбран!"));
        return;
    }
    if (placed->netNumber != d.SetN)
        return; // the tree always shows the device's controller
    const int depth = placed->archiveDepth;
    QString refusal;
    if (row >= FirstArchiveRow && depth == 0)
        refusal = QStringLiteral("Параметр не является архивным!");
    else if (row < FirstArchiveRow && depth != 0)
        refusal = QStringLiteral("Выбран архивный параметр!");
    else if (depth > 254)
        refusal = QStringLiteral("Глубина часового архива не больше 254!");
    if (!refusal.isEmpty()) {
        dialogs().info(refusal);
        return;
    }
    storeReference(row, column, *placed);
    if (depth > 1) {
        d.RazmHour = std::uint8_t(depth);
        fillRow(DepthRow);
    }
    m_tree.requestFocus();
    config().Changed.HartChanged = true;
}

void HartDevicesForm::dropOnCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column) || !isSlotRow(row))
        return;
    placeDropped(row, column);
}

void HartDevicesForm::menuCommand(const QString& item, int row, int column)
{
    if (item != deleteItem())
        return;
    const QString text = m_grid.cell(row, column).text;
    if (row < ControllerRow || row > LastSlotRow || text.isEmpty() || text == marker()) {
        dialogs().info(QStringLiteral("Выберите параметр"));
        return;
    }
    if (!dialogs().confirm(QStringLiteral("Удалить параметр ") + text + u'?'))
        return;
    HartDevice& d = current();
    if (row == ControllerRow) {
        d.SetN = 255;
        d.RazmHour = 255;
        resetSlots();
        hideTree();
        m_grid.cell(ControllerRow, 1).text = marker();
        for (int r = FirstSlotRow; r < RowCount; ++r)
            fillRow(r);
    } else {
        slot(row - FirstSlotRow) = GroupParamRef{};
        fillRow(row);
        if (row == HourlyRow) {
            d.RazmHour = 255;
            fillRow(DepthRow);
        }
    }
    config().Changed.HartChanged = true;
}

bool HartDevicesForm::closeCheck()
{
    storeCodes();
    return true;
}

bool HartDevicesForm::RebindController(int controllerIndex)
{
    std::vector<RefSlot> refs;
    for (int d = 0; d < int(config().HartDevices.size()); ++d) {
        const std::uint8_t net = config().HartDevices[std::size_t(d)].SetN;
        for (int n = 0; n < Rows::ParamsPerHartDevice; ++n) {
            GroupParamRef& g = config().GroupParams[std::size_t(hartGroupRow(d, n))];
            refs.push_back({net, g.ParamNumber, &g.TaskNumber, &g.Name});
        }
    }
    return RebindReferences(config(), controllerIndex, refs);
}

void HartDevicesForm::RemoveControllerRefs(int controllerIndex)
{
    const auto net = controllerNet(controllerIndex);
    if (!net)
        return;
    // The device is reset; its five parameter slots stay as they are.
    for (HartDevice& d : config().HartDevices) {
        if (d.SetN == *net)
            d = HartDevice{};
    }
}

} // namespace veg
