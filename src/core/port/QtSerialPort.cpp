#include "core/port/QtSerialPort.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace veg {

namespace {

// The device file QSerialPort opens for a name.
QString systemLocation(const QString& name)
{
#ifdef Q_OS_WIN
    return name;
#else
    return name.startsWith(u'/') || name.startsWith(u'.') ? name : QStringLiteral("/dev/") + name;
#endif
}

// The reason a port did not open, as a user can act on it. On Linux a port that exists but
// may not be opened nearly always means the user is not in the group that owns the device
// ("dialout" on Debian): say which group.
QString describeOpenError(QSerialPort::SerialPortError error, const QString& location)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("порт не найден");
    case QSerialPort::PermissionError: {
#ifdef Q_OS_WIN
        return QStringLiteral("порт занят другой программой или нет доступа к нему");
#else
        const QFileInfo device(location);
        const QString group = device.exists() ? device.group() : QString();
        if (!device.exists() || (device.isReadable() && device.isWritable()))
            return QStringLiteral("порт занят другой программой");
        if (group.isEmpty())
            return QStringLiteral("нет доступа к порту");
        return QStringLiteral("нет доступа к порту: пользователь не входит в группу «%1», "
                              "которой принадлежит порт")
            .arg(group);
#endif
    }
    case QSerialPort::OpenError:
        return QStringLiteral("порт уже открыт");
    default:
        return QStringLiteral("порт не открывается");
    }
}

