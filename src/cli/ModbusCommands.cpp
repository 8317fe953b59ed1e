// vegctl modbus read / inputs / coils / write-coil: the gateway's Modbus side as the link test
// reaches it (holding registers as the read window reads them; discrete inputs and coils one
// item per request in the same way), with the settings of section "NastrModbus" unless an
// option says otherwise. Every subcommand shares the options, the list of numbers, the output
// (one line per item: the number, a tab, the value or the error with its code) and the exit
// status (0 when every item succeeded, 3 otherwise, 2 for refused arguments).

#include "Commands.h"

#include "core/settings/ProgramSettings.h"
#include "core/modbus/ModbusBits.h"
#include "core/settings/ModbusLinkSettings.h"
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
#include <functional>
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
    std::string items; // the numbers as typed
    std::string value; // write-coil: 0 or 1
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
            return refuse(QStringLiteral("--slave: не шестнадцатеричный адрес 00..FF: ") +
                          QString::fromStdString(*o.slave));
        s.SlaveAddress = std::uint8_t(*v);
    }
    if (o.crc) {
        const auto v = NumberText::parseHex(QString::fromStdString(*o.crc));
        if (!v || *v > 0xFFFF)
            return refuse(QStringLiteral("--crc: не шестнадцатеричная константа 0000..FFFF: ") +
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
        return refuse(QStringLiteral("--parity: у 10-битных символов нет бита чётности"));
    if (o.timeout)
        s.AnswerSeconds = *o.timeout;
    if (o.invert || o.noInvert)
        s.InvertBytes = o.invert;
    if (o.swap || o.noSwap)
        s.SwapWords = o.swap;
    return true;
}

// What a subcommand asks of one item on the open port.
using ItemRequest =
    std::function<ModbusReading(ModbusMaster&, const ModbusLinkSettings&, int item)>;

// The settings, the options and the list of numbers (at most one with `oneItem`), each refused
// before the port opens; then each item in the typed order.
void runItems(const ModbusOptions& o, bool oneItem, const ItemRequest& request)
{
    ProgramSettings file(o.settings.empty() ? defaultSettingsPath()
                                            : QString::fromStdString(o.settings));
    for (const QString& warning : file.ReadProgramSettings())
        print(stderr, warning);
    ModbusLinkSettings s = file.modbus;
    if (!applyOptions(o, s))
        return;
    QString message;
    const auto items = ParseRegisterList(QString::fromStdString(o.items), &message);
    if (!items) {
        refuse(message);
        return;
    }
    if (oneItem && items->size() != 1) {
        refuse(QStringLiteral("только один номер за раз: ") + QString::fromStdString(o.items));
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
    for (int item : *items) {
        const ModbusReading r = request(master, s, item);
        if (r.aborted) {
            all = false;
            break;
        }
        all = all && r.code == 0;
        print(stdout, QString::number(item) + u'\t' + (r.code == 0 ? r.value : r.note));
        std::fflush(stdout);
    }
    std::signal(SIGINT, SIG_DFL);
    exitStatus() = all ? 0 : 3;
}

// A subcommand taking a list of numbers and the shared link options.
CLI::App* addItemCommand(CLI::App* modbus, const char* name, const char* description,
                         const char* itemsName, const char* itemsHelp, ModbusOptions& o)
{
    CLI::App* c = modbus->add_subcommand(name, description);
    c->add_option(itemsName, o.items, itemsHelp)->required();
    c->add_option("--port", o.port, "последовательный порт: COM1.., ttyUSB0, /dev/ttyS0, псевдотерминал");
    c->add_option("--baud", o.baud, "скорость")
        ->check(CLI::IsMember({300, 600, 1200, 2400, 4800, 9600, 19200}));
    c->add_option("--slave", o.slave, "адрес шлюза как ведомого (шестнадцатеричный)");
    c->add_option("--format", o.format, "10 (один стоповый бит, без чётности) или 11 бит (два стоповых бита)")
        ->check(CLI::IsMember({10, 11}));
    c->add_option("--parity", o.parity, "чётность 11-битных символов")
        ->check(CLI::IsMember({"even", "odd", "none"}));
    c->add_option("--crc", o.crc, "константа CRC-16 (шестнадцатеричная; A001 стандартная, 0 нет)");
    c->add_option("--timeout", o.timeout, "время ответа, с")->check(CLI::NonNegativeNumber);
    CLI::Option* invert = c->add_flag("--invert", o.invert, "обратить порядок байт чисел с плавающей точкой");
    c->add_flag("--no-invert", o.noInvert, "не обращать его")->excludes(invert);
    CLI::Option* swap = c->add_flag("--swap", o.swap, "переставить половины чисел с плавающей точкой");
    c->add_flag("--no-swap", o.noSwap, "не переставлять их")->excludes(swap);
    c->add_option("--settings", o.settings,
                  "файл настроек программы, секция \"NastrModbus\" которого даёт значения по "
                  "умолчанию (по умолчанию файл vegconf: vegconf.ini рядом с vegctl или "
                  "~/.config/vegconf/vegconf.ini)");
    c->add_flag("--trace", o.trace, "каждый запрос и ответ в стандартный поток ошибок");
    return c;
}

} // namespace

void addModbusCommands(CLI::App& app)
{
    CLI::App* modbus = app.add_subcommand("modbus", "сторона Modbus шлюза: проверка связи");
    modbus->require_subcommand(1);

    // The commands that take a list of numbers and ask each of them alike.
    const struct
    {
        const char* name;
        const char* description;
        const char* items;
        const char* itemsHelp;
        ItemRequest request;
    } lists[] = {
        {"read",
         "прочитать регистры хранения как числа с плавающей точкой: по строке на регистр, код "
         "выхода 3, если прочитаны не все",
         "REG", "REG[,REG...]: десятичные номера регистров",
         [](ModbusMaster& m, const ModbusLinkSettings& s, int reg) {
             return ReadHoldingRegister(m, s, reg, {});
         }},
        {"inputs",
         "прочитать дискретные входы (телесигналы шлюза): по строке на вход, 0 или 1, код "
         "выхода 3, если прочитаны не все",
         "ADDR", "ADDR[,ADDR...]: десятичные номера дискретных входов",
         [](ModbusMaster& m, const ModbusLinkSettings& s, int n) {
             return ReadDiscreteInput(m, s, n, {});
         }},
        {"coils",
         "прочитать coil (команды телеуправления шлюза): по строке на coil, 0 или 1, код "
         "выхода 3, если прочитаны не все",
         "ADDR", "ADDR[,ADDR...]: десятичные номера coil",
         [](ModbusMaster& m, const ModbusLinkSettings& s, int n) { return ReadCoil(m, s, n, {}); }},
    };
    for (const auto& list : lists) {
        auto o = std::make_shared<ModbusOptions>();
        addItemCommand(modbus, list.name, list.description, list.items, list.itemsHelp, *o)
            ->callback([o, request = list.request] { runItems(*o, false, request); });
    }

    auto write = std::make_shared<ModbusOptions>();
    CLI::App* writeCoil = addItemCommand(
        modbus, "write-coil",
        "подать команду телеуправления: записать 1 (FF00) или 0 (0000) в coil; строка "
        "показывает значение, которое подтвердил шлюз, код выхода 3, если не подтвердил",
        "ADDR", "ADDR: десятичный номер coil", *write);
    writeCoil->add_option("VALUE", write->value, "0 или 1")->required();
    writeCoil->callback([write] {
        if (write->value != "0" && write->value != "1") {
            refuse(QStringLiteral("значение coil — 0 или 1: ") +
                   QString::fromStdString(write->value));
            return;
        }
        const bool on = write->value == "1";
        runItems(*write, true, [on](ModbusMaster& m, const ModbusLinkSettings& s, int n) {
            return WriteCoil(m, s, n, on, {});
        });
    });
}

} // namespace vegctl
