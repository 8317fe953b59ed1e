#include "core/editors/UnkThreadsForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/ReferenceRules.h"
#include "core/text/HexKeyFilter.h"
#include "core/text/NumberText.h"

namespace veg {

namespace {

using U = UnkThreadsForm;

const char* const kTitles[U::RowCount] = {
    "Название параметров",
    "Имя нитки",
    "Пароль записи",
    "Тип измерения расхода",
    "Способ отбора",
    "CAN-адрес модуля на нитке",
    "Плотность газа",
    "Процент CO2",
    "Процент азота",
    "Диаметр трубопровода",
    "Диаметр сужающего устройства",
    "Атмосферное давление",
    "Минимальный перепад",
    "Архив расхода по суткам",
    "Резервный архив по суткам",
    "Архив перепада по суткам",
    "Архив давления по суткам",
    "Архив температуры по суткам",
    "Архив вспомогательный по суткам",
    "Архив расхода по часам",
    "Резервный архив по часам",
    "Архив перепада по часам",
    "Архив давления по часам",
    "Архив температуры по часам",
    "Архив вспомогательный по часам",
    "Глубина часовых архивов",
};

} // namespace

QString UnkThreadsForm::rowTitle(int row)
{
    return row >= 0 && row < RowCount ? QString::fromUtf8(kTitles[row]) : QString();
}

namespace {

bool isSlotRow(int row)
{
    return row >= U::FirstSlotRow && row <= U::LastSlotRow;
}

// Slot numbers from 0xFF00 on name no parameter.
bool holdsParameter(const GroupParamRef& g)
{
    return g.ParamNumber < 0xFF00;
}

// An hourly depth of 0 is as good as none: no archive is 0 hours deep.
bool depthSet(std::uint8_t depth)
{
    return depth != 255 && depth != 0;
}

QString passwordText(const Password& p)
{
    QStringList bytes;
    for (std::uint8_t b : p)
        bytes << NumberText::hex(b, 2);
    return bytes.join(u' ');
}

// The blank-separated byte texts of a password cell, from the first byte on; a text that does
// not read gives 0.
Password passwordBytes(const QString& text)
{
    Password out{};
    const QStringList groups = text.split(u' ', Qt::SkipEmptyParts);
    for (int i = 0; i < groups.size() && i < int(out.size()); ++i)
        out[std::size_t(i)] = std::uint8_t(NumberText::parseHex(groups[i]).value_or(0) & 0xFF);
    return out;
}

} // namespace

UnkThreadsForm::UnkThreadsForm(EditorSession& session) : ControllerTreeForm(session)
{
    m_grid.reset(RowCount, 1 + Rows::UnkThreads, 1, 1);
    m_rowNumbers = false;
    m_grid.widths = {210, 330, 330, 330};
    const QString headings[] = {QString::fromUtf8(kTitles[0]), QStringLiteral("1-я нитка"),
                                QStringLiteral("2-я нитка "), QStringLiteral("3-я нитка")};
    for (int c = 0; c < m_grid.columnCount(); ++c)
        m_grid.cell(0, c).text = headings[c];
    for (int r = 1; r < RowCount; ++r) {
        m_grid.cell(r, 0).text = QString::fromUtf8(kTitles[r]);
        for (int c = 1; c < m_grid.columnCount(); ++c) {
            GridCell& cell = m_grid.cell(r, c);
            switch (r) {
            case NameRow:
                cell.kind = CellKind::Text;
                break;
            case PasswordRow:
                cell.kind = CellKind::Mask;
                break;
            case TypeRow:
            case SelectionRow:
                cell.kind = CellKind::Hex;
                break;
            case ControllerRow:
                cell.kind = CellKind::DropDown;
                break;
            case DepthRow:
                cell.grey = true;
                break;
            default:
                cell.reference = true;
                break;
            }
        }
    }
}

QString UnkThreadsForm::passwordMask()
{
    return QStringList(16, QStringLiteral("HH")).join(u' ');
}

bool UnkThreadsForm::offers(const Task_CL&, const TaskRecord&, const ParamCandidate& c) const
{
    return (c.TypeCode & 0x87) == 4;
}

UnkThread& UnkThreadsForm::thread(int t) const
{
    return config().UnkThreads[std::size_t(t)];
}

GroupParamRef& UnkThreadsForm::slot(int t, int n) const
{
    return config().GroupParams[std::size_t(unkGroupRow(t, n))];
}

void UnkThreadsForm::showCell(int row, int t)
{
    GridCell& c = m_grid.cell(row, t + 1);
    const UnkThread& u = thread(t);
    c.hint.clear();
    if (isSlotRow(row)) {
        const GroupParamRef& g = slot(t, row - FirstSlotRow);
        c.hint = u.SetN == 255 ? QStringLiteral("FFFF FF") : slotHint(g.ParamNumber, u.SetN);
    }
    if (u.SetN == 255) {
        c.text = row == DepthRow ? QString() : marker();
        return;
    }
    switch (row) {
    case NameRow: {
        QString name = u.Name;
        while (name.endsWith(u' '))
            name.chop(1); // the blanks that pad it to 16
        c.text = name;
        break;
    }
    case PasswordRow:
        c.text = passwordText(u.Parole);
        break;
    case TypeRow:
        c.text = NumberText::hex(u.TypeMeas, 2);
        break;
    case SelectionRow:
        c.text = NumberText::hex(u.Selection, 2);
        break;
    case ControllerRow:
        c.text = controllerText(u.SetN);
        break;
    case DepthRow:
        c.text = u.RazmHour != 255 ? QString::number(u.RazmHour) : QString();
        break;
    default: {
        const GroupParamRef& g = slot(t, row - FirstSlotRow);
        c.text = holdsParameter(g) ? shownName(u.SetN, g.ParamNumber, g.Name) : marker();
        break;
    }
    }
}

void UnkThreadsForm::fillRow(int row)
{
    for (int t = 0; t < Rows::UnkThreads; ++t)
        showCell(row, t);
}

void UnkThreadsForm::showThread(int t)
{
    for (int r = 1; r < RowCount; ++r)
        showCell(r, t);
}

void UnkThreadsForm::FormActivate()
{
    beginActivation();
    m_gridChanged = false;
    m_grid.setCurrent(NameRow, 1);
    m_timePassword = passwordText(config().ParoleWr);
    if (int(config().UnkThreads.size()) != Rows::UnkThreads ||
        int(config().GroupParams.size()) < unkGroupRow(Rows::UnkThreads, 0)) {
        m_grid.visible = false; // not an УНК ТМ configuration
        m_filling = false;
        return;
    }
    for (int t = 0; t < Rows::UnkThreads; ++t)
        showThread(t);
    if (config().Controllers.empty()) {
        m_grid.visible = false;
        dialogs().info(QStringLiteral("Нет списка контроллеров!"));
    } else {
        m_grid.visible = true;
        syncTree();
    }
    m_filling = false;
}

void UnkThreadsForm::syncTree()
{
    const int row = m_grid.currentRow, t = m_grid.currentColumn - 1;
    if (t < 0 || !showControllerTree(thread(t).SetN))
        return;
    if (row <= ControllerRow) {
        selectFirstNode();
    } else if (isSlotRow(row)) {
        const GroupParamRef& g = slot(t, row - FirstSlotRow);
        if (holdsParameter(g))
            selectParameter(g.TaskNumber, g.ParamNumber);
    }
}

void UnkThreadsForm::clickCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column))
        return;
    m_grid.setCurrent(row == DepthRow ? LastSlotRow : row, column);
    if (m_clickSync && !m_filling)
        syncTree();
}

