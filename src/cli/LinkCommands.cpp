// vegctl param / access: read and write gateway and controller parameters over a serial port,
// by any of the three routes, with the link's retries, time-outs and trace.

#include "Commands.h"

#include "core/link/ExchangeSettings.h"
#include "core/link/KalO.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"
#include "core/text/NumberText.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

namespace vegctl {
namespace {

using namespace veg;

volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int)
{
    g_interrupted = 1;
}

struct LinkOptions
{
    std::string port;
    std::string link = "rs232";
    int baud = 9600;
    bool viaAdapter = false;
    std::string adapter = "01";
    std::string gateway = "25";
    int crc = 0;
    int retries = 3;
    int canSpeed = 300;
    int trace = -1;
    std::string settings;
};

struct ParamArgs
{
    std::string param;
    std::string index;
    int size = 0;
    std::vector<std::string> bytes;
    bool first = false;
    std::string level;
    std::string code;
};

void addLinkOptions(CLI::App* cmd, LinkOptions& o)
{
    cmd->add_option("--port", o.port, "serial port: COM1.., /dev/ttyUSB0, a pseudo-terminal")
        ->required();
    cmd->add_option("--link", o.link, "rs232 or can")->check(CLI::IsMember({"rs232", "can"}));
    cmd->add_option("--baud", o.baud, "RS-232 speed: 300 .. 115200");
    cmd->add_flag("--via-adapter", o.viaAdapter, "RS-232 through the master module");
    cmd->add_option("--adapter", o.adapter, "master module network number (hex)");
    cmd->add_option("--gateway", o.gateway, "gateway network number (hex)");
    cmd->add_option("--crc", o.crc, "0 sum, 1 CRC in the data, 2 CRC instead of the sum")
        ->check(CLI::Range(0, 2));
    cmd->add_option("--retries", o.retries, "attempts per request")->check(CLI::Range(1, 20));
    cmd->add_option("--can-speed", o.canSpeed, "CAN speed in kbit/s: 300, 150, 100, 50, 20")
        ->check(CLI::IsMember({300, 150, 100, 50, 20}));
    cmd->add_option("--trace", o.trace, "trace level; trace lines go to standard error");
    cmd->add_option("--settings", o.settings,
                    "program settings file with the adapter keys of section \"Parametr\"");
}

void fail(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    exitStatus() = 3;
}

void failStatus(LinkStatus status)
{
    fail(QString::number(status) + StatusMessage(status));
}

std::optional<std::uint32_t> hexArg(const std::string& text, std::uint32_t max, const char* what)
{
    const auto v = NumberText::parseHex(QString::fromStdString(text));
    if (!v || *v > max) {
        std::fprintf(stderr, "%s: not a hexadecimal number up to %X: %s\n", what, max,
                     text.c_str());
        exitStatus() = 2;
        return std::nullopt;
    }
    return v;
}

std::optional<QByteArray> dataArg(const std::vector<std::string>& bytes)
{
    QByteArray out;
    for (const auto& b : bytes) {
        const auto v = hexArg(b, 0xFF, "BYTE");
        if (!v)
            return std::nullopt;
        out.append(char(*v));
    }
    return out;
}

// An open link and the target of its requests, set up as the exchange window does it.
struct Session
{
    SystemClock clock;
    LinkShared shared;
    std::unique_ptr<KalO> link;
    LinkTarget target;

