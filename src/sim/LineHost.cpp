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
    : m_sim(simulator), m_fd(fd), m_idleMs(idleMs)
{}

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

void LineHost::run(const volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& image,
                   const std::function<void()>& onImage)
{
    QElapsedTimer clock;
    clock.start();
    auto nowUs = [&] { return clock.nsecsElapsed() / 1000; };
    std::vector<GatewaySimulator::Output> pending;
    qint64 lastInputUs = -1;
    char buffer[4096];

    while (!stop) {
        if (image) {
            image = 0;
            onImage();
        }
        const qint64 now = nowUs();
        // Send what is due, in due order.
        std::stable_sort(pending.begin(), pending.end(),
                         [](const auto& a, const auto& b) { return a.dueUs < b.dueUs; });
        while (!pending.empty() && pending.front().dueUs <= now) {
            const QByteArray& bytes = pending.front().bytes;
            qint64 off = 0;
            while (off < bytes.size()) {
                const ssize_t w =
                    ::write(m_fd, bytes.constData() + off, size_t(bytes.size() - off));
                if (w > 0) {
                    off += w;
                } else if (w < 0 && errno == EAGAIN) {
                    pollfd out{m_fd, POLLOUT, 0};
                    ::poll(&out, 1, 10);
                } else if (w < 0 && errno != EINTR) {
                    break;
                }
            }
            pending.erase(pending.begin());
        }

        int timeoutMs = 100;
        if (!pending.empty())
            timeoutMs = int(std::clamp<qint64>((pending.front().dueUs - now + 999) / 1000, 0, 100));
        if (lastInputUs >= 0)
            timeoutMs = std::min(timeoutMs, m_idleMs);
        pollfd in{m_fd, POLLIN, 0};
        const int ready = ::poll(&in, 1, timeoutMs);
        if (ready > 0 && (in.revents & POLLIN)) {
            const ssize_t r = ::read(m_fd, buffer, sizeof buffer);
            if (r > 0) {
                const qint64 at = nowUs();
                m_sim.receive(QByteArray(buffer, int(r)), at);
                for (auto& out : m_sim.takeOutput())
                    pending.push_back(std::move(out));
                lastInputUs = at;
            }
        } else if (ready > 0 && (in.revents & (POLLHUP | POLLERR))) {
            ::usleep(10000); // nobody on the other side yet
        }
        if (lastInputUs >= 0 && nowUs() - lastInputUs > qint64(m_idleMs) * 1000) {
            m_sim.lineIdle();
            lastInputUs = -1;
        }
    }
}

} // namespace veg::sim