bool UnkThreadsForm::isReferenceCell(int row, int column) const
{
    return m_grid.isDataCell(row, column) && isSlotRow(row);
}

CellEdit UnkThreadsForm::editorFor(int row, int column) const
{
    CellEdit e = TableEditorForm::editorFor(row, column);
    switch (row) {
    case NameRow:
        e.maxLength = kThreadNameLength;
        break;
    case PasswordRow:
        e.mask = passwordMask();
        break;
    case TypeRow:
    case SelectionRow:
        e.maxLength = 2;
        break;
    default:
        break;
    }
    return e;
}

QStringList UnkThreadsForm::dropDownItems(int, int) const
{
    return controllerItems();
}

bool UnkThreadsForm::cellChanged(int row, int, const QString&)
{
    if (row < NameRow || row > SelectionRow)
        return false;
    m_gridChanged = true; // stored on closing
    return true;
}

void UnkThreadsForm::resetSlots(int t)
{
    for (int n = 0; n < Rows::ParamsPerUnkThread; ++n)
        slot(t, n) = GroupParamRef{};
}

void UnkThreadsForm::choiceMade(int row, int column, int index)
{
    const int t = column - 1;
    const auto net = controllerNet(index);
    if (row != ControllerRow || !net)
        return;
    UnkThread& u = thread(t);
    if (u.SetN != *net) {
        // Another controller: the thread's parameters were that controller's. The same one
        // chosen again keeps them.
        u.SetN = *net;
        resetSlots(t);
        u.RazmHour = 255;
        config().Changed.UnkChanged = true;
    }
    for (int r = ControllerRow; r < RowCount; ++r)
        showCell(r, t);
    syncTree();
}

