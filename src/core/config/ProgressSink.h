#pragma once

#include <QString>

namespace veg {

// The main window's progress bar and its label, as the file reader and writer drive them.
class ProgressSink
{
public:
    static constexpr int kMaximum = 116;

    virtual ~ProgressSink() = default;
    // Shows the label and the bar at 0 and paints them at once.
    virtual void show(const QString& label) = 0;
    virtual void advance(int step) = 0;
    virtual void hide() = 0;
};

} // namespace veg
