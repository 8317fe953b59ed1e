// The Modbus master over a scripted port in virtual time: the port set-up, what one request
// costs, attempts, the answer's end, CRC checks, the drain, progress and abort.

#include "MasterFixture.h"

using namespace veg;

namespace {

const QByteArray kRequest = hexBytes("010300050002");
const QByteArray kSent = hexBytes("010300050002D40A");
const QByteArray kAnswer = hexBytes("0103040000803FDBE3"); // 1.0 in the plain order

TEST_F(MasterFixture, OpensUnderTheLongNameWithSpeedParityAndStopBits)
{
    struct Case
    {
        int speedIndex, parityCode, stopBitsCode;
        const char* baud;
        const char* format;
    } cases[] = {
        {5, 2, 0, "baud 9600", "format none 1"}, // "10 бит"
        {6, 0, 2, "baud 19200", "format even 2"}, // "11 бит", "Контроль по четности"
        {0, 3, 2, "baud 300", "format odd 2"},     // "Контроль по нечетности"
        {2, 1, 1, "baud 1200", "format mark 1.5"}, // the codes the port layer also knows
        {-1, 2, 0, "baud 9600", "format none 1"},  // a speed the list does not hold
        {7, 2, 0, "baud 9600", "format none 1"},
    };
    for (const Case& c : cases) {
        master->CloseTestPort();
        port->events.clear();
        ASSERT_TRUE(master->OpenTestPort(QStringLiteral("COM3"), c.speedIndex, c.parityCode,
                                         c.stopBitsCode));
        EXPECT_EQ(port->events, (QStringList{QStringLiteral("open \\\\.\\COM3"), c.baud, c.format,
                                             "dtr 0", "rts 0", "purge"}));
        EXPECT_EQ(port->readTimeoutMs, 120);
        EXPECT_EQ(port->writeMsPerByte, 500);
    }
}

TEST_F(MasterFixture, FailedOpenLeavesThePortClosed)
{
    port->openFails = true;
    EXPECT_FALSE(master->OpenTestPort(QStringLiteral("COM9"), 5, 2, 0));
    EXPECT_FALSE(master->isOpen());
    QByteArray answer;
    EXPECT_EQ(transact(kRequest, answer), 8); // nothing can be written
    EXPECT_TRUE(port->writes.isEmpty());
}

TEST_F(MasterFixture, OneReadCostsTheDrainAndThePausesAndNothingMore)
{
    open();
    answers = {kAnswer};
    answerDelayMs = 30; // turnaround and wire
    QByteArray answer;
    int count = 0;
    EXPECT_EQ(transact(kRequest, answer, 0xA001, 1, 9, &count), 0);
    EXPECT_EQ(port->writes, QList<QByteArray>{kSent});
    EXPECT_EQ(answer, kAnswer);
    EXPECT_EQ(count, 9);
    // 2 ms, the 500 ms drain, the answer, 100 ms.
    EXPECT_EQ(clock.nowMs(), 2 + 500 + 30 + 100);
    EXPECT_EQ(logLines,
              (QStringList{">> 01 03 00 05 00 02 D4 0A ", "<< 01 03 04 00 00 80 3F DB E3 "}));
}

TEST_F(MasterFixture, AttemptsRepeatOnlyWhileNothingAnswers)
{
    struct Case
    {
        const char* name;
        std::vector<QByteArray> answers;
        int answerSeconds;
        int code;
        int writes;
    } cases[] = {
        {"answered at once", {kAnswer}, 1, 0, 1},
        {"answered in the second attempt", {{}, kAnswer}, 1, 0, 2},
        {"never answered", {}, 1, 1, 2},
        {"answer time 0", {kAnswer, kAnswer}, 0, 1, 2},
        {"wrong CRC: no second attempt", {hexBytes("0103040000803FDBE4"), kAnswer}, 1, 2, 1},
        {"one byte cannot carry a CRC", {hexBytes("01"), kAnswer}, 1, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        open();
        answers = c.answers;
        QByteArray answer;
        EXPECT_EQ(transact(kRequest, answer, 0xA001, c.answerSeconds), c.code);
        EXPECT_EQ(port->writes.size(), c.writes);
        EXPECT_EQ(logLines.size(), 2 * c.writes); // a ">> " and a "<< " line per attempt
    }
}

TEST_F(MasterFixture, NoAnswerWaitsTheAnswerTimeInEachAttempt)
{
    open();
    QByteArray answer;
    int count = -1;
    EXPECT_EQ(transact(kRequest, answer, 0xA001, 3, 9, &count), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(logLines[1], "<< ");
    // Per attempt: 2 + 500 drain, reads of 500 ms each followed by 100 ms until 3 s are over
    // (five passes), 100 ms.
    EXPECT_EQ(clock.nowMs(), 2 * (2 + 500 + 5 * 600 + 100));
}

TEST_F(MasterFixture, WithoutCrcTheRequestIsBareAndAnyAnswerIsTaken)
{
    open();
    answers = {hexBytes("01")};
    QByteArray answer;
    int count = 0;
    EXPECT_EQ(transact(kRequest, answer, 0, 1, 9, &count), 0);
    EXPECT_EQ(port->writes, QList<QByteArray>{kRequest});
    EXPECT_EQ(count, 1);
}

TEST_F(MasterFixture, WriteFailureEndsAtOnce)
{
    open();
    port->writeFails = true;
    QByteArray answer;
    EXPECT_EQ(transact(kRequest, answer), 8);
    EXPECT_EQ(logLines, QStringList{">> 01 03 00 05 00 02 D4 0A "});
}

TEST_F(MasterFixture, AnswerEndsAtTheExpectedLengthTheGapOrTheDeadline)
{
    open();
    // The expected length: what follows stays on the line for the next drain.
    answers = {kAnswer + hexBytes("AABB")};
    QByteArray answer;
    EXPECT_EQ(transact(kRequest, answer), 0);
    EXPECT_EQ(answer, kAnswer);

    // An exception answer is shorter: three empty reads of 500 ms end it...
    SetUp();
    open();
    answers = {hexBytes("018302C0F1")};
    answerDelayMs = 0;
    qint64 start = clock.nowMs();
    EXPECT_EQ(transact(kRequest, answer, 0xA001, 2), 0);
    EXPECT_EQ(answer, hexBytes("018302C0F1"));
    EXPECT_EQ(clock.nowMs() - start, 2 + 500 + 3 * 500 + 100);
    // ... or the answer time, counted anew from the first byte, when it is shorter.
    SetUp();
    open();
    answers = {hexBytes("018302C0F1")};
    answerDelayMs = 0;
    start = clock.nowMs();
    EXPECT_EQ(transact(kRequest, answer, 0xA001, 1), 0);
    EXPECT_EQ(clock.nowMs() - start, 2 + 500 + 2 * 500 + 100);

    // A pause shorter than the gap does not end an answer.
    SetUp();
    open();
    port->onWrite = [](FakePort& fp, const QByteArray&) {
        fp.arrive(kAnswer.left(4), 10);
        fp.arrive(kAnswer.mid(4), 10 + 900);
    };
    EXPECT_EQ(transact(kRequest, answer), 0);
    EXPECT_EQ(answer, kAnswer);

    // Bytes that keep coming are cut at the largest frame Modbus has.
    SetUp();
    open();
    port->onWrite = [](FakePort& fp, const QByteArray&) { fp.arrive(QByteArray(1000, 'x'), 1); };
    int count = 0;
    EXPECT_EQ(transact(kRequest, answer, 0, 1, 0, &count), 0);
    EXPECT_EQ(count, ModbusMaster::kMaxAnswer);
}

TEST_F(MasterFixture, TheDrainThrowsAwayWhatCameBeforeTheRequest)
{
    open();
    port->arrive(hexBytes("FFFE0103"));
    answers = {kAnswer};
    QByteArray answer;
    EXPECT_EQ(transact(kRequest, answer), 0);
    EXPECT_EQ(answer, kAnswer);
    EXPECT_EQ(logLines[0], ">> 01 03 00 05 00 02 D4 0A ");
}

TEST_F(MasterFixture, ProgressIsSteppedAfterTheRequestAndEveryTenthWait)
{
    open();
    int steps = 0;
    QByteArray answer;
    answers = {kAnswer};
    transact(kRequest, answer, 0xA001, 1, 9, nullptr, [&] { ++steps; });
    EXPECT_EQ(steps, 1);
    steps = 0;
    answers.clear();
    // 7 s: twelve passes of 600 ms per attempt, a step at the tenth.
    transact(kRequest, answer, 0xA001, 7, 9, nullptr, [&] { ++steps; });
    EXPECT_EQ(steps, 2 * (1 + 1));
}

TEST_F(MasterFixture, AbortEndsAWaitAndTheTransaction)
{
    open();
    pumpHook = [this] {
        if (clock.nowMs() > 1000)
            shared.AbortRequested = true;
    };
    QByteArray answer;
    EXPECT_EQ(transact(kRequest, answer, 0xA001, 1000), 1);
    EXPECT_TRUE(master->aborted());
    EXPECT_EQ(port->writes.size(), 1);
    EXPECT_LT(clock.nowMs(), 3000);
    EXPECT_GT(pumps, 0);
}

TEST_F(MasterFixture, ClosingDrainsAndCloses)
{
    open();
    port->arrive(hexBytes("0102"));
    master->CloseTestPort();
    EXPECT_FALSE(master->isOpen());
    EXPECT_EQ(port->events, QStringList{"close"});
    EXPECT_EQ(clock.nowMs(), 500); // the drain's empty read
    master->CloseTestPort();       // closed already: nothing
    EXPECT_EQ(port->events, QStringList{"close"});
}

} // namespace