void UnkThreadsForm::storeReference(int row, int column, const PlacedParam& placed)
{
    const int t = column - 1;
    GroupParamRef& g = slot(t, row - FirstSlotRow);
    g.TaskNumber = placed.taskNumber;
    g.ParamNumber = placed.paramNumber;
    g.Name = placed.name;
    showReference(row, column, placed.name, slotHint(g.ParamNumber, thread(t).SetN));
}

void UnkThreadsForm::place(int)
{
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    if (!m_grid.visible || !isReferenceCell(row, column))
        return;
    const int t = column - 1;
    UnkThread& u = thread(t);
    if (u.SetN == 255 || shownController() < 0)
        return;
    const auto placed = selectedParameterOf(u.SetN);
    if (!placed)
        return;
    const int depth = placed->archiveDepth;
    QString refusal;
    if (row >= FirstArchiveRow) {
        if (depth == 0)
            refusal = QStringLiteral("Параметр не является архивным!");
        else if (depth >= 2 && depthSet(u.RazmHour) && u.RazmHour != depth)
            refusal = QStringLiteral("Размер архива не совпадает с ранее выбранным!");
        else if (depth > 254)
            refusal = QStringLiteral("Глубина часового архива не больше 254!");
    } else if (depth != 0) {
        refusal = QStringLiteral("Выбран архивный параметр!");
    }
    if (!refusal.isEmpty()) {
        dialogs().info(refusal);
        return;
    }
    storeReference(row, column, *placed);
    if (depth > 1) {
        u.RazmHour = std::uint8_t(depth);
        showCell(DepthRow, t);
    }
    m_tree.requestFocus();
    config().Changed.UnkChanged = true;
}

void UnkThreadsForm::dropOnCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column) || !isSlotRow(row))
        return; // the rows of the thread's own fields and its depth take no parameter
    const int shown = shownController();
    const std::uint8_t net = thread(column - 1).SetN;
    if (shown < 0 || net == 255 || config().Controllers[std::size_t(shown)].NetNumber != net) {
        dialogs().info(QStringLiteral("Неправильный выбор!"));
        return;
    }
    placeDropped(row, column);
}

QStringList UnkThreadsForm::menuItems(int row, int) const
{
    QStringList items;
    if (row >= ControllerRow && row <= LastSlotRow)
        items << deleteParameterItem();
    if (row >= SelectionRow)
        items << deleteThreadItem();
    return items;
}

void UnkThreadsForm::menuCommand(const QString& item, int row, int column)
{
    const int t = column - 1;
    if (item == deleteParameterItem()) {
        // The question names what the cell shows, "нет" too.
        const QString text = m_grid.cell(row, column).text;
        if (dialogs().confirm(QStringLiteral("Удалить параметр ") + text + u'?'))
            deleteParameter(row, t);
    } else if (item == deleteThreadItem()) {
        if (dialogs().confirm(QStringLiteral("Удалить ") + QString::number(column) +
                              QStringLiteral("-ю нитку?")))
            deleteThread(t);
    }
}

void UnkThreadsForm::deleteParameter(int row, int t)
{
    UnkThread& u = thread(t);
    if (row == ControllerRow) {
        u.SetN = 255;
        u.RazmHour = 255;
        resetSlots(t);
        hideTree();
        m_grid.cell(ControllerRow, t + 1).text = marker();
        for (int r = FirstSlotRow; r < RowCount; ++r)
            showCell(r, t);
    } else {
        slot(t, row - FirstSlotRow) = GroupParamRef{};
        showCell(row, t);
        if (row >= FirstArchiveRow && !deepArchiveStands(t)) {
            // No archive of more than one record a day is left: no depth either, so that the
            // next one may have its own. The gateway gets the depth of the archives that stay.
            u.RazmHour = 255;
            showCell(DepthRow, t);
        }
    }
    config().Changed.UnkChanged = true;
}

bool UnkThreadsForm::deepArchiveStands(int t) const
{
    const auto controller = config().ControllerIndex(thread(t).SetN);
    const Task_CL* database = nullptr;
    if (controller &&
        (!config().IsReadBack || config().Controllers[std::size_t(*controller)].Present))
        database = config().Controllers[std::size_t(*controller)].Database.get();
    for (int r = FirstArchiveRow; r <= LastSlotRow; ++r) {
        const GroupParamRef& g = slot(t, r - FirstSlotRow);
        if (!holdsParameter(g))
            continue;
        // An archive whose depth the database cannot tell may be the deep one: it keeps the
        // depth.
        const auto depth =
            database ? archiveDepthOf(*database, g.TaskNumber, g.ParamNumber) : std::nullopt;
        if (!depth || *depth > 1)
            return true;
    }
    return false;
}

