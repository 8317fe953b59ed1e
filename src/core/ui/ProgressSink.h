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
    // Hides the bar and the label; the work may go on.
    virtual void hide() = 0;
    // The work has ended: the bar and the label are hidden and the busy cursor goes.
    virtual void done() { hide(); }
};

} // namespace veg
