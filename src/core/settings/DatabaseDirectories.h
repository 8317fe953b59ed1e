#pragma once

#include <QString>

namespace veg {

// Where the controller database lies (section "BaseK19" of the settings file): the root and the
// three library directories handed to every controller database object.
struct DatabaseDirectories
{
    QString Way;     // root directory of the database
    QString WayAlg;  // algorithm directory
    QString WayMod;  // module directory
    QString WayTask; // template directory

    friend bool operator==(const DatabaseDirectories&, const DatabaseDirectories&) = default;
};

} // namespace veg
