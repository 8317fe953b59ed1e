#include "gui/app/QtTablePrinter.h"

#include "core/ui/Dialogs.h"
#include "print/TablePainter.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>

namespace veg {

bool QtTablePrinter::print(const PrintTable& table)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(table.title);
    printer.setFullPage(true); // the table's margins are measured from the paper's edges
    QWidget* parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                        : m_parent;
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Печать"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!paintTable(table, printer, QApplication::font("QTableView"))) {
        m_dialogs.info(QStringLiteral("Таблица не напечатана: принтер недоступен"));
        return false;
    }
    return true;
}

} // namespace veg
