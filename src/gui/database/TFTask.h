#pragma once

#include "core/database/ControllerListForm.h"

#include <QColor>
#include <QDialog>

class QLabel;
class QMenu;
class QTableWidget;

namespace veg {

class ProgramSettings;

// "Определение списка контроллеров": a thin view over ControllerListForm. The grid shows the
// form's rows (the headings as the grid's header), the network-number cells are edited in place.
class TFTask : public QDialog
{
    Q_OBJECT
public:
    // The controllers' databases are built with the active library directories of `settings`;
    // `editors` are the table editors asked when a queue is replaced or a controller removed.
    TFTask(GatewayConfig& config, const ProgramSettings& settings, Dialogs& dialogs,
           const ControllerRefsEditors& editors, QWidget* parent = nullptr);

    ControllerListForm& form() { return m_form; }
    QTableWidget* grid() const { return m_grid; }
    QMenu* contextMenu() const { return m_menu; }
    // The colour of the marker note, which marks the number cells of queues not found.
    QColor markerColour() const;

    int exec() override; // activation, then the modal loop
    // Activation with controller `index` (from 0) selected, then the modal loop.
    int execOnController(int index);
    void FormActivate();
    // The grid's context menu at `pos` (viewport coordinates): the cell there is selected first;
    // the menu is not opened when the selection cannot leave the current cell.
    void openContextMenu(const QPoint& pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    class NetNumberDelegate;

    void render();
    void command(void (ControllerListForm::*handler)());
    bool netNumberKey(QObject* editor, QEvent* event);

    ControllerListForm m_form;
    bool m_rendering = false;
    QTableWidget* m_grid = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_note = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace veg
