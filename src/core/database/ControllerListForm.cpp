#include "core/database/ControllerListForm.h"

#include "core/database/ControllerDatabases.h"
#include "core/ui/Dialogs.h"
#include "core/settings/DatabaseDirectories.h"
#include "core/config/GatewayConfig.h"
#include "core/database/ControllerList.h"
#include "core/database/Task_CL.h"
#include "core/database/ControllerRefsEditor.h"
#include "core/text/HexKeyFilter.h"
#include "core/text/NumberText.h"

#include <QFileInfo>

#include <algorithm>

namespace veg {

namespace {

QString noQueueText()
{
    return QStringLiteral("Очередь задач не введена");
}

QString netNumberText(std::uint8_t number)
{
    return NumberText::hex(number, 2);
}

void setFlag(ChangedFlags& flags, const ControllerRefsEditor& editor)
{
    if (bool ChangedFlags::*flag = editor.changedFlag())
        flags.*flag = true;
}

} // namespace

ControllerListForm::ControllerListForm(GatewayConfig& config,
                                       const DatabaseDirectories& directories, Dialogs& dialogs,
                                       const ControllerRefsEditors& editors)
    : m_config(config), m_directories(directories), m_dialogs(dialogs), m_editors(editors)
{
    FormActivate();
}

QString ControllerListForm::heading(int column)
{
    switch (column) {
    case NumberColumn:
        return QStringLiteral("№");
    case QueueColumn:
        return QStringLiteral("Очередь задач");
    case NetNumberColumn:
        return QStringLiteral("Сетевой номер");
    }
    return QString();
}

ControllerListForm::Row ControllerListForm::controllerRow(int index) const
{
    const ControllerEntry& e = m_config.Controllers[std::size_t(index)];
    Row r;
    r.number = QString::number(index + 1);
    r.netNumber = netNumberText(e.NetNumber);
    if (m_config.IsReadBack) {
        // A read-back knows its controllers by network number only until queues are entered.
        r.queue = e.Present ? e.QueuePath : noQueueText();
    } else {
        r.queue = e.QueuePath;
        r.marked = !e.Present;
    }
    return r;
}

void ControllerListForm::FormActivate()
{
    m_rows.clear();
    m_rows.push_back(Row{heading(NumberColumn), heading(QueueColumn), heading(NetNumberColumn)});
    for (int i = 0; i < int(m_config.Controllers.size()); ++i)
        m_rows.push_back(controllerRow(i));
    m_rows.push_back(Row{});
    message.clear();
    hideMessage();
    updateMarkerNote();

    const auto marked =
        std::find_if(m_rows.begin() + 1, m_rows.end(), [](const Row& r) { return r.marked; });
    selectedRow = marked == m_rows.end() ? 1 : int(marked - m_rows.begin());
    selectedColumn = NetNumberColumn;
}

bool ControllerListForm::selectCell(int row, int column)
{
    if (row < 1 || row >= rowCount())
        return false;
    if (row != selectedRow && !leaveCell())
        return false;
    selectedRow = row;
    selectedColumn = NetNumberColumn;
    return true;
}

void ControllerListForm::showMessage(const QString& text)
{
    message = text;
    messageVisible = true;
}

bool ControllerListForm::databaseDirectoriesSet()
{
    const DatabaseDirectories& d = m_directories;
    if (d.WayAlg.isEmpty() || d.WayMod.isEmpty() || d.WayTask.isEmpty()) {
        showMessage(QStringLiteral("Не указан путь к базе данных!"));
        return false;
    }
    return true;
}

void ControllerListForm::updateMarkerNote()
{
    markerNoteVisible =
        std::any_of(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.marked; });
}

void ControllerListForm::renumber()
{
    for (int r = 1; r < trailingRow(); ++r)
        m_rows[std::size_t(r)].number = QString::number(r);
}

Dialogs::OpenFileRequest ControllerListForm::queueDialog(const QString& caption) const
{
    // Queue files are kept with the database's task templates: the dialog starts there.
    return {caption, fileFilter(), kTskFilter, m_directories.WayTask};
}

void ControllerListForm::addController()
{
    if (!databaseDirectoriesSet())
        return;
    const auto path = m_dialogs.openFile(queueDialog(addCaption()));
    if (path)
        SetQueue(trailingRow(), *path, false);
}

void ControllerListForm::enterQueue()
{
    if (!databaseDirectoriesSet())
        return;
    if (!isControllerRow(selectedRow)) {
        m_dialogs.info(QStringLiteral("Контроллер не задан!"));
        return;
    }
    const int row = selectedRow;
    const auto path = m_dialogs.openFile(queueDialog(enterQueueCaption()));
    if (!path)
        return;
    // A refused path left the controller as it was: there is nothing to re-check.
    if (SetQueue(row, *path, true))
        Revalidate(row - 1);
    updateMarkerNote();
}

