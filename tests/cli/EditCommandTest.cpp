#include "VegctlRun.h"

#include "core/text/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// vegctl edit on the demo Modbus configuration and the demo database.
class VegctlEdit : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString demo = QStringLiteral(VEG_DEMO_DIR);
    QString config = demo + QStringLiteral("/Котельная-Modbus.veg");
    QString settings = dir.filePath("vegctl.ini");

    void SetUp() override { ASSERT_TRUE(writeDemoSettings(settings)); }
};

} // namespace

TEST_F(VegctlEdit, RunsAScriptAndSavesTheSession)
{
    const QString out = dir.filePath("out.veg");
    const QByteArray script = "open TFModbusTU\n"
                              "type 6 1 12\n"
                              "select \"Котельная №1\" \"Задвижка на подаче\" \"Откр (№ 0201)\"\n"
                              "drop 6 4\n"
                              "close\n";
    const VegctlRun r =
        runVegctl({"edit", config, "--settings", settings, "--out", out, "-"}, script);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "box: Введите тип ТУ!(Строка 4)\n");

    const VegctlRun dump = runVegctl({"dump", out, "--settings", settings});
    ASSERT_EQ(dump.status, 0) << dump.err.toStdString();
    const QJsonObject row = QJsonDocument::fromJson(dump.out.toUtf8())
                                .object()["ModbusCoilTable"]
                                .toArray()[3]
                                .toObject();
    EXPECT_EQ(row["Coil"].toInt(), 12);
    EXPECT_EQ(row["TU1"].toObject()["ParamNumber"].toInt(), 0x0201);
    EXPECT_EQ(row["NameTU1"].toString(), "Откр (№ 0201)/Задвижка на подаче(Котельная №1)");
}

TEST_F(VegctlEdit, ABadLineStopsWithItsNumber)
{
    const QString script = dir.filePath("bad.txt");
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("open TFCommon\nfrobnicate\n");
    f.close();
    const QString out = dir.filePath("never.veg");
    const VegctlRun r = runVegctl({"edit", config, "--settings", settings, "--out", out, script});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, script + ":2: frobnicate: unknown command\n");
    EXPECT_FALSE(QFile::exists(out));

    const VegctlRun help = runVegctl({"edit", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("place [SLOT]")) << help.out.toStdString();
}

// The demo configurations of the metering and energy protocols open in their windows with
// their tables filled and close without a finding.
TEST_F(VegctlEdit, MeteringDemosOpenAndCloseClean)
{
    struct Case
    {
        const char* file;
        const char* window;
        const char* row; // a filled row as "show grid" prints it, its start
    } cases[] = {
        {"Котельная-УНК.veg", "TFUNK", "row 19: Архив расхода по часам | АрхТ (№ 0305)"},
        {"Котельная-HART.veg", "TFHART", "row 7: Параметр \"часовой архив\" | АрхТ (№ 0305)"},
        {"Котельная-КТС.veg", "TFKTC_Gr", "row 3: 3 | Котельная №1( CAN-адрес - 1A) | Рпод"},
        {"Котельная-КТС.veg", "TFKTC_TC", "row 4: 4 | группа | ~ | ГрК1 (№ 0421)"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.window);
        const QByteArray script = QByteArray("open ") + k.window + "\nshow grid\nclose\nshow\n";
        const VegctlRun r = runVegctl(
            {"edit", demo + u'/' + QString::fromUtf8(k.file), "--settings", settings, "-"}, script);
        // The last "show" finds no window: the closing passed.
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains("show: no window is open")) << r.err.toStdString();
        EXPECT_FALSE(r.out.contains("box:")) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(k.row))) << r.out.toStdString();
    }
}

// "Печать" of the telemetry window into a PDF file: the printed rows' texts are in it.
TEST_F(VegctlEdit, PrintsTheTelemetryTableToPdf)
{
    const QString pdf = dir.filePath("ТИ.pdf");
    const VegctlRun r = runVegctl({"edit", config, "--settings", settings, "--print", pdf, "-"},
                                "open TFTIFloat\npress Печать\nclose\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("print: 1 | 0 | Температура подачи/Теплоузел котельной(Котельная "
                               "№1) | 0301 | 1A | 01 | 11\n"))
        << r.out.toStdString();
    ASSERT_TRUE(QFile::exists(pdf));

    // The PDF's own text, as a reader extracts it (poppler's pdftotext, which scripts/bootstrap
    // installs).
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000)) << "pdftotext did not run";
    ASSERT_EQ(text.exitCode(), 0);
    QString printed = QString::fromUtf8(text.readAllStandardOutput());
    printed.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
    EXPECT_TRUE(printed.contains("Температура подачи")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("0301 1A 01 11")) << printed.toStdString();

    // A PDF file that cannot be written: the message and exit status 1.
    const QString nowhere = dir.filePath("нет/x.pdf");
    const VegctlRun bad = runVegctl({"edit", config, "--settings", settings, "--print", nowhere, "-"},
                                  "open TFTIFloat\npress Печать\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.endsWith("Файл " + nowhere + " не записан\n")) << bad.err.toStdString();
}
