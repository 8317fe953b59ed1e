#include "VegctlRun.h"

#include "core/text/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

VegctlRun vegctlCheck(const QStringList& args)
{
    return runVegctl(QStringList{"check"} + args);
}

// vegctl check on the demo configurations, over the demo database.
class VegctlCheck : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString demo = QStringLiteral(VEG_DEMO_DIR);
    QString settings = dir.filePath("vegctl.ini");

    void SetUp() override { ASSERT_TRUE(writeDemoSettings(settings)); }
    // The demo Modbus configuration with some of its lines replaced, written beside the test.
    QString modbusWith(const QList<std::pair<QString, QString>>& replacements) const
    {
        QFile in(demo + QStringLiteral("/Котельная-Modbus.veg"));
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        QString text = veg::Cp1251::decode(in.readAll());
        for (const auto& [from, to] : replacements) {
            EXPECT_TRUE(text.contains(from)) << from.toStdString();
            text.replace(from, to);
        }
        const QString path = dir.filePath("changed.veg");
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(veg::Cp1251::encode(text));
        return path;
    }
};

} // namespace

TEST_F(VegctlCheck, DemoConfigurationsAreClean)
{
    const QStringList files = QDir(demo).entryList({"*.veg"}, QDir::Files);
    ASSERT_EQ(files.size(), 5);
    for (const QString& name : files) {
        const VegctlRun r = vegctlCheck({demo + u'/' + name, "--settings", settings});
        EXPECT_EQ(r.status, 0) << name.toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out, "Ошибок: 0, предупреждений: 0\n") << name.toStdString();
    }
}

// One line per finding, tab-separated, then the summary; an error makes the status 1, warnings
// alone do not.
TEST_F(VegctlCheck, FindingsAndStatus)
{
    const VegctlRun errors =
        vegctlCheck({modbusWith({{"V_CAN=300", "V_CAN=50"}, {"Coil-2=4", "Coil-2=2"}}),
                     "--settings", settings});
    EXPECT_EQ(errors.status, 1);
    EXPECT_EQ(errors.out,
              "ERROR\tОбщие настройки, Частота обмена по шине CAN-BUS\tУ скорости нет кода ВЕГ-78 "
              "(в файле «50»): выберите 300, 150, 100, 50 или 20 кбит/с\n"
              "ERROR\tТелеуправление, строки 2 и 3\tCoil 2: номер у нескольких строк\n"
              "Ошибок: 2, предупреждений: 0\n");

    const VegctlRun warnings =
        vegctlCheck({modbusWith({{"Coil-2=4", "Coil-2=5"}}), "--settings", settings});
    EXPECT_EQ(warnings.status, 0);
    EXPECT_EQ(warnings.out, "WARNING\tТелеуправление, строка 3\tCoil 5 нечётный: окно принимает "
                            "только чётные номера\nОшибок: 0, предупреждений: 1\n");
}

TEST_F(VegctlCheck, RefusedFileExitsWithTheMessage)
{
    const QString wrong = dir.filePath("wrong.veg");
    QFile f(wrong);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Protokol]\r\nName=Modbus 2\r\n");
    f.close();
    for (const QString& path : {wrong, dir.filePath("none.veg")}) {
        const VegctlRun r = vegctlCheck({path, "--settings", settings});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.startsWith("Файл " + path + " не ")) << r.err.toStdString();
    }
}