bool ControllerListForm::SetQueue(int row, QString path, bool replace)
{
    if (replace ? !isControllerRow(row) : row != trailingRow())
        return false;
    path.remove(u'"');
    if (path.isEmpty()) {
        showMessage(QStringLiteral("Не указана очередь задач"));
        return false;
    }
    if (!QFileInfo(path).isFile()) {
        showMessage(QStringLiteral("Файл ") + path + QStringLiteral(" не существует"));
        return false;
    }

    auto database = controllerDatabaseReader()(path, m_directories);
    Row& cells = m_rows[std::size_t(row)];
    cells.queue = path;
    cells.marked = false;
    if (replace) {
        // The controller keeps its network number whatever the new queue header says: the
        // tables name it by that number.
        ControllerEntry& e = m_config.Controllers[std::size_t(row - 1)];
        e.Database = std::move(database);
        e.QueuePath = path;
        e.Present = true;
    } else {
        ControllerEntry e;
        // Network numbers on CAN-BUS are one byte; the header holds them in a word.
        e.NetNumber = static_cast<std::uint8_t>(database->netNumber());
        e.Database = std::move(database);
        e.QueuePath = path;
        e.Present = true;
        m_config.Controllers.push_back(std::move(e));
        cells = controllerRow(int(m_config.Controllers.size()) - 1);
        m_rows.push_back(Row{});
    }
    m_config.Changed.ControllersChanged = true;
    hideMessage();
    return true;
}

bool ControllerListForm::Revalidate(int controllerIndex)
{
    if (controllerIndex < 0 || controllerIndex >= int(m_config.Controllers.size()))
        return false;
    m_config.Changed.ControllersChanged = true;
    for (ControllerRefsEditor* editor : m_editors.forRebind(m_config.Protocol)) {
        if (!editor->RebindController(controllerIndex)) {
            m_config.Controllers[std::size_t(controllerIndex)].Present = false;
            m_dialogs.info(
                QStringLiteral("Неверно введена очередь задач! Заданные параметры не найдены"));
            m_rows[std::size_t(controllerIndex + 1)].queue = noQueueText();
            return false;
        }
        // An editor that passed has re-described its references: its table must be saved even
        // when a later editor fails.
        setFlag(m_config.Changed, *editor);
    }
    return true;
}

void ControllerListForm::removeController()
{
    const int row = selectedRow;
    if (isControllerRow(row)) {
        const QString question = QStringLiteral("Удалить \"") + m_rows[std::size_t(row)].queue +
                                 QStringLiteral("\"? ВНИМАНИЕ! ВСЕ ПАРАМЕТРЫ, ОТНОСЯЩИЕСЯ К "
                                                "ЭТОМУ МОДУЛЮ, БУДУТ УДАЛЕНЫ!");
        if (m_dialogs.confirm(question)) {
            const int index = row - 1;
            // The editors find the controller's network number by its index, so they go first.
            for (ControllerRefsEditor* editor : m_editors.forRemoval(m_config.Protocol)) {
                editor->RemoveControllerRefs(index);
                setFlag(m_config.Changed, *editor);
            }
            RemoveController(m_config.Controllers, index);
            m_rows.erase(m_rows.begin() + row);
            renumber();
            m_config.Changed.ControllersChanged = true;
            updateMarkerNote();
            selectedRow = std::min(selectedRow, trailingRow());
            selectedColumn = NetNumberColumn;
        }
    }
    hideMessage();
}

bool ControllerListForm::selectedEditable() const
{
    return selectedColumn == NetNumberColumn && isControllerRow(selectedRow);
}

QChar ControllerListForm::netNumberKey(QChar key, int length) const
{
    if (!selectedEditable())
        return QChar(0);
    if (key.unicode() == 8)
        return key;
    if (length >= 2)
        return QChar(0);
    return HexKeyFilter(key);
}

void ControllerListForm::deleteKey()
{
    if (selectedEditable())
        m_rows[std::size_t(selectedRow)].netNumber.clear();
}

bool ControllerListForm::leaveCell()
{
    if (!isControllerRow(selectedRow))
        return true;
    const Row& cells = m_rows[std::size_t(selectedRow)];
    const ControllerEntry& e = m_config.Controllers[std::size_t(selectedRow - 1)];
    if (cells.netNumber == netNumberText(e.NetNumber))
        return true;
    return netNumberEdited(selectedRow, cells.netNumber);
}

bool ControllerListForm::netNumberEdited(int row, const QString& text)
{
    if (!isControllerRow(row))
        return false;
    ControllerEntry& e = m_config.Controllers[std::size_t(row - 1)];
    Row& cells = m_rows[std::size_t(row)];
    // Blanks pass the hexadecimal key filter, but they are no digits.
    const QString digits = text.trimmed();
    if (digits.isEmpty()) {
        m_dialogs.info(QStringLiteral("Введите значение!"));
        cells.netNumber = netNumberText(e.NetNumber);
        return false;
    }
    const auto value = NumberText::parseHex(digits);
    if (!value || *value > 0xFF) {
        m_dialogs.info(NumberText::notAnInteger(text));
        cells.netNumber = netNumberText(e.NetNumber);
        return false;
    }
    // A new text is a change, also when it names the same number ("A" over "0A").
    const auto number = static_cast<std::uint8_t>(*value);
    if (text != netNumberText(e.NetNumber) || number != e.NetNumber)
        m_config.Changed.ControllersChanged = true;
    e.NetNumber = number;
    cells.netNumber = netNumberText(number);
    return true;
}

} // namespace veg