    bool open(const LinkOptions& o)
    {
        ExchangeSettings s;
        s.PortName = QString::fromStdString(o.port);
        s.AdapterKind = o.link == "can" ? ExchangeSettings::kCanBus : ExchangeSettings::kRs232;
        s.ViaAdapter = o.viaAdapter && s.AdapterKind != ExchangeSettings::kCanBus;
        s.SpeedIndex = int(ExchangeSettings::serialSpeeds().indexOf(QString::number(o.baud)));
        if (s.SpeedIndex < 0) {
            std::fprintf(stderr, "--baud: not a speed of the link: %d\n", o.baud);
            exitStatus() = 2;
            return false;
        }
        const int canIndex = int(QList<int>{300, 150, 100, 50, 20}.indexOf(o.canSpeed));
        const auto gw = hexArg(o.gateway, 0xFF, "--gateway");
        const auto ad = hexArg(o.adapter, 0xFF, "--adapter");
        if (!gw || !ad)
            return false;
        s.GatewayNumber = std::uint8_t(*gw);
        s.AdapterNumber = std::uint8_t(*ad);
        s.ChecksumKind = std::uint8_t(o.crc);
        s.Retries = o.retries;

        shared.TraceLevel = o.trace >= 0 ? o.trace : 0;
        LinkContext c;
        c.clock = &clock;
        c.shared = &shared;
        c.pump = [this] {
            QCoreApplication::processEvents();
            if (g_interrupted)
                shared.AbortRequested = true;
        };
        if (o.trace >= 0)
            c.log = [](const QString& line) {
                std::fprintf(
                    stderr, "%s : %s\n",
                    QTime::currentTime().toString("hh:mm:ss:zzz").toLocal8Bit().constData(),
                    line.toLocal8Bit().constData());
            };
        const bool can = s.AdapterKind == ExchangeSettings::kCanBus;
        link = std::make_unique<KalO>(std::make_unique<QtSerialPort>(), c, s.PortName,
                                      s.AdapterKind, can ? 10 : s.SpeedIndex);
        if (!link->PortOpen()) {
            fail(QStringLiteral("Ошибка инициализации порта ") + s.PortName);
            return false;
        }
        link->SetRetries(s.Retries);
        if (can) {
            const int pos = KalO::canSpeedPosition(canIndex);
            if (o.settings.empty())
                link->LoadAdapterConfig(KalO::Settings{}, pos);
            else
                link->LoadAdapterConfig(QString::fromStdString(o.settings), pos);
            if (!link->InitAdapter()) {
                failStatus(Status::AdapterInitFailed);
                return false;
            }
        }
        target.Route = s.ViaAdapter ? LinkTarget::kTransit : LinkTarget::kDirect;
        target.RequestKind = can ? LinkTarget::kCanRequest : LinkTarget::kSerialRequest;
        target.LineKind = s.AdapterKind;
        target.Address = s.ViaAdapter ? s.AdapterNumber : s.GatewayNumber;
        target.Destination = s.GatewayNumber;
        target.ChecksumKind = s.ChecksumKind;
        return true;
    }
};

void printData(const LinkAnswer& a, int n)
{
    QStringList out;
    for (int i = 0; i < n && LinkAnswer::kDataOffset + i < LinkAnswer::kSize; ++i)
        out << NumberText::hex(a.data(i), 2);
    std::printf("%s\n", out.join(QLatin1Char(' ')).toLatin1().constData());
}

void finish(LinkStatus status)
{
    if (status != Status::Ok)
        failStatus(status);
    else
        exitStatus() = 0;
}

enum class Op
{
    Read,
    Write,
    ReadAt,
    WriteAt,
    Access
};

void run(Op op, const LinkOptions& o, const ParamArgs& a)
{
    std::signal(SIGINT, onInterrupt);
    std::optional<std::uint32_t> param;
    if (op != Op::Access) {
        param = hexArg(a.param, 0xFFFF, "PARAM");
        if (!param)
            return;
    }
    std::uint32_t index = 0;
    if (op == Op::ReadAt || op == Op::WriteAt) {
        const auto v = NumberText::parseDec(QString::fromStdString(a.index));
        if (!v || *v < 0 || *v > 0xFFFF) {
            std::fprintf(stderr, "INDEX: not an element index 0..65535: %s\n", a.index.c_str());
            exitStatus() = 2;
            return;
        }
        index = std::uint32_t(*v);
    }
    std::optional<QByteArray> data = QByteArray();
    if (op == Op::Write || op == Op::WriteAt) {
        data = dataArg(a.bytes);
        if (!data)
            return;
    }
    if ((op == Op::Read || op == Op::ReadAt) && (a.size < 1 || a.size > 250)) {
        std::fprintf(stderr, "SIZE: 1..250 bytes\n");
        exitStatus() = 2;
        return;
    }

    Session s;
    if (!s.open(o))
        return;
    LinkAnswer answer;
    switch (op) {
    case Op::Read: {
        const LinkStatus st = s.link->ReadParam(std::uint16_t(*param), a.size, s.target, answer);
        if (st == Status::Ok)
            printData(answer, a.size);
        finish(st);
        break;
    }
    case Op::ReadAt: {
        int got = 0;
        const LinkStatus st = s.link->ReadParamAt(std::uint16_t(*param), std::uint16_t(index),
                                                  a.size, a.size, s.target, answer, got);
        if (st == Status::Ok)
            printData(answer, a.size);
        finish(st);
        break;
    }
    case Op::Write:
        finish(s.link->WriteParam(std::uint16_t(*param), *data, s.target));
        break;
    case Op::WriteAt:
        finish(s.link->WriteParamAt(std::uint16_t(*param), std::uint16_t(index), *data, a.first,
                                    s.target));
        break;
    case Op::Access: {
        const auto level = NumberText::parseDec(QString::fromStdString(a.level));
        if (!level || *level < 0 || *level > 15) {
            std::fprintf(stderr, "LEVEL: 0..15\n");
            exitStatus() = 2;
            return;
        }
        const QString code = QString::fromStdString(a.code);
        finish(s.target.Route == LinkTarget::kTransit
                   ? s.link->SetAccessLevelTransit(int(*level), code, s.target)
                   : s.link->SetAccessLevel(int(*level), code, s.target));
        break;
    }
    }
}

} // namespace

