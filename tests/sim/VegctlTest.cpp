// vegctl param / access against vegsim on a pseudo-terminal, by every route.

#include "SimProcess.h"

#include <QJsonArray>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

Result vegctl(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(VEGCTL_PATH), args);
    Result r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

struct Route
{
    const char* name;
    QStringList sim;
    QStringList link;
};

const Route kRoutes[] = {
    {"direct", {"--crc", "2"}, {"--crc", "2"}},
    {"transit", {"--master", "07"}, {"--via-adapter", "--adapter", "07"}},
    {"can_adapter", {"--link", "can"}, {"--link", "can", "--can-speed", "50"}},
};

class VegctlTest : public ::testing::TestWithParam<Route>
{
};

} // namespace

TEST_P(VegctlTest, ReadsAndWritesParameters)
{
    SimProcess sim(GetParam().sim);
    ASSERT_FALSE(sim.path().isEmpty());
    const QStringList link = QStringList{"--port", sim.path()} + GetParam().link;

    Result r = vegctl(QStringList{"param", "read", "F000", "2"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("42 06\n"));

    r = vegctl(QStringList{"access", "2"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = vegctl(QStringList{"param", "write", "0105", "1a", "00"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    r = vegctl(QStringList{"param", "write-at", "--first", "0200", "0", "FF", "FF", "FF", "FF"} +
               link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = vegctl(QStringList{"param", "write-at", "0200", "1", "01", "00", "20", "25"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = vegctl(QStringList{"param", "read-at", "0200", "1", "4"} + link);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("01 00 20 25\n"));
    r = vegctl(QStringList{"param", "read", "0105", "2", "--trace", "3"} + link);
    EXPECT_EQ(r.out, QStringLiteral("1A 00\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral(" : >> "))) << r.err.toStdString();

    const QJsonObject image = sim.stop();
    EXPECT_EQ(image.value(QStringLiteral("accessLevel")).toInt(), 2);
    EXPECT_EQ(image.value(QStringLiteral("params")).toArray().size(), 3);
}

INSTANTIATE_TEST_SUITE_P(Routes, VegctlTest, ::testing::ValuesIn(kRoutes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Vegctl, AFailureGivesTheStatusAndItsMessage)
{
    SimProcess sim({});
    ASSERT_FALSE(sim.path().isEmpty());
    // A gateway number the master module does not know: a negative receipt at once.
    const Result r = vegctl(
        {"param", "read", "F000", "2", "--port", sim.path(), "--via-adapter", "--gateway", "26"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, QStringLiteral("38  Ошибки передачи (отрицательная квитанция)\n"));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(Vegctl, RefusesBadNumbersWithoutTouchingThePort)
{
    for (const QStringList& args :
         {QStringList{"param", "read", "10000", "2"}, QStringList{"param", "write", "0100", "1G"},
          QStringList{"param", "read", "F000", "2", "--gateway", "100"},
          QStringList{"param", "read", "F000", "2", "--baud", "1234"}}) {
        const Result r = vegctl(args + QStringList{"--port", "/nonexistent/port"});
        EXPECT_NE(r.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("Ошибка инициализации порта")))
            << args.join(' ').toStdString();
    }
    const Result r = vegctl({"param", "read", "F000", "2", "--port", "/nonexistent/port"});
    EXPECT_EQ(r.exitCode, 3);
    // The port's error, and the system's reason on the next line.
    EXPECT_EQ(r.err, QStringLiteral("Ошибка инициализации порта /nonexistent/port\nпорт не найден\n"));
}
