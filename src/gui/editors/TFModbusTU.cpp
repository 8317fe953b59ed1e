#include "gui/editors/TFModbusTU.h"

#include "core/editors/ModbusTelecontrolForm.h"

namespace veg {

TFModbusTU::TFModbusTU(ModbusTelecontrolForm& form, QWidget* parent) : GridTreeDialog(form, parent)
{}

} // namespace veg
