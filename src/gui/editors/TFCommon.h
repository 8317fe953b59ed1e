#pragma once

#include "gui/widgets/EditorDialog.h"

class QGridLayout;
class QGroupBox;

namespace veg {

class CommonSettingsForm;
class FieldBinding;

// "Общие настройки": the groups of the gateway's general settings that belong to the
// configuration's protocol; groups of different protocols share their places in the window.
class TFCommon : public EditorDialog
{
    Q_OBJECT
public:
    TFCommon(CommonSettingsForm& form, QWidget* parent = nullptr);

protected:
    void activated() override;

private:
    CommonSettingsForm& m_common;
    QGridLayout* m_layout = nullptr;
    QGroupBox* m_receive = nullptr;
    QGroupBox* m_transmit = nullptr;
};

} // namespace veg
