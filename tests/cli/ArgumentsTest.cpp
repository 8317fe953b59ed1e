// vegctl's command line: every argument it does not take exits 2 with a Russian line naming the
// option, an option given twice takes its last value, and every help page is Russian.

#include "VegctlRun.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

bool hasCyrillic(const QString& text)
{
    return text.contains(QRegularExpression(QStringLiteral("[А-Яа-яЁё]")));
}

// The commands a help page lists under "Команды:".
QStringList commandsOf(const QString& help)
{
    QStringList out;
    const int at = int(help.indexOf(QStringLiteral("\nКоманды:\n")));
    if (at < 0)
        return out;
    static const QRegularExpression line(QStringLiteral("^  ([a-z][a-z-]*) "));
    for (const QString& l : help.mid(at).split(u'\n').mid(2)) {
        const auto m = line.match(l);
        if (!m.hasMatch())
            break;
        out << m.captured(1);
    }
    return out;
}

} // namespace

TEST(VegctlArguments, EveryArgumentErrorExitsTwoNamingTheOption)
{
    struct Case
    {
        QStringList args;
        QString message; // the first line of standard error
    };
    const Case cases[] = {
        {{}, "Не задана команда"},
        {{"frob"}, "Неизвестная команда: frob"},
        {{"dump"}, "Не задан обязательный аргумент FILE"},
        {{"dump", "a.veg", "b.veg"}, "Лишний аргумент: b.veg"},
        {{"dump", "a.veg", "--colour"}, "Неизвестный параметр: --colour"},
        {{"dump", "a.veg", "--settings"}, "После --settings не задано значение"},
        {{"write", "a.veg"}, "Не задан обязательный параметр --port"},
        {{"write", "a.veg", "--port", "p", "--link", "usb"},
         "--link: значение «usb» не из списка {rs232,can}"},
        {{"write", "a.veg", "--port", "p", "--can-speed", "125"},
         "--can-speed: значение «125» не из списка {300,150,100,50,20}"},
        {{"write", "a.veg", "--port", "p", "--retries", "30"},
         "--retries: значение «30» вне диапазона 1…20"},
        {{"write", "a.veg", "--port", "p", "--baud", "fast"},
         "--baud: значение «fast» не подходит (нужно число)"},
        {{"modbus"}, "Не задана команда"},
        {{"modbus", "read", "5", "--port", "p", "--timeout", "-1"},
         "--timeout: значение «-1» должно быть числом не меньше 0"},
        {{"modbus", "read", "5", "--port", "p", "--invert", "--no-invert"},
         "--invert и --no-invert нельзя задавать вместе"},
        {{"modbus", "write-coil", "5"}, "Не задан обязательный аргумент VALUE"},
        {{"param", "read", "F000", "4", "--port", "p", "--first"}, "Неизвестный параметр: --first"},
        {{"db", "q.tsk", "--alg", "a", "--mod", "m"}, "Не задан обязательный параметр --tsk"},
    };
    for (const Case& c : cases) {
        const VegctlRun r = runVegctl(c.args);
        const std::string line = c.args.join(u' ').toStdString();
        EXPECT_EQ(r.status, 2) << line << "\n" << r.err.toStdString();
        const QStringList lines = r.err.split(u'\n');
        EXPECT_EQ(lines.value(0), c.message) << line;
        EXPECT_TRUE(lines.value(1).startsWith(QStringLiteral("Справка: vegctl"))) << line;
        EXPECT_TRUE(r.out.isEmpty()) << line;
    }
}

// An option given twice takes its last value: the slave address last given decides whether the
// command goes on to the port (exit 3, the port is missing) or stops at the address (exit 2).
TEST(VegctlArguments, ARepeatedOptionTakesTheLastValue)
{
    QTemporaryDir dir;
    const QString port = dir.filePath("ttyNone");
    const QStringList base{"modbus", "read", "5", "--settings", dir.filePath("none.ini")};
    const VegctlRun good = runVegctl(base + QStringList{"--port", "/dev/null", "--slave", "1FF",
                                                        "--slave", "01", "--port", port});
    EXPECT_EQ(good.status, 3) << good.err.toStdString();
    EXPECT_TRUE(good.err.contains(port)) << good.err.toStdString();
    const VegctlRun bad =
        runVegctl(base + QStringList{"--slave", "01", "--slave", "1FF", "--port", port});
    EXPECT_EQ(bad.status, 2) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.startsWith("--slave:")) << bad.err.toStdString();
}

// The help of vegctl and of each of its commands, nested ones too: Russian, none of the
// parser's English labels, every option described.
TEST(VegctlArguments, EveryHelpPageIsRussian)
{
    static const QRegularExpression english(QStringLiteral(
        "\\b(Usage|OPTIONS|Options|POSITIONALS|Positionals|SUBCOMMANDS?|Subcommands|REQUIRED|"
        "TEXT|INT|UINT|FLOAT|BOOLEAN|NONNEGATIVE|Excludes|Needs|Print this help|Display program "
        "version)\\b"));
    QStringList pending{QString()};
    int pages = 0;
    while (!pending.isEmpty()) {
        const QString command = pending.takeFirst();
        QStringList args = command.isEmpty() ? QStringList() : command.split(u' ');
        const VegctlRun r = runVegctl(args + QStringList{"--help"});
        const std::string name = ("vegctl " + command).toStdString();
        ++pages;
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_TRUE(r.out.contains(QStringLiteral("Вызов: vegctl"))) << name;
        const auto found = english.match(r.out);
        EXPECT_FALSE(found.hasMatch()) << name << ": " << found.captured(0).toStdString();
        // Every line that describes an option or a command says it in Russian.
        for (const QString& l : r.out.split(u'\n')) {
            if (l.startsWith(QStringLiteral("  ")) && l.size() > 30 && !l.trimmed().isEmpty() &&
                l.mid(30).trimmed().size() > 0 && l.at(2) != u' ')
                EXPECT_TRUE(hasCyrillic(l)) << name << ": " << l.toStdString();
        }
        for (const QString& sub : commandsOf(r.out))
            pending << (command.isEmpty() ? sub : command + u' ' + sub);
    }
    EXPECT_GE(pages, 20); // vegctl, its 17 commands and the nested ones of param and modbus
}