void addLinkCommands(CLI::App& app)
{
    auto options = std::make_shared<LinkOptions>();
    auto args = std::make_shared<ParamArgs>();

    CLI::App* param =
        app.add_subcommand("param", "Read or write a parameter of a gateway or controller");
    param->require_subcommand(1);

    CLI::App* read =
        param->add_subcommand("read", "Read a parameter; its bytes go to standard output");
    read->add_option("PARAM", args->param, "parameter number (hex, e.g. F000)")->required();
    read->add_option("SIZE", args->size, "data bytes expected")->required();
    addLinkOptions(read, *options);
    read->callback([=] { run(Op::Read, *options, *args); });

    CLI::App* write = param->add_subcommand("write", "Write a parameter");
    write->add_option("PARAM", args->param, "parameter number (hex)")->required();
    write->add_option("BYTE", args->bytes, "data bytes (hex)")->required();
    addLinkOptions(write, *options);
    write->callback([=] { run(Op::Write, *options, *args); });

    CLI::App* readAt = param->add_subcommand("read-at", "Read one element of an indexed parameter");
    readAt->add_option("PARAM", args->param, "parameter number (hex)")->required();
    readAt->add_option("INDEX", args->index, "element index (decimal)")->required();
    readAt->add_option("SIZE", args->size, "bytes of the element")->required();
    addLinkOptions(readAt, *options);
    readAt->callback([=] { run(Op::ReadAt, *options, *args); });

    CLI::App* writeAt =
        param->add_subcommand("write-at", "Write one element of an indexed parameter");
    writeAt->add_flag("--first", args->first, "first element of a series: select the parameter");
    writeAt->add_option("PARAM", args->param, "parameter number (hex)")->required();
    writeAt->add_option("INDEX", args->index, "element index (decimal)")->required();
    writeAt->add_option("BYTE", args->bytes, "data bytes (hex)")->required();
    addLinkOptions(writeAt, *options);
    writeAt->callback([=] { run(Op::WriteAt, *options, *args); });

    CLI::App* access = app.add_subcommand("access", "Open an access level on the gateway");
    access->add_option("LEVEL", args->level, "access level")->required();
    access->add_option("CODE", args->code, "access code, up to 8 hex digits");
    addLinkOptions(access, *options);
    access->callback([=] { run(Op::Access, *options, *args); });
}

} // namespace vegctl
