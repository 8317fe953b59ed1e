// vegctl modbus read / inputs / coils / write-coil: the gateway's Modbus side as the link test
// reaches it (holding registers as the read window reads them; discrete inputs and coils one
// item per request in the same way), with the settings of section "NastrModbus" unless an
// option says otherwise. Every subcommand shares the options, the list of numbers, the output
// (one line per item: the number, a tab, the value or the error with its code) and the exit
// status (0 when every item succeeded, 3 otherwise, 2 for refused arguments).
//
// vegctl modbus survey / monitor: every row in use of a Modbus configuration's tables, read as the
// monitor reads them (contiguous numbers in one request), once or in cycles until interrupted.

#include "Commands.h"

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusBits.h"
#include "core/modbus/ModbusMaster.h"
#include "core/modbus/ModbusReading.h"
#include "core/monitor/ModbusMonitor.h"
#include "core/monitor/MonitorCsv.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/settings/ProgramSettings.h"
#include "core/text/NumberText.h"

#include <QCoreApplication>
#include <QDateTime>
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
    double interval = 0; // monitor: seconds between the starts of two cycles
    std::string csv;     // monitor: the file every change goes to
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

// The link test's settings: the settings file's "NastrModbus" with the options over it. False
// (exit status 2) for an option that does not read.
bool linkSettings(const ModbusOptions& o, ModbusLinkSettings& s, ProgramSettings* keep = nullptr)
{
    ProgramSettings file(o.settings.empty() ? defaultSettingsPath()
                                            : QString::fromStdString(o.settings));
    for (const QString& warning : file.ReadProgramSettings())
        print(stderr, warning);
    s = file.modbus;
    if (keep)
        *keep = file;
    return applyOptions(o, s);
}

// The master on its own port, Ctrl+C stopping its waits.
struct OpenMaster
{
    SystemClock clock;
    LinkShared shared;
    std::unique_ptr<ModbusMaster> master;

    // False with the message printed and exit status 3 when the port does not open.
    bool open(const ModbusOptions& o, const ModbusLinkSettings& s)
    {
        LinkContext context;
        context.clock = &clock;
        context.shared = &shared;
        context.pump = [this] {
            if (g_stopRequested)
                shared.AbortRequested = true;
        };
        if (o.trace)
            context.log = [](const QString& line) { print(stderr, line); };
        master = std::make_unique<ModbusMaster>(std::make_unique<QtSerialPort>(), context);
        if (master->OpenTestPort(s))
            return true;
        QString text = QStringLiteral("Ошибка открытия порта ") + s.TestPortName;
        if (const QString why = master->openErrorText(); !why.isEmpty())
            text += QStringLiteral(": ") + why;
        print(stderr, text);
        exitStatus() = 3;
        return false;
    }
};

