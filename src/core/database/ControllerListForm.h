#pragma once

#include "core/ui/Dialogs.h"

#include <QChar>
#include <QString>

#include <vector>

namespace veg {

class ControllerRefsEditors;
class GatewayConfig;
struct DatabaseDirectories;

// The rules of the window "Определение списка контроллеров": the configuration's controllers as
// a grid (row 0 the headings, one row per controller, then one empty row where a controller is
// added), the message line, the marker of rows whose queue file was not found, and the commands
// of the grid's context menu. Every change goes into the configuration at once.
//
// Rows are addressed as in the grid: row r >= 1 is controller r - 1.
class ControllerListForm
{
public:
    // `directories` are the active library directories every controller database is built with.
    ControllerListForm(GatewayConfig& config, const DatabaseDirectories& directories,
                       Dialogs& dialogs, const ControllerRefsEditors& editors);

    enum Column
    {
        NumberColumn = 0,
        QueueColumn = 1,
        NetNumberColumn = 2
    };
    static constexpr int kColumnCount = 3;

    struct Row
    {
        // Column 0: the row number from 1.
        QString number;
        // Column 1: the queue file, or "Очередь задач не введена".
        QString queue;
        // Column 2: the network number as the cell shows it (empty while Delete cleared it).
        QString netNumber;
        // The number cell carries the marker colour: the queue file was not found.
        bool marked = false;

        friend bool operator==(const Row&, const Row&) = default;
    };

    const std::vector<Row>& rows() const { return m_rows; }
    int rowCount() const { return int(m_rows.size()); }
    // The empty row after the controllers.
    int trailingRow() const { return rowCount() - 1; }
    bool isControllerRow(int row) const { return row >= 1 && row < trailingRow(); }
    static QString heading(int column);

    QString message; // the message line
    bool messageVisible = false;
    bool markerNoteVisible = false; // "Путь к очереди задач не найден"
    int selectedRow = 1;
    int selectedColumn = NetNumberColumn;

    static QString fileFilter() { return QStringLiteral("All files(*.*)|*.*|Tsk(*.tsk)|*.tsk"); }
    static constexpr int kTskFilter = 1; // the filter the file dialog starts with

    // Fills the grid from the configuration and selects the first marked row, else row 1.
    void FormActivate();

    // Only the network-number column can hold the selection: a click anywhere in a row selects
    // that row's network number. Leaving a cell whose text was changed stores it first; when that
    // is refused the selection stays. Returns whether the selection moved.
    bool selectCell(int row, int column);

    // Context menu: "Добавить контроллер", "Ввести очередь задач", "Удалить контроллер". The
    // file dialogs of the first two bear their item's text and start in the task folder.
    static QString addCaption() { return QStringLiteral("Добавить контроллер"); }
    static QString enterQueueCaption() { return QStringLiteral("Ввести очередь задач"); }
    static QString removeCaption() { return QStringLiteral("Удалить контроллер"); }
    void addController();
    void enterQueue();
    void removeController();

    // Gives grid row `row` the queue file `path`: a new controller in the empty last row (replace
    // off) or a new database for an existing controller (replace on). False, with the reason in
    // the message line, when the path names no file; nothing changes then.
    bool SetQueue(int row, QString path, bool replace);
    // Asks the protocol's editors to re-check their references to the controller after its queue
    // was replaced. False when one of them no longer finds its parameters.
    bool Revalidate(int controllerIndex);

    // A key typed into the network-number cell that holds `length` characters besides any
    // selected ones: the character to enter, or QChar(0) to swallow the key.
    QChar netNumberKey(QChar key, int length) const;
    // Whether the selected cell can be edited at all.
    bool selectedEditable() const;
    // The Delete key: empties the selected network-number cell (only that column).
    void deleteKey();
    // The network-number cell of `row` is left with `text`. An empty text is refused with
    // "Введите значение!" and the cell shows the stored number again. Returns whether it was
    // stored.
    bool netNumberEdited(int row, const QString& text);
    // Stores a changed text of the selected cell (see selectCell); true when nothing was refused.
    bool leaveCell();

private:
    Dialogs::OpenFileRequest queueDialog(const QString& caption) const;
    bool databaseDirectoriesSet();
    Row controllerRow(int index) const;
    void renumber();
    void updateMarkerNote();
    void hideMessage() { messageVisible = false; }
    void showMessage(const QString& text);

    GatewayConfig& m_config;
    const DatabaseDirectories& m_directories;
    Dialogs& m_dialogs;
    const ControllerRefsEditors& m_editors;
    std::vector<Row> m_rows;
};

} // namespace veg