QSerialPort::Parity qtParity(SerialPort::Parity parity)
{
    switch (parity) {
    case SerialPort::Parity::Even:
        return QSerialPort::EvenParity;
    case SerialPort::Parity::Odd:
        return QSerialPort::OddParity;
    case SerialPort::Parity::Mark:
        return QSerialPort::MarkParity;
    case SerialPort::Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qtStopBits(SerialPort::StopBits stopBits)
{
    switch (stopBits) {
    case SerialPort::StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case SerialPort::StopBits::Two:
        return QSerialPort::TwoStop;
    case SerialPort::StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

} // namespace

QtSerialPort::QtSerialPort() = default;

QtSerialPort::~QtSerialPort()
{
    close();
}

QString QtSerialPort::qtPortName(const QString& name)
{
#ifdef Q_OS_WIN
    return name;
#else
    const QString prefix = QStringLiteral("\\\\.\\");
    return name.startsWith(prefix) ? name.mid(prefix.size()) : name;
#endif
}

bool QtSerialPort::open(const QString& name)
{
    close();
    m_openError.clear();
    m_port.setPortName(qtPortName(name));
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_openError = describeOpenError(m_port.error(), systemLocation(m_port.portName()));
        m_port.clearError();
        return false;
    }
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    return true;
}

void QtSerialPort::close()
{
    if (!m_port.isOpen())
        return;
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_ctsFlow = false;
    m_port.close();
    m_port.clearError();
}

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

bool QtSerialPort::setBaudRate(int baud)
{
    const bool ok = m_port.setBaudRate(baud) && m_port.setDataBits(QSerialPort::Data8);
    m_port.clearError();
    return ok;
}

bool QtSerialPort::setFrameFormat(bool twoStopBits, bool ctsFlow)
{
    bool ok = m_port.setParity(QSerialPort::NoParity);
    ok = m_port.setStopBits(twoStopBits ? QSerialPort::TwoStop : QSerialPort::OneStop) && ok;
    // CTS holds back only what the PC sends; RTS stays the link's own to raise (the port's
    // "hardware" flow control would hand RTS to the driver).
    ok = m_port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    m_ctsFlow = ctsFlow;
#ifdef Q_OS_WIN
    if (ctsFlow) {
        const HANDLE h = reinterpret_cast<HANDLE>(m_port.handle());
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        ok = GetCommState(h, &dcb) && ok;
        dcb.fOutxCtsFlow = TRUE;
        ok = SetCommState(h, &dcb) && ok;
    }
#endif
    m_port.clearError();
    return ok;
}

bool QtSerialPort::setCharacterFormat(Parity parity, StopBits stopBits)
{
    bool ok = m_port.setDataBits(QSerialPort::Data8);
    ok = m_port.setParity(qtParity(parity)) && ok;
    ok = m_port.setStopBits(qtStopBits(stopBits)) && ok;
    ok = m_port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    m_ctsFlow = false;
    m_port.clearError();
    return ok;
}

void QtSerialPort::setTimeouts(int readTotalMs, int writeMsPerByte)
{
    m_readTimeoutMs = readTotalMs;
    m_writeMsPerByte = writeMsPerByte;
}

int QtSerialPort::read(std::uint8_t* buffer, int n)
{
    if (!m_port.isOpen())
        return -1;
    int got = 0;
    QDeadlineTimer deadline(m_readTimeoutMs);
    for (;;) {
        const qint64 r = m_port.read(reinterpret_cast<char*>(buffer) + got, n - got);
        if (r < 0)
            return got > 0 ? got : -1;
        got += int(r);
        if (got >= n || deadline.hasExpired())
            break;
        if (!m_port.waitForReadyRead(int(deadline.remainingTime()))) {
            // A time-out is the normal end of a read; any other error is reported once.
            const bool timedOut = m_port.error() == QSerialPort::TimeoutError ||
                                  m_port.error() == QSerialPort::NoError;
            m_port.clearError();
            if (!timedOut && got == 0)
                return -1;
            if (deadline.hasExpired() || !timedOut)
                break;
        }
    }
    return got;
}

bool QtSerialPort::waitForClearToSend(int timeoutMs)
{
#ifdef Q_OS_WIN
    (void)timeoutMs;
    return true; // the driver holds the output while CTS is down
#else
    // The terminal driver has no CTS-only output flow: the line is looked at before sending.
    // A port without modem lines (a pseudo-terminal) cannot tell, and is taken as ready.
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QSerialPort::PinoutSignals pins = m_port.pinoutSignals();
        const bool unknown = m_port.error() != QSerialPort::NoError;
        m_port.clearError();
        if (unknown || (pins & QSerialPort::ClearToSendSignal))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
#endif
}

bool QtSerialPort::write(const std::uint8_t* data, int n)
{
    if (!m_port.isOpen())
        return false;
    if (m_ctsFlow && !waitForClearToSend(std::max(1, n * m_writeMsPerByte)))
        return false;
    if (m_port.write(reinterpret_cast<const char*>(data), n) != n) {
        m_port.clearError();
        return false;
    }
    QDeadlineTimer deadline(std::max(1, n * m_writeMsPerByte));
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(int(deadline.remainingTime())) || deadline.hasExpired()) {
            const bool left = m_port.bytesToWrite() > 0;
            m_port.clearError();
            if (left) {
                m_port.clear(QSerialPort::Output);
                return false;
            }
        }
    }
    return true;
}

bool QtSerialPort::purgeInput()
{
    const bool ok = m_port.isOpen() && m_port.clear(QSerialPort::Input);
    m_port.clearError();
    return ok;
}

bool QtSerialPort::setDtr(bool on)
{
    const bool ok = m_port.isOpen() && m_port.setDataTerminalReady(on);
    m_port.clearError();
    return ok;
}

bool QtSerialPort::setRts(bool on)
{
    if (!m_port.isOpen())
        return false;
    const bool ok = m_port.setRequestToSend(on);
    m_port.clearError();
    return ok;
}

std::optional<std::uint32_t> QtSerialPort::modemStatus()
{
    if (!m_port.isOpen())
        return std::nullopt;
    m_port.clearError();
    const QSerialPort::PinoutSignals pins = m_port.pinoutSignals();
    if (m_port.error() != QSerialPort::NoError) {
        m_port.clearError();
        return std::nullopt;
    }
    std::uint32_t status = 0;
    if (pins & QSerialPort::ClearToSendSignal)
        status |= kCtsOn;
    if (pins & QSerialPort::DataSetReadySignal)
        status |= kDsrOn;
    if (pins & QSerialPort::RingIndicatorSignal)
        status |= kRingOn;
    if (pins & QSerialPort::DataCarrierDetectSignal)
        status |= kCarrierOn;
    return status;
}

} // namespace veg
