#include "LibmodbusSlave.h"

#include <modbus/modbus.h>

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

struct LibmodbusSlave::Context
{
    modbus_t* modbus = nullptr;
    modbus_mapping_t* map = nullptr;
};

namespace {

void makeRaw(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &tio);
}

// The standard Modbus CRC, written here apart from the code under test.
QByteArray withStandardCrc(QByteArray frame)
{
    std::uint16_t crc = 0xFFFF;
    for (char c : frame) {
        crc ^= std::uint8_t(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

// The first number of a map and how many numbers it spans.
template <typename Map> std::pair<int, int> span(const Map& map)
{
    if (map.empty())
        return {0, 0};
    return {map.begin()->first, map.rbegin()->first - map.begin()->first + 1};
}

QByteArray readAvailable(int fd, int waitMs)
{
    QByteArray out;
    char buffer[512];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, out.isEmpty() ? waitMs : 5) > 0 && (p.revents & POLLIN)) {
        const ssize_t r = ::read(fd, buffer, sizeof buffer);
        if (r <= 0)
            break;
        out.append(buffer, int(r));
    }
    return out;
}

} // namespace

LibmodbusSlave::LibmodbusSlave(Options options) : m_options(std::move(options))
{
    m_pty = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_pty < 0 || grantpt(m_pty) != 0 || unlockpt(m_pty) != 0)
        return;
    const char* name = ptsname(m_pty);
    if (!name)
        return;
    m_ptySlave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_ptySlave >= 0)
        makeRaw(m_ptySlave);
    makeRaw(m_pty);
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
        return;
    m_toModbus = pair[0];
    m_modbusEnd = pair[1];

    m_ctx = new Context;
    m_ctx->modbus = modbus_new_rtu("/dev/null", 9600, 'N', 8, 1);
    const auto [firstCoil, coils] = span(m_options.coils);
    const auto [firstInput, inputs] = span(m_options.inputs);
    const auto [firstRegister, registers] = span(m_options.registers);
    m_ctx->map = modbus_mapping_new_start_address(
        unsigned(firstCoil), unsigned(coils), unsigned(firstInput), unsigned(inputs),
        unsigned(firstRegister), unsigned(registers), 0, 0);
    if (!m_ctx->modbus || !m_ctx->map)
        return;
    for (const auto& [reg, value] : m_options.registers)
        m_ctx->map->tab_registers[reg - firstRegister] = value;
    for (const auto& [n, on] : m_options.coils)
        m_ctx->map->tab_bits[n - firstCoil] = on ? 1 : 0;
    for (const auto& [n, on] : m_options.inputs)
        m_ctx->map->tab_input_bits[n - firstInput] = on ? 1 : 0;
    modbus_set_slave(m_ctx->modbus, m_options.slave);
    modbus_set_socket(m_ctx->modbus, m_modbusEnd);
    modbus_set_indication_timeout(m_ctx->modbus, 0, 200000);
    modbus_set_byte_timeout(m_ctx->modbus, 0, 100000);
    m_path = QString::fromLocal8Bit(name);
    m_thread = std::thread([this] { run(); });
}

LibmodbusSlave::~LibmodbusSlave()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_ctx) {
        if (m_ctx->map)
            modbus_mapping_free(m_ctx->map);
        if (m_ctx->modbus)
            modbus_free(m_ctx->modbus); // the descriptors are ours to close
        delete m_ctx;
    }
    for (int fd : {m_pty, m_ptySlave, m_toModbus, m_modbusEnd}) {
        if (fd >= 0)
            ::close(fd);
    }
}

QList<QByteArray> LibmodbusSlave::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool LibmodbusSlave::coil(int number) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int first = span(m_options.coils).first;
    if (!m_ctx || !m_ctx->map || number < first || number - first >= m_ctx->map->nb_bits)
        return false;
    return m_ctx->map->tab_bits[number - first] != 0;
}

void LibmodbusSlave::run()
{
    // A frame ends with a pause on the line (far longer than 3.5 characters, as a pty has no
    // speed; well below the master's own pauses).
    constexpr int kGapMs = 20;
    QByteArray frame;
    QElapsedTimer sinceLast;
    while (!m_stop) {
        pollfd p{m_pty, POLLIN, 0};
        const int ready = ::poll(&p, 1, frame.isEmpty() ? 50 : kGapMs);
        if (ready > 0 && (p.revents & POLLIN)) {
            char buffer[256];
            const ssize_t r = ::read(m_pty, buffer, sizeof buffer);
            if (r > 0) {
                frame.append(buffer, int(r));
                sinceLast.start();
            }
            continue;
        }
        if (!frame.isEmpty() && sinceLast.elapsed() >= kGapMs) {
            handle(frame);
            frame.clear();
        }
    }
}

void LibmodbusSlave::handle(const QByteArray& frame)
{
    int seen = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests << frame;
        seen = ++m_seen;
    }
    const QByteArray toLibmodbus = m_options.noCrc ? withStandardCrc(frame) : frame;
    if (::write(m_toModbus, toLibmodbus.constData(), size_t(toLibmodbus.size())) < 0)
        return;
    std::uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    const int rc = modbus_receive(m_ctx->modbus, query);
    if (rc <= 0)
        return; // not a request for this slave, or not a request at all
    if (seen <= m_options.ignoreFirst)
        return;
    // A read request: address, function, first number, count.
    const int function = query[1];
    const bool read = function >= 1 && function <= 3;
    const int first = (query[2] << 8) | query[3];
    const int count = (query[4] << 8) | query[5];
    auto touchesHole = [&] {
        const auto it = m_options.holes.lower_bound(first);
        return it != m_options.holes.end() && *it < first + count;
    };
    if (seen <= m_options.ignoreFirst + m_options.acknowledgeFirst) {
        modbus_reply_exception(m_ctx->modbus, query, MODBUS_EXCEPTION_ACKNOWLEDGE);
    } else if (read && m_options.maxQuantity > 0 && count > m_options.maxQuantity) {
        modbus_reply_exception(m_ctx->modbus, query, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE);
    } else if (read && touchesHole()) {
        modbus_reply_exception(m_ctx->modbus, query, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
    } else {
        std::lock_guard<std::mutex> lock(m_mutex); // a write changes the map coil() reads
        modbus_reply(m_ctx->modbus, query, rc, m_ctx->map);
    }
    QByteArray answer = readAvailable(m_toModbus, 200);
    if (m_options.noCrc && answer.size() >= 2)
        answer.chop(2);
    ::write(m_pty, answer.constData(), size_t(answer.size()));
}
