#pragma once

#include "sim/GatewaySimulator.h"
#include "sim/ModbusSlave.h"

#include <QString>

#include <csignal>
#include <functional>
#include <vector>

namespace veg::sim {

// Runs the simulator on a file descriptor: the master side of a pseudo-terminal or a real
// serial device. Answers leave when they are due; a pause of more than `idleMs` on the line
// drops an unfinished frame. The gateway's Modbus side may be served on a second descriptor in
// the same loop, so that it always sees the parameters the link has written.
class LineHost
{
public:
    LineHost(GatewaySimulator& simulator, int fd, int idleMs);
    void addModbusLine(ModbusSlave& slave, int fd, int idleMs);

    // A raw pseudo-terminal; its slave is kept open here as well, so that the link may close
    // and reopen it without the master seeing a hang-up. Returns the master, -1 on failure.
    static int openPty(QString* slavePath, int* slaveFd, QString* error);
    // A serial device, raw, 8N1 at `baud`; -1 on failure.
    static int openDevice(const QString& name, int baud, QString* error);

    // Serves until `stop` is set; calls `onImage` whenever `image` is set, and clears it.
    void run(const volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& image,
             const std::function<void()>& onImage);

private:
    struct Due
    {
        qint64 dueUs = 0;
        QByteArray bytes;
    };
    struct Line
    {
        int fd = -1;
        int idleMs = 20;
        std::function<void(const QByteArray&, qint64)> receive;
        std::function<void()> idle;
        std::function<std::vector<Due>()> take;
        std::vector<Due> pending;
        qint64 lastInputUs = -1;
    };
    static void sendDue(Line& line, qint64 nowUs);

    std::vector<Line> m_lines;
};

} // namespace veg::sim
