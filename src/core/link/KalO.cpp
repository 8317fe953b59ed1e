#include "core/link/KalO.h"

#include "core/link/LinkRequests.h"
#include "core/text/IniDocument.h"

#include <algorithm>

namespace veg {

namespace {
constexpr int kBaudPauseMs = 100;
} // namespace

int KalO::canSpeedPosition(int canSpeedIndex)
{
    static constexpr int positions[] = {0, 2, 4, 7, 12};
    if (canSpeedIndex < 0 || canSpeedIndex > 4)
        return 0;
    return positions[canSpeedIndex];
}

KalO::KalO(std::unique_ptr<SerialPort> port, LinkContext context, const QString& portName,
           int adapterKind, int speedIndex, std::array<std::uint8_t, 2> lineOptions)
    : m_line(std::move(port), std::move(context)), m_can(m_line,
                                                         [this] {
                                                             ClosePort();
                                                             OpenPort(m_speedIndex);
                                                         }),
      m_lineOptions(lineOptions)
{
    m_line.setRetries(2);
    m_line.clearAbort();
    m_portName = portName;
    m_adapterKind = adapterKind;
    if (m_adapterKind == kCanBus)
        LoadAdapterConfig(Settings{}, 0);
    if (!m_portName.isEmpty())
        OpenPort(speedIndex);
}

KalO::~KalO()
{
    ClosePort();
}

QString KalO::systemPortName(const QString& portName)
{
    if (portName.startsWith(QLatin1Char('/')))
        return portName;
    bool ok = false;
    const int number = portName.mid(3).toInt(&ok);
    if (!ok || number > 9)
        return QStringLiteral("\\\\.\\") + portName;
    return portName;
}

bool KalO::OpenPort(int speedIndex)
{
    m_baudIndex = -1;
    m_speedIndex = speedIndex;
    const QString name = systemPortName(m_portName);
    SerialPort& port = m_line.port();
    const bool opened = port.open(name);
    if (m_line.traceLevel() > 3)
        m_line.log(QStringLiteral("Инициализация порта ") + name);
    if (!opened) {
        if (m_line.traceLevel() > 3)
            m_line.log(QStringLiteral("C_port=FFFFFFFF INVALID_HANDLE_VALUE=FFFFFFFF"));
        ClosePort();
        return false;
    }
    SetBaudRate(speedIndex);
    SetLineFormat(m_adapterKind, m_lineOptions[1]);
    if (m_adapterKind == kCanBus) {
        m_can.InitAdapter(); // the exchange window runs it once more and judges it
        m_line.SetTimeouts(120, 10);
    } else {
        port.setDtr(false);
        port.setRts(false);
        m_line.SetTimeouts(120, 500);
    }
    port.purgeInput();
    m_line.markOpen();
    return true;
}

void KalO::ClosePort()
{
    m_line.close();
}

void KalO::SetBaudRate(int speedIndex)
{
    // A speed index outside the table (a settings file that names no speed of the list) opens
    // the line at 9600 baud, and that is the speed the link then records.
    const int index = (speedIndex >= 0 && speedIndex < kSpeedTableSize) ? speedIndex : 5;
    m_line.port().setBaudRate(kSpeeds[std::size_t(index)]);
    m_line.clock().sleepMs(kBaudPauseMs);
    m_baudIndex = index;
}

void KalO::SetLineFormat(int adapterKind, std::uint8_t stopBitsOption)
{
    if (adapterKind == kCanBus) {
        m_line.port().setBaudRate(115200);
        m_line.port().setFrameFormat(false, true);
    } else {
        m_line.port().setFrameFormat(stopBitsOption == 2, false);
    }
}

LinkStatus KalO::Transact(const QByteArray& request, int& count, int checksumKind,
                          std::uint8_t address, int requestKind, int expectedSize, int lineKind,
                          LinkAnswer& answer)
{
    return m_serial.Transact(request, count, checksumKind, address, requestKind, expectedSize,
                             lineKind, answer);
}

LinkStatus KalO::CanTransact(LinkFrames::CanFrame frame, int lineKind, int expectedSize,
                             LinkAnswer& answer)
{
    return m_can.CanTransact(frame, lineKind, expectedSize, answer);
}

LinkStatus KalO::CheckCarrier()
{
    return m_can.CheckCarrier();
}

bool KalO::InitAdapter()
{
    return m_can.InitAdapter();
}

void KalO::LoadAdapterConfig(const Settings& settings, int canSpeedPos)
{
    m_can.LoadAdapterConfig(settings, canSpeedPos);
}

void KalO::LoadAdapterConfig(const IniDocument& settingsFile, int canSpeedPos)
{
    Settings settings;
    for (const auto& entry : settingsFile.entries(QStringLiteral("Parametr")))
        settings.push_back(entry);
    LoadAdapterConfig(settings, canSpeedPos);
}

void KalO::LoadAdapterConfig(const QString& settingsPath, int canSpeedPos)
{
    IniDocument::FileStatus fileStatus = IniDocument::FileStatus::Ok;
    QString error;
    const IniDocument doc = IniDocument::fromFile(settingsPath, &fileStatus, &error);
    if (fileStatus != IniDocument::FileStatus::Ok)
        LoadAdapterConfig(Settings{}, canSpeedPos);
    else
        LoadAdapterConfig(doc, canSpeedPos);
}

LinkStatus KalO::SendRequest(const QByteArray& request, const LinkTarget& target,
                             LinkAnswer& answer)
{
    if (target.RequestKind == LinkTarget::kCanRequest)
        return m_can.send(request, target, answer);
    return m_serial.send(request, target, answer);
}

LinkTransport& KalO::transport(const LinkTarget& target)
{
    if (target.RequestKind == LinkTarget::kCanRequest)
        return m_can;
    return m_serial;
}

LinkStatus KalO::ReadParam(std::uint16_t paramNo, int expectedSize, LinkTarget target,
                           LinkAnswer& answer)
{
    return transport(target).readParam(paramNo, expectedSize, target, answer);
}

LinkStatus KalO::WriteParam(std::uint16_t paramNo, const QByteArray& data, LinkTarget target)
{
    return transport(target).writeParam(paramNo, data, target);
}

LinkStatus KalO::WriteParamAt(std::uint16_t paramNo, std::uint16_t index, const QByteArray& data,
                              bool selectFirst, LinkTarget target)
{
    return transport(target).writeParamAt(paramNo, index, data, selectFirst, target);
}

LinkStatus KalO::ReadParamAt(std::uint16_t paramNo, std::uint16_t index, int bytes, int elementSize,
                             LinkTarget target, LinkAnswer& answer, int& got)
{
    LinkTransport& line = transport(target);
    got = 0;
    const int rounds = std::max(1, m_line.retries());
    LinkStatus status = Status::NoAnswer;
    for (int round = 0; round < rounds; ++round) {
        status = line.readParamAt(paramNo, index, bytes, elementSize, target, answer, got);
        // Repeated while the status is a failure of the exchange. The operator's abort and a
        // port that a failed write closed end it at once; after a failed write on the adapter
        // the port is open again and the repetitions go on.
        if (status == Status::Ok || status == Status::NoAnswer || status == Status::ModemOff ||
            status == Status::ArchiveContinues || status == Status::Aborted ||
            (status == Status::WriteFailed && !m_line.port().isOpen()))
            break;
    }
    return status;
}

LinkStatus KalO::SetAccessLevel(int level, const QString& accessCode, LinkTarget target)
{
    if (target.Route == LinkTarget::kTransit && target.RequestKind != LinkTarget::kCanRequest)
        return SetAccessLevelTransit(level, accessCode, target);
    const QByteArray code = ((level == 2 || level == 3) && !accessCode.isEmpty())
                                ? LinkRequests::accessCodeBytes(accessCode)
                                : QByteArray();
    LinkAnswer answer;
    LinkStatus status = transport(target).accessLevel(level, code, target, answer);
    if (status == Status::Ok && answer.data(0) != std::uint8_t(level))
        status = Status::AccessDenied;
    return status;
}

LinkStatus KalO::SetAccessLevelTransit(int level, const QString& accessCode, LinkTarget target)
{
    const QByteArray code = ((level == 2 || level == 3) && !accessCode.isEmpty())
                                ? LinkRequests::accessCodeBytes(accessCode)
                                : QByteArray();
    LinkAnswer answer;
    target.ExpectedSize = 0;
    LinkStatus status =
        SendRequest(LinkRequests::transitAccess(target.Destination, level, code), target, answer);
    if (status == Status::Ok) {
        status = ReadParam(0xF01C, 1, target, answer);
        if (status == Status::Ok && (answer.data(0) & 0x0F) != (level & 0x0F))
            status = Status::AccessDenied;
    }
    return status == Status::NegativeReceipt ? Status::Ok : status;
}

} // namespace veg
