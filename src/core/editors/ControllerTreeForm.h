#pragma once

#include "core/editors/TableEditorForm.h"

#include <optional>

namespace veg {

// The table editors whose tree shows one controller only: the controller of the thread, device
// or row the user works on. Its tree follows that controller, which is made the current one of
// the controller list; the controller is chosen in an in-cell drop-down of the list's
// controllers.
class ControllerTreeForm : public TableEditorForm
{
public:
    using TableEditorForm::TableEditorForm;

    // "<< Поместить" places by the editor's own rules.
    QString press(const QString& id) override;

protected:
    // The start of every activation: the filling flag set, click-sync on, no cell editor open,
    // the tree emptied and hidden until a controller is known.
    void beginActivation();
    // A tree node dropped on a cell that takes it: the cell becomes current and the node is
    // placed there, the tree not following the click.
    void placeDropped(int row, int column);
    // The editor's filter of a task's candidates.
    virtual bool offers(const Task_CL& database, const TaskRecord& task,
                        const ParamCandidate& candidate) const = 0;
    // Whether the parameter nodes carry their archive depths.
    virtual bool testsArchives() const { return false; }
    TreeOptions treeOptions() const override;

    // Shows the tree of the controller with `netNumber` and makes that controller the current
    // one of the controller list. The tree is built anew when it showed another controller or
    // was hidden. No controller of the list has that number (255 included): the tree is hidden
    // and the answer is false.
    bool showControllerTree(std::uint8_t netNumber);
    void hideTree();
    // The controller whose tree is shown, -1 when the tree is hidden.
    int shownController() const;
    // Selects the parameter node of `paramNumber`, in the task of `taskNumber` when it is there,
    // else in any task; the first node when there is none (a controller without database). The
    // tree takes the focus.
    void selectParameter(std::uint16_t taskNumber, std::uint16_t paramNumber);
    void selectFirstNode();
    // The parameter selected in the tree, to be placed for the controller `netNumber` (the
    // thread's or row's): nothing, after its message, when no parameter is selected or when it
    // is another controller's (its number would name another parameter in that controller).
    std::optional<PlacedParam> selectedParameterOf(std::uint8_t netNumber);

    // The texts of the controller drop-downs, in the list's order.
    QStringList controllerItems() const;
    // The text of the controller with this network number.
    QString controllerText(std::uint8_t netNumber) const;
    std::optional<std::uint8_t> controllerNet(int index) const;
    // A reference's hint: its parameter number (four hexadecimal digits), a blank and the
    // network number of its controller (two).
    static QString slotHint(std::uint16_t paramNumber, std::uint8_t netNumber);

private:
    int m_treeController = -1;
};

} // namespace veg
