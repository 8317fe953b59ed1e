#pragma once

#include "gui/editors/GridTreeDialog.h"

namespace veg {

class KtsGroupsForm;

// "Гребёнка": the 16 group values of a КТС Энергия configuration over the tree of the
// current row's controller.
class TFKTC_Gr : public GridTreeDialog
{
    Q_OBJECT
public:
    TFKTC_Gr(KtsGroupsForm& form, QWidget* parent = nullptr);
};

} // namespace veg
