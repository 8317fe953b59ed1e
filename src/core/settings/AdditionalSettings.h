#pragma once

#include <QString>

namespace veg {

// The display option of the additional settings window (section "DopNastr").
struct AdditionalSettings
{
    bool ShortTaskNames = false;
    static QString longText() { return QStringLiteral("длинное"); }
    static QString shortText() { return QStringLiteral("короткое"); }
};

} // namespace veg
