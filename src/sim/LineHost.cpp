#include "sim/LineHost.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace veg::sim {

namespace {

void makeRaw(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &tio);
}

speed_t speedOf(int baud)
{
    switch (baud) {
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B9600;
    }
}

} // namespace

LineHost::LineHost(GatewaySimulator& simulator, int fd, int idleMs)
{
    Line line;
    line.fd = fd;
    line.idleMs = idleMs;
    line.receive = [&simulator](const QByteArray& bytes, qint64 at) {
        simulator.receive(bytes, at);
    };
    line.idle = [&simulator] { simulator.lineIdle(); };
    line.take = [&simulator] {
        std::vector<Due> out;
        for (auto& o : simulator.takeOutput())
            out.push_back({o.dueUs, std::move(o.bytes)});
        return out;
    };
    m_lines.push_back(std::move(line));
}

void LineHost::addModbusLine(ModbusSlave& slave, int fd, int idleMs)
{
    Line line;
    line.fd = fd;
    line.idleMs = idleMs;
    line.receive = [&slave](const QByteArray& bytes, qint64 at) { slave.receive(bytes, at); };
    line.idle = [&slave] { slave.lineIdle(); };
    line.take = [&slave] {
        std::vector<Due> out;
        for (auto& o : slave.takeOutput())
            out.push_back({o.dueUs, std::move(o.bytes)});
        return out;
    };
    m_lines.push_back(std::move(line));
}

int LineHost::openPty(QString* slavePath, int* slaveFd, QString* error)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        if (master >= 0)
            ::close(master);
        return -1;
    }
    const char* name = ptsname(master);
    if (!name) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(master);
        return -1;
    }
    *slavePath = QString::fromLocal8Bit(name);
    *slaveFd = ::open(name, O_RDWR | O_NOCTTY);
    if (*slaveFd >= 0)
        makeRaw(*slaveFd); // no echo of the answers before the link sets the line up
    makeRaw(master);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return master;
}

int LineHost::openDevice(const QString& name, int baud, QString* error)
{
    const int fd = ::open(name.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    makeRaw(fd);
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfsetispeed(&tio, speedOf(baud));
        cfsetospeed(&tio, speedOf(baud));
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

void LineHost::sendDue(Line& line, qint64 nowUs)
{
    // Send what is due, in due order.
    std::stable_sort(line.pending.begin(), line.pending.end(),
                     [](const Due& a, const Due& b) { return a.dueUs < b.dueUs; });
    while (!line.pending.empty() && line.pending.front().dueUs <= nowUs) {
        const QByteArray& bytes = line.pending.front().bytes;
        qint64 off = 0;
        while (off < bytes.size()) {
            const ssize_t w = ::write(line.fd, bytes.constData() + off, size_t(bytes.size() - off));
            if (w > 0) {
                off += w;
            } else if (w < 0 && errno == EAGAIN) {
                pollfd out{line.fd, POLLOUT, 0};
                ::poll(&out, 1, 10);
            } else if (w < 0 && errno != EINTR) {
                break;
            }
        }
        line.pending.erase(line.pending.begin());
    }
}

void LineHost::run(const volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& image,
                   const std::function<void()>& onImage)
{
    QElapsedTimer clock;
    clock.start();
    auto nowUs = [&] { return clock.nsecsElapsed() / 1000; };
    char buffer[4096];
    std::vector<pollfd> fds(m_lines.size());

    while (!stop) {
        if (image) {
            image = 0;
            onImage();
        }
        const qint64 now = nowUs();
        int timeoutMs = 100;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            Line& line = m_lines[i];
            sendDue(line, now);
            if (!line.pending.empty())
                timeoutMs = std::min(timeoutMs,
                                     int(std::clamp<qint64>(
                                         (line.pending.front().dueUs - now + 999) / 1000, 0, 100)));
            if (line.lastInputUs >= 0)
                timeoutMs = std::min(timeoutMs, line.idleMs);
            fds[i] = pollfd{line.fd, POLLIN, 0};
        }
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), timeoutMs);
        bool hangUp = false;
        for (std::size_t i = 0; ready > 0 && i < m_lines.size(); ++i) {
            Line& line = m_lines[i];
            if (fds[i].revents & POLLIN) {
                const ssize_t r = ::read(line.fd, buffer, sizeof buffer);
                if (r > 0) {
                    const qint64 at = nowUs();
                    line.receive(QByteArray(buffer, int(r)), at);
                    for (auto& out : line.take())
                        line.pending.push_back(std::move(out));
                    line.lastInputUs = at;
                }
            } else if (fds[i].revents & (POLLHUP | POLLERR)) {
                hangUp = true;
            }
        }
        if (hangUp)
            ::usleep(10000); // nobody on the other side yet
        for (Line& line : m_lines) {
            if (line.lastInputUs >= 0 && nowUs() - line.lastInputUs > qint64(line.idleMs) * 1000) {
                line.idle();
                line.lastInputUs = -1;
            }
        }
    }
}

} // namespace veg::sim
