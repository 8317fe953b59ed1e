#include "gui/editors/TFKTC_Gr.h"

#include "core/editors/KtsGroupsForm.h"

namespace veg {

TFKTC_Gr::TFKTC_Gr(KtsGroupsForm& form, QWidget* parent) : GridTreeDialog(form, parent) {}

} // namespace veg
