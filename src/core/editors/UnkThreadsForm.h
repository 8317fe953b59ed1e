#pragma once

#include "core/editors/ControllerTreeForm.h"

namespace veg {

struct GroupParamRef;
struct UnkThread;

// "Вычислитель" (TFUNK): the three metering threads of an УНК ТМ configuration and their 19
// parameters each (GroupParams row thread × 19 + n), and the time-and-date write password. The
// grid is transposed: one column per thread, one row per field; column 0 holds the row titles.
// The tree shows the parameters of the current thread's controller only, each with its archive
// depth.
//
// A thread's name, write password, measurement type and selection method are kept in the grid
// while the window is open and stored on closing (the grid-changed flag says whether any of them
// or the window's password changed); everything else is stored as it is made. The closing asks
// its questions about unfilled passwords first and stores only when none of them keeps the
// window open: the threads never hold half of a closing.
class UnkThreadsForm : public ControllerTreeForm
{
public:
    explicit UnkThreadsForm(EditorSession& session);

    enum Row
    {
        NameRow = 1,
        PasswordRow = 2,
        TypeRow = 3,
        SelectionRow = 4,
        ControllerRow = 5,
        FirstSlotRow = 6,     // "Плотность газа", slot 0
        FirstArchiveRow = 13, // "Архив расхода по суткам", slot 7
        FirstHourlyRow = 19,  // "Архив расхода по часам", slot 13
        LastSlotRow = 24, // "Архив вспомогательный по часам", slot 18
        DepthRow = 25,    // "Глубина часовых архивов"
        RowCount = 26
    };

    QString windowName() const override { return QStringLiteral("TFUNK"); }
    QString caption() const override { return QStringLiteral("Вычислитель"); }
    void FormActivate() override;

    void clickCell(int row, int column) override;
    void dropOnCell(int row, int column) override;
    void place(int slot = -1) override;
    std::vector<FormField> fields() const override;
    QChar fieldKey(const QString& id, QChar key, int length, int selected) override;
    void editField(const QString& id, const QString& text) override;
    void leaveField(const QString& id) override;

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::UnkChanged; }

    // The masks of the write passwords: 16 groups of two hexadecimal digits, blank-separated.
    static QString passwordMask();
    // The id of the time-and-date password's masked field.
    static QString timePasswordField() { return QStringLiteral("ParoleWr"); }
    static QString deleteParameterItem() { return QStringLiteral("Удалить параметр"); }
    static QString deleteThreadItem() { return QStringLiteral("Удалить нитку"); }
    // The title of a grid row ("Плотность газа" for parameter 0 of a thread, FirstSlotRow).
    static QString rowTitle(int row);

protected:
    bool offers(const Task_CL& database, const TaskRecord& task,
                const ParamCandidate& candidate) const override;
    bool testsArchives() const override { return true; }
    void fillRow(int row) override;
    bool isReferenceCell(int row, int column) const override;
    QString wrongCellMessage() const override { return {}; }
    void storeReference(int row, int column, const PlacedParam& placed) override;
    bool cellChanged(int row, int column, const QString& text) override;
    QStringList dropDownItems(int row, int column) const override;
    void choiceMade(int row, int column, int index) override;
    CellEdit editorFor(int row, int column) const override;
    QStringList menuItems(int row, int column) const override;
    void menuCommand(const QString& item, int row, int column) override;
    bool closeCheck() override;

private:
    UnkThread& thread(int t) const;
    GroupParamRef& slot(int t, int n) const;
    void showThread(int t);
    void showCell(int row, int t);
    // The tree follows the current cell's thread.
    void syncTree();
    void resetSlots(int t);
    void deleteParameter(int row, int t);
    // Whether an archive of more than one record a day stands in the archive rows of the thread
    // (the hourly depth holds for it).
    bool deepArchiveStands(int t) const;
    void deleteThread(int t);

    bool m_gridChanged = false;
    QString m_timePassword; // the masked field under the grid, "_" in its free places
};

} // namespace veg