void UnkThreadsForm::deleteThread(int t)
{
    thread(t) = UnkThread{};
    resetSlots(t);
    hideTree();
    showThread(t);
    config().Changed.UnkChanged = true;
}

std::vector<FormField> UnkThreadsForm::fields() const
{
    std::vector<FormField> out = TableEditorForm::fields();
    FormField f;
    f.id = timePasswordField();
    f.caption = QStringLiteral("Пароль записи времени и даты");
    f.kind = FormField::Kind::Text;
    f.mask = passwordMask();
    f.text = m_timePassword;
    f.visible = m_grid.visible;
    out.push_back(f);
    return out;
}

QChar UnkThreadsForm::fieldKey(const QString& id, QChar key, int, int)
{
    if (id != timePasswordField())
        return QChar(0);
    if (key.unicode() == 8)
        return key;
    const QChar k = HexKeyFilter(key);
    return k == u' ' ? QChar(0) : k;
}

void UnkThreadsForm::editField(const QString& id, const QString& text)
{
    if (id != timePasswordField() || text == m_timePassword)
        return;
    m_timePassword = text;
    m_gridChanged = true;
}

void UnkThreadsForm::leaveField(const QString& id)
{
    if (id == timePasswordField() && m_timePassword.contains(u'_') &&
        dialogs().confirm(QStringLiteral("Введены не все данные.Заменить нулями?")))
        m_timePassword.replace(u'_', u'0');
}

bool UnkThreadsForm::closeCheck()
{
    if (!m_gridChanged)
        return true;
    // The questions first: a No keeps the window open before anything is stored.
    for (int t = 0; t < Rows::UnkThreads; ++t) {
        GridCell& c = m_grid.cell(PasswordRow, t + 1);
        if (c.text == marker() || !c.text.contains(u'_'))
            continue;
        if (!dialogs().confirm(
                QStringLiteral("В пароле записи введены не все данные.Заменить нулями?"))) {
            m_grid.setCurrent(PasswordRow, t + 1);
            return false;
        }
        c.text.replace(u'_', u'0');
    }
    if (m_timePassword.contains(u'_')) {
        if (!dialogs().confirm(QStringLiteral(
                "В пароле записи времени и даты введены не все данные.Заменить нулями?")))
            return false;
        m_timePassword.replace(u'_', u'0');
    }
    for (int t = 0; t < Rows::UnkThreads; ++t) {
        UnkThread& u = thread(t);
        auto cell = [&](int row) { return m_grid.cell(row, t + 1).text; };
        u.Name = threadName(cell(NameRow) == marker() ? QString() : cell(NameRow));
        u.Parole = cell(PasswordRow) == marker() ? Password{} : passwordBytes(cell(PasswordRow));
        for (auto [row, field] : {std::pair{TypeRow, &UnkThread::TypeMeas},
                                  std::pair{SelectionRow, &UnkThread::Selection}}) {
            const QString text = cell(row);
            if (text.isEmpty() || text == marker())
                continue;
            if (const auto v = NumberText::parseHex(text); v && *v <= 0xFF)
                u.*field = std::uint8_t(*v);
        }
    }
    config().ParoleWr = passwordBytes(m_timePassword);
    m_gridChanged = false;
    config().Changed.UnkChanged = true;
    return true;
}

bool UnkThreadsForm::RebindController(int controllerIndex)
{
    std::vector<RefSlot> refs;
    for (int t = 0; t < int(config().UnkThreads.size()); ++t) {
        const std::uint8_t net = thread(t).SetN;
        for (int n = 0; n < Rows::ParamsPerUnkThread; ++n) {
            GroupParamRef& g = slot(t, n);
            refs.push_back({net, holdsParameter(g) ? g.ParamNumber : std::uint16_t(0xFFFF),
                            &g.TaskNumber, &g.Name});
        }
    }
    return RebindReferences(config(), controllerIndex, refs);
}

void UnkThreadsForm::RemoveControllerRefs(int controllerIndex)
{
    const auto net = controllerNet(controllerIndex);
    if (!net)
        return;
    for (int t = 0; t < int(config().UnkThreads.size()); ++t) {
        if (thread(t).SetN == *net) {
            thread(t) = UnkThread{};
            resetSlots(t);
        }
    }
}

} // namespace veg
