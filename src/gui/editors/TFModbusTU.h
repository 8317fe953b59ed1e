#pragma once

#include "gui/editors/GridTreeDialog.h"

namespace veg {

class ModbusTelecontrolForm;

// "Телеуправление": the grid of coil commands over the tree of telecontrol parameters, the
// button "<< Поместить" and the line naming coil numbers that two rows use.
class TFModbusTU : public GridTreeDialog
{
    Q_OBJECT
public:
    TFModbusTU(ModbusTelecontrolForm& form, QWidget* parent = nullptr);
};

} // namespace veg
