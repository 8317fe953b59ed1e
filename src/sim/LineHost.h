#pragma once

#include "sim/GatewaySimulator.h"

#include <QString>

#include <csignal>
#include <functional>

namespace veg::sim {

// Runs the simulator on a file descriptor: the master side of a pseudo-terminal or a real
// serial device. Answers leave when they are due; a pause of more than `idleMs` on the line
// drops an unfinished frame.
class LineHost
{
public:
    LineHost(GatewaySimulator& simulator, int fd, int idleMs);

    // A raw pseudo-terminal; its slave is kept open here as well, so that the link may close
    // and reopen it without the master seeing a hang-up. Returns the master, -1 on failure.
    static int openPty(QString* slavePath, int* slaveFd, QString* error);
    // A serial device, raw, 8N1 at `baud`; -1 on failure.
    static int openDevice(const QString& name, int baud, QString* error);

    // Serves until `stop` is set; calls `onImage` whenever `image` is set, and clears it.
    void run(const volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& image,
             const std::function<void()>& onImage);

private:
    GatewaySimulator& m_sim;
    int m_fd;
    int m_idleMs;
};

} // namespace veg::sim
