#include "gui/editors/TFKTC_TC.h"

#include "core/editors/KtsSignalsForm.h"

namespace veg {

TFKTC_TC::TFKTC_TC(KtsSignalsForm& form, QWidget* parent) : GridTreeDialog(form, parent) {}

} // namespace veg
