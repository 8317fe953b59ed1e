#pragma once

#include <QString>
#include <QStringList>

namespace veg {

// One control of an editor window that is not a grid (a text box, a choice, a check box, a spin
// box, a button, a label), as data: the window binds one widget to each field by its `id`, the
// scenario runner addresses it by the same id.
struct FormField
{
    enum class Kind
    {
        Label,
        Text,
        Choice,
        Check,
        Spin,
        Button
    };

    QString id; // stable and unique in its window ("AdrCAN", "Slot2", ">>2", "Поместить")
    QString caption; // the text the user sees beside or on the control
    Kind kind = Kind::Label;
    QString text;      // Text, Label
    QStringList items; // Choice
    int index = -1;    // Choice: the chosen item, -1 = none
    bool checked = false;
    int value = 0, minimum = 0, maximum = 0; // Spin
    int maxLength = 0;                       // Text: at most this many characters (0: no limit)
    // Text: a masked edit ("H" a hexadecimal digit, every other character stands as it is); its
    // text holds "_" in the places not filled yet.
    QString mask;
    bool readOnly = false; // Text: typed keys are swallowed
    bool visible = true;
    bool enabled = true;
    QString hint;
    QString group; // the caption of the group the control sits in

    friend bool operator==(const FormField&, const FormField&) = default;
};

} // namespace veg
