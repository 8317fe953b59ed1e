#include "LinkOptions.h"

#include "Commands.h"

#include "core/link/LinkStatus.h"
#include "core/port/QtSerialPort.h"
#include "core/text/NumberText.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTime>

#include <csignal>
#include <cstdio>

namespace vegctl {

using namespace veg;

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int)
{
    g_interrupted = 1;
}

} // namespace

void addLinkOptions(CLI::App* cmd, LinkOptions& o)
{
    cmd->add_option("--port", o.port, "последовательный порт: COM1.., /dev/ttyUSB0, псевдотерминал")
        ->required();
    cmd->add_option("--link", o.link, "rs232 или can")->check(CLI::IsMember({"rs232", "can"}));
    cmd->add_option("--baud", o.baud, "скорость RS-232: 300 .. 115200");
    cmd->add_flag("--via-adapter", o.viaAdapter, "RS-232 через модуль мастера");
    cmd->add_option("--adapter", o.adapter, "сетевой номер модуля мастера (шестнадцатеричный)");
    cmd->add_option("--gateway", o.gateway, "сетевой номер шлюза (шестнадцатеричный)");
    cmd->add_option("--crc", o.crc, "0 сумма, 1 CRC в данных, 2 CRC вместо суммы")
        ->check(CLI::Range(0, 2));
    cmd->add_option("--retries", o.retries, "попыток на запрос")->check(CLI::Range(1, 20));
    cmd->add_option("--can-speed", o.canSpeed, "скорость CAN, кбит/с: 300, 150, 100, 50, 20")
        ->check(CLI::IsMember({300, 150, 100, 50, 20}));
    cmd->add_option("--trace", o.trace, "уровень трассировки; строки трассировки идут в стандартный поток ошибок");
    cmd->add_option("--settings", o.settings,
                    "файл настроек программы с ключами адаптера секции \"Parametr\"");
}

void failStatus(LinkStatus status)
{
    fail(QString::number(status) + StatusMessage(status), 3);
}

std::optional<std::uint32_t> hexArg(const std::string& text, std::uint32_t max, const char* what)
{
    const auto v = NumberText::parseHex(QString::fromStdString(text));
    if (!v || *v > max) {
        std::fprintf(stderr, "%s: не шестнадцатеричное число до %X: %s\n", what, max,
                     text.c_str());
        exitStatus() = 2;
        return std::nullopt;
    }
    return v;
}

CliLink::CliLink() = default;

CliLink::~CliLink()
{
    if (m_session)
        m_session->CloseLinks();
    std::signal(SIGINT, SIG_DFL);
}

bool CliLink::open(const LinkOptions& o)
{
    ExchangeSettings& s = m_settings;
    s.PortName = QString::fromStdString(o.port);
    // A path relative to here (a simulator's link in the build tree) names the same device from
    // anywhere; a bare name ("COM3", "ttyUSB0") stays a port name.
    if (s.PortName.contains(u'/') && !s.PortName.startsWith(u'/'))
        s.PortName = QFileInfo(s.PortName).absoluteFilePath();
    s.AdapterKind = o.link == "can" ? ExchangeSettings::kCanBus : ExchangeSettings::kRs232;
    s.ViaAdapter = o.viaAdapter && s.AdapterKind != ExchangeSettings::kCanBus;
    s.SpeedIndex = int(ExchangeSettings::serialSpeeds().indexOf(QString::number(o.baud)));
    if (s.SpeedIndex < 0) {
        std::fprintf(stderr, "--baud: такой скорости у линии нет: %d\n", o.baud);
        exitStatus() = 2;
        return false;
    }
    s.CanSpeedIndex = int(QList<int>{300, 150, 100, 50, 20}.indexOf(o.canSpeed));
    const auto gw = hexArg(o.gateway, 0xFF, "--gateway");
    const auto ad = hexArg(o.adapter, 0xFF, "--adapter");
    if (!gw || !ad)
        return false;
    s.GatewayNumber = std::uint8_t(*gw);
    s.AdapterNumber = std::uint8_t(*ad);
    s.ChecksumKind = std::uint8_t(o.crc);
    s.Retries = o.retries;

    g_interrupted = 0;
    std::signal(SIGINT, onInterrupt);
    m_shared.TraceLevel = o.trace >= 0 ? o.trace : 0;
    LinkContext c;
    c.clock = &m_clock;
    c.shared = &m_shared;
    c.pump = [this] {
        QCoreApplication::processEvents();
        if (g_interrupted)
            m_shared.AbortRequested = true;
    };
    if (o.trace >= 0)
        c.log = [](const QString& line) {
            std::fprintf(stderr, "%s : %s\n",
                         QTime::currentTime().toString("hh:mm:ss:zzz").toLocal8Bit().constData(),
                         line.toLocal8Bit().constData());
        };
    m_session =
        std::make_unique<LinkSession>(s, c, [] { return std::make_unique<QtSerialPort>(); });
    const KalO::Settings adapter =
        LinkSession::adapterSettingsFrom(QString::fromStdString(o.settings));
    if (!m_session->OpenLink(adapter)) {
        if (m_session->LastStatus == Status::AdapterInitFailed)
            failStatus(m_session->LastStatus);
        else
            fail(m_session->ErrorText, 3);
        return false;
    }
    return true;
}

} // namespace vegctl
