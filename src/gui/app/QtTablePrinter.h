#pragma once

#include "core/ui/PrintTable.h"

class QWidget;

namespace veg {

class Dialogs;

// "Печать" of the editor windows: the system print dialog (paper, or a PDF file), and on OK the
// table painted with the grids' font.
class QtTablePrinter : public TablePrinter
{
public:
    QtTablePrinter(QWidget* parent, Dialogs& dialogs) : m_parent(parent), m_dialogs(dialogs) {}
    bool print(const PrintTable& table) override;

private:
    QWidget* m_parent;
    Dialogs& m_dialogs;
};

} // namespace veg
