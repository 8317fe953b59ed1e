#pragma once

#include "gui/editors/GridTreeDialog.h"

namespace veg {

class KtsSignalsForm;

// "Настройка ТС": the 16 telesignals of a КТС Энергия configuration over the tree of the
// current row's controller, or the group tree for a group row.
class TFKTC_TC : public GridTreeDialog
{
    Q_OBJECT
public:
    TFKTC_TC(KtsSignalsForm& form, QWidget* parent = nullptr);
};

} // namespace veg
