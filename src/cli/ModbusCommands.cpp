// vegctl modbus read: holding registers of the gateway's Modbus side, read as the link test's
// read window reads them, with the settings of section "NastrModbus" unless an option says
// otherwise.

#include "Commands.h"

#include "core/config/ProgramSettings.h"
#include "core/modbus/ModbusLinkSettings.h"
#include "core/modbus/ModbusMaster.h"
#include "core/modbus/ModbusReading.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"
#include "core/text/NumberText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <optional>

namespace vegctl {
namespace {

using namespace veg;

volatile std::sig_atomic_t g_stopRequested = 0;

void onInterrupt(int)
{
    g_stopRequested = 1;
}

struct ModbusOptions
{
    std::string registers;
    std::optional<std::string> port;
    std::optional<int> baud;
    std::optional<std::string> slave;
    std::optional<int> format;
    std::optional<std::string> parity;
    std::optional<std::string> crc;
    std::optional<int> timeout;
    bool invert = false, noInvert = false;
    bool swap = false, noSwap = false;
    std::string settings;
    bool trace = false;
};

void print(FILE* to, const QString& text)
{
    std::fprintf(to, "%s\n", text.toLocal8Bit().constData());
}

// Refused arguments end the command with status 2, as vegctl's other commands do.
bool refuse(const QString& text)
{
    print(stderr, text);
    exitStatus() = 2;
    return false;
}

// The settings file of vegconf standing beside vegctl: beside them, or the user's own file of
// an installed program.
QString defaultSettingsPath()
{
    const QString vegconf =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vegconf"));
    return ProgramSettings::settingsPathFor(
        vegconf, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

bool applyOptions(const ModbusOptions& o, ModbusLinkSettings& s)
{
    if (o.port)
        s.TestPortName = QString::fromStdString(*o.port);
    if (o.baud)
        s.ModbusSpeedIndex = int(ModbusLinkSettings::speeds().indexOf(QString::number(*o.baud)));
    if (o.slave) {
        const auto v = NumberText::parseHex(QString::fromStdString(*o.slave));
        if (!v || *v > 0xFF)
            return refuse(QStringLiteral("--slave: not a hexadecimal address 00..FF: ") +
                          QString::fromStdString(*o.slave));
        s.SlaveAddress = std::uint8_t(*v);
    }
    if (o.crc) {
        const auto v = NumberText::parseHex(QString::fromStdString(*o.crc));
        if (!v || *v > 0xFFFF)
            return refuse(QStringLiteral("--crc: not a hexadecimal constant 0000..FFFF: ") +
                          QString::fromStdString(*o.crc));
        s.ConstCRC = std::uint16_t(*v);
    }
    if (o.format)
        s.CharFormat = *o.format == 10 ? 1 : 0;
    if (o.parity)
        s.ParityChoice = *o.parity == "even" ? 0 : *o.parity == "odd" ? 1 : 2;
    else if (o.format) // the coupling of the settings window
        s.ParityChoice = *o.format == 10 ? 2 : 0;
    if (s.CharFormat == 1 && s.ParityChoice != 2)
        return refuse(QStringLiteral("--parity: 10-bit characters carry no parity bit"));
    if (o.timeout)
        s.AnswerSeconds = *o.timeout;
    if (o.invert || o.noInvert)
        s.InvertBytes = o.invert;
    if (o.swap || o.noSwap)
        s.SwapWords = o.swap;
    return true;
}

void runRead(const ModbusOptions& o)
{
    ProgramSettings file(o.settings.empty() ? defaultSettingsPath()
                                            : QString::fromStdString(o.settings));
    for (const QString& warning : file.ReadProgramSettings())
        print(stderr, warning);
    ModbusLinkSettings s = file.modbus;
    if (!applyOptions(o, s))
        return;
    QString message;
    const auto registers = ParseRegisterList(QString::fromStdString(o.registers), &message);
    if (!registers) {
        refuse(message);
        return;
    }

    SystemClock clock;
    LinkShared shared;
    LinkContext context;
    context.clock = &clock;
    context.shared = &shared;
    context.pump = [&shared] {
        if (g_stopRequested)
            shared.AbortRequested = true;
    };
    if (o.trace)
        context.log = [](const QString& line) { print(stderr, line); };
    ModbusMaster master(std::make_unique<QtSerialPort>(), context);
    const int parityCode = s.ParityChoice == 1 ? 3 : s.ParityChoice;
    const int stopBitsCode = s.CharFormat == 1 ? 0 : 2;
    if (!master.OpenTestPort(s.TestPortName, s.ModbusSpeedIndex, parityCode, stopBitsCode)) {
        QString text = QStringLiteral("Ошибка открытия порта ") + s.TestPortName;
        if (const QString why = master.openErrorText(); !why.isEmpty())
            text += QStringLiteral(": ") + why;
        print(stderr, text);
        exitStatus() = 3;
        return;
    }
    std::signal(SIGINT, onInterrupt);
    bool all = true;
    for (int reg : *registers) {
        const ModbusReading r = ReadHoldingRegister(master, s, reg, {});
        if (r.aborted) {
            all = false;
            break;
        }
        all = all && r.code == 0;
        print(stdout, QString::number(reg) + u'\t' + (r.code == 0 ? r.value : r.note));
        std::fflush(stdout);
    }
    std::signal(SIGINT, SIG_DFL);
    exitStatus() = all ? 0 : 3;
}

} // namespace

void addModbusCommands(CLI::App& app)
{
    CLI::App* modbus = app.add_subcommand("modbus", "the gateway's Modbus side: the link test");
    modbus->require_subcommand(1);
    CLI::App* read = modbus->add_subcommand(
        "read",
        "read holding registers as floats: one line per register, exit 3 unless all were read");
    auto o = std::make_shared<ModbusOptions>();
    read->add_option("registers", o->registers, "REG[,REG...]: decimal register numbers")
        ->required();
    read->add_option("--port", o->port,
                     "serial port: COM1.., ttyUSB0, /dev/ttyS0, a pseudo-terminal");
    read->add_option("--baud", o->baud, "speed")
        ->check(CLI::IsMember({300, 600, 1200, 2400, 4800, 9600, 19200}));
    read->add_option("--slave", o->slave, "slave address of the gateway (hex)");
    read->add_option("--format", o->format,
                     "10 (one stop bit, no parity) or 11 bits (two stop bits)")
        ->check(CLI::IsMember({10, 11}));
    read->add_option("--parity", o->parity, "parity of 11-bit characters")
        ->check(CLI::IsMember({"even", "odd", "none"}));
    read->add_option("--crc", o->crc, "CRC-16 constant (hex; A001 is the standard one, 0 none)");
    read->add_option("--timeout", o->timeout, "answer time, s")->check(CLI::NonNegativeNumber);
    CLI::Option* invert = read->add_flag("--invert", o->invert, "invert the byte order of floats");
    read->add_flag("--no-invert", o->noInvert, "do not invert it")->excludes(invert);
    CLI::Option* swap = read->add_flag("--swap", o->swap, "swap the halves of floats");
    read->add_flag("--no-swap", o->noSwap, "do not swap them")->excludes(swap);
    read->add_option("--settings", o->settings,
                     "program settings file whose \"NastrModbus\" gives the defaults (default: "
                     "vegconf's: vegconf.ini beside vegctl, or ~/.config/vegconf/vegconf.ini)");
    read->add_flag("--trace", o->trace, "every request and answer to standard error");
    read->callback([o] { runRead(*o); });
}

} // namespace vegctl