// The settings, the options and the list of numbers (at most one with `oneItem`), each refused
// before the port opens; then each item in the typed order.
void runItems(const ModbusOptions& o, bool oneItem, const ItemRequest& request)
{
    ModbusLinkSettings s;
    if (!linkSettings(o, s))
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
    OpenMaster port;
    if (!port.open(o, s))
        return;
    std::signal(SIGINT, onInterrupt);
    bool all = true;
    for (int item : *items) {
        const ModbusReading r = request(*port.master, s, item);
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

// The rows of the Modbus configuration in `path`; nullopt (exit status 2) for a file that does
// not load or is of another protocol, or one without a row in use.
std::optional<std::vector<MonitorRow>> configurationRows(const std::string& path,
                                                         const ProgramSettings& file)
{
    GatewayConfig config;
    LoadOptions options;
    options.directories = file.database;
    const LoadResult r = LoadConfiguration(config, QString::fromStdString(path), options);
    for (const QString& n : r.notices)
        print(stderr, n);
    const QString name = QString::fromStdString(path);
    if (!r.loaded()) {
        refuse(name + QStringLiteral(": ") + r.message);
        return std::nullopt;
    }
    if (config.Protocol != ProtocolVariant::Modbus) {
        refuse(name + QStringLiteral(": не конфигурация протокола Modbus"));
        return std::nullopt;
    }
    auto rows = MonitorRowsOf(config);
    if (rows.empty()) {
        refuse(name + QStringLiteral(": в таблицах Modbus нет ни одной строки"));
        return std::nullopt;
    }
    return rows;
}

QString rowLine(const MonitorRow& row, const QString& shown)
{
    return tableText(row.table) + u'\t' + QString::number(row.number) + u'\t' + row.text + u'\t' +
           shown;
}

// One cycle over every row: a line per row, then "Ответили N из M".
void runSurvey(const ModbusOptions& o)
{
    ModbusLinkSettings s;
    ProgramSettings file(QString{});
    if (!linkSettings(o, s, &file))
        return;
    auto rows = configurationRows(o.items, file);
    if (!rows)
        return;
    OpenMaster port;
    if (!port.open(o, s))
        return;
    std::signal(SIGINT, onInterrupt);
    ModbusMonitor monitor(std::move(*rows), s, port.clock);
    const MonitorCycle c = monitor.runCycle(*port.master);
    std::signal(SIGINT, SIG_DFL);
    if (c.aborted) {
        exitStatus() = 3;
        return;
    }
    for (std::size_t i = 0; i < monitor.rows().size(); ++i)
        print(stdout, rowLine(monitor.rows()[i], monitor.states()[i].shown()));
    print(stdout, QStringLiteral("Ответили %1 из %2").arg(c.answered).arg(monitor.rows().size()));
    exitStatus() = c.failed == 0 ? 0 : 3;
}

// Cycles until Ctrl+C: a line per change ("hh:mm:ss", table, number, text, value or error), each
// also in the CSV file when one is given.
void runMonitor(const ModbusOptions& o)
{
    ModbusLinkSettings s;
    ProgramSettings file(QString{});
    if (!linkSettings(o, s, &file))
        return;
    if (o.interval < 0 || o.interval > 86400) {
        refuse(QStringLiteral("--interval: число секунд от 0 до 86400"));
        return;
    }
    auto rows = configurationRows(o.items, file);
    if (!rows)
        return;
    MonitorCsvFile csv;
    if (!o.csv.empty() && !csv.open(QString::fromStdString(o.csv))) {
        print(stderr, QString::fromStdString(o.csv) + QStringLiteral(": ") + csv.errorText());
        exitStatus() = 3;
        return;
    }
    OpenMaster port;
    if (!port.open(o, s))
        return;
    ModbusMonitor monitor(std::move(*rows), s, port.clock);
    bool csvFailed = false;
    monitor.changed = [&](const MonitorChange& c) {
        const MonitorRow& row = monitor.rows()[std::size_t(c.row)];
        print(stdout,
              c.time.toString(QStringLiteral("hh:mm:ss")) + u'\t' + rowLine(row, c.shown()));
        std::fflush(stdout);
        if (csv.isOpen() &&
            !csv.write(MonitorCsv::line(QDateTime::currentDateTime(), row, c.shown())) &&
            !csvFailed) {
            csvFailed = true;
            print(stderr, csv.path() + QStringLiteral(": ") + csv.errorText());
        }
    };
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const qint64 intervalMs = qint64(o.interval * 1000);
    while (!g_stopRequested) {
        const qint64 start = port.clock.nowMs();
        const MonitorCycle c = monitor.runCycle(*port.master);
        if (c.aborted)
            break;
        // The rest of the interval, in short sleeps so that Ctrl+C is taken at once.
        while (!g_stopRequested && port.clock.nowMs() - start < intervalMs)
            port.clock.sleepMs(
                int(std::min<qint64>(100, intervalMs - (port.clock.nowMs() - start))));
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    exitStatus() = csvFailed ? 3 : 0;
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

    auto survey = std::make_shared<ModbusOptions>();
    addItemCommand(modbus, "survey",
                   "прочитать один раз каждую строку таблиц Modbus-конфигурации, идущие подряд "
                   "номера одним запросом: по строке на строку таблицы (таблица, номер, параметр, "
                   "значение или ошибка через табуляцию), затем \"Ответили N из M\"; код выхода "
                   "3, если ответили не все",
                   "FILE", "FILE.veg: конфигурация протокола Modbus", *survey)
        ->callback([survey] { runSurvey(*survey); });
    auto watch = std::make_shared<ModbusOptions>();
    CLI::App* monitor = addItemCommand(
        modbus, "monitor",
        "читать строки таблиц Modbus-конфигурации циклами до Ctrl+C: по строке на каждое "
        "изменение (время, таблица, номер, параметр, значение или ошибка)",
        "FILE", "FILE.veg: конфигурация протокола Modbus", *watch);
    monitor->add_option("--interval", watch->interval,
                        "секунд от начала одного цикла до начала следующего (по умолчанию 0)");
    monitor->add_option("--csv", watch->csv,
                        "дописывать каждое изменение в этот CSV-файл (UTF-8 с BOM, точки с запятой)");
    monitor->callback([watch] { runMonitor(*watch); });

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
