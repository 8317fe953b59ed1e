#pragma once

#include "core/port/Clock.h"

#include <QString>

#include <functional>

namespace veg {

// Program-wide link state shared between the exchange window and its link object.
struct LinkShared
{
    // Set by the operator's "Прервать"; every wait of the link ends with status 9 on it.
    bool AbortRequested = false;
    // How much the link traces: above 1 error details, above 2 every frame and every byte
    // flushed, above 3 port events.
    int TraceLevel = 3;
    // Requests sent again so far: the link's further attempts and the write's further rounds.
    // Only counted here; whoever shows it resets it.
    int RepeatedRequests = 0;
};

// What the link is given from outside: time, the shared state, the message pump called in every
// wait loop (the GUI passes QCoreApplication::processEvents), and the sink of its trace lines.
struct LinkContext
{
    Clock* clock = nullptr;
    LinkShared* shared = nullptr;
    std::function<void()> pump;
    std::function<void(const QString&)> log;
    // The wait for an answer in milliseconds in place of the line's own (3 s on RS-232, 2.5 s for
    // the CAN-BUS adapter's answer); 0 keeps the line's own. Only for a simulator on a
    // pseudo-terminal, whose answers come at once: the tests and benchmarks that make a line
    // lose answers would otherwise wait out the full time for each.
    int answerWaitMs = 0;
};

} // namespace veg
