#include "LinkFixture.h"

#include "core/link/LinkFrames.h"

using namespace veg;

namespace {

const QByteArray kGood = QByteArray::fromHex("10 00 25 42 06 00 00 6D 16");

// Answers each complete request frame by calling `answer` with the attempt number.
void onEachFrame(FakePort& port, std::function<void(FakePort&, int)> answer)
{
    auto pieces = std::make_shared<int>(0);
    port.onWrite = [pieces, answer](FakePort& p, const QByteArray&) {
        if (++*pieces % 3 == 0)
            answer(p, *pieces / 3);
    };
}

} // namespace

struct TransactTest : LinkFixture
{
    LinkAnswer answer;
    LinkStatus read(int checksumKind = 0)
    {
        return link->ReadParam(0xF000, 2, direct(0x25, checksumKind), answer);
    }
};

TEST_F(TransactTest, AnImmediateAnswerCostsOnlyThePrescribedPauses)
{
    makeLink();
    onEachFrame(*port, [](FakePort& p, int) { p.arrive(kGood); });
    const qint64 start = clock.nowMs();
    ASSERT_EQ(read(), Status::Ok);
    // 2 ms before the send, 10 ms for the flush read that finds the line empty.
    EXPECT_EQ(clock.nowMs() - start, 12);
}

TEST_F(TransactTest, SilenceWaitsThreeSecondsPerAttempt)
{
    makeLink();
    link->SetRetries(3);
    const qint64 start = clock.nowMs();
    EXPECT_EQ(read(), Status::NoAnswer);
    EXPECT_EQ(port->writes.size(), 9);
    const qint64 spent = clock.nowMs() - start;
    // three answer waits, two pauses between attempts, three send pauses and flushes
    EXPECT_GE(spent, 3 * 3000 + 2 * 100);
    EXPECT_LT(spent, 3 * 3000 + 2 * 100 + 3 * 12 + 3 * 50 + 50);
}

TEST_F(TransactTest, AShorterAnswerWaitOfTheContextReplacesTheThreeSeconds)
{
    // A simulator's pseudo-terminal: answers come at once, silence is judged sooner.
    answerWaitMs = 300;
    makeLink();
    link->SetRetries(2);
    qint64 start = clock.nowMs();
    EXPECT_EQ(read(), Status::NoAnswer);
    const qint64 spent = clock.nowMs() - start;
    EXPECT_GE(spent, 2 * 300 + 100);
    EXPECT_LT(spent, 2 * 300 + 100 + 2 * 12 + 2 * 50 + 50);
    // An answer inside the shorter wait is taken, one just past it is not.
    onEachFrame(*port, [](FakePort& p, int n) { p.arrive(kGood, n == 1 ? 320 : 280); });
    EXPECT_EQ(read(), Status::Ok);
    EXPECT_EQ(shared.RepeatedRequests, 2);
}

TEST_F(TransactTest, AnswerJustInsideTheWaitIsTaken)
{
    makeLink();
    onEachFrame(*port, [](FakePort& p, int) { p.arrive(kGood, 2990); });
    EXPECT_EQ(read(), Status::Ok);
    EXPECT_EQ(port->writes.size(), 3);
}

TEST_F(TransactTest, AMissingTrailerWaitsItsThirteenSeconds)
{
    makeLink();
    link->SetRetries(1);
    onEachFrame(*port, [](FakePort& p, int) { p.arrive(kGood.left(7)); });
    const qint64 start = clock.nowMs();
    EXPECT_EQ(read(), Status::NoData);
    EXPECT_GE(clock.nowMs() - start, 13333);
    EXPECT_LT(clock.nowMs() - start, 13333 + 100);
}

TEST_F(TransactTest, ATrailerComingLateStillCounts)
{
    makeLink();
    link->SetRetries(1);
    onEachFrame(*port, [](FakePort& p, int) {
        p.arrive(kGood.left(7));
        p.arrive(kGood.mid(7), 13000);
    });
    EXPECT_EQ(read(), Status::Ok);
}

TEST_F(TransactTest, AProbesOwnTimingCutsTheAttemptsAndEveryWait)
{
    struct Case
    {
        const char* name;
        std::function<void(FakePort&, int)> answer;
        LinkStatus status;
        qint64 atMostMs;
    };
    const Case cases[] = {
        {"silence", [](FakePort&, int) {}, Status::NoAnswer, 200 + 12 + 50},
        {"an answer inside the wait", [](FakePort& p, int) { p.arrive(kGood, 150); }, Status::Ok,
         200},
        {"an answer after it", [](FakePort& p, int) { p.arrive(kGood, 250); }, Status::NoAnswer,
         200 + 12 + 50},
        {"a trailer that does not come",
         [](FakePort& p, int) { p.arrive(kGood.left(7)); }, Status::NoData, 200 + 12 + 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        makeLink();
        link->SetRetries(3);
        onEachFrame(*port, c.answer);
        const qint64 start = clock.nowMs();
        {
            const KalO::ProbeTimingScope probe(*link, 1, 200);
            EXPECT_EQ(read(), c.status);
        }
        EXPECT_EQ(port->writes.size(), 3); // one attempt
        EXPECT_LE(clock.nowMs() - start, c.atMostMs);
        // The link's own timing is back: three attempts of three seconds (what came late is
        // flushed before them).
        clock.advance(1000);
        port->writes.clear();
        onEachFrame(*port, [](FakePort&, int) {});
        EXPECT_EQ(read(), Status::NoAnswer);
        EXPECT_EQ(port->writes.size(), 9);
    }
}

TEST_F(TransactTest, AFailingPortDoesNotSpinThroughTheWait)
{
    makeLink();
    link->SetRetries(1);
    port->readFails = true;
    const qint64 start = clock.nowMs();
    EXPECT_EQ(read(), Status::NoAnswer);
    EXPECT_GE(clock.nowMs() - start, 3000);
    // one read per 50 ms of the answer wait, and the flush read
    EXPECT_LE(port->readCalls, 3000 / 50 + 2);
}

TEST_F(TransactTest, AnIncompleteLongHeaderIsNoAnswer)
{
    makeLink();
    link->SetRetries(1);
    onEachFrame(*port, [](FakePort& p, int) { p.arrive(QByteArray::fromHex("68 08")); });
    EXPECT_EQ(read(), Status::NoAnswer);
}

TEST_F(TransactTest, AnIncompleteBodyIsIncompleteData)
{
    makeLink();
    link->SetRetries(1);
    onEachFrame(*port, [](FakePort& p, int) { p.arrive(kGood.left(4)); });
    EXPECT_EQ(read(), Status::NoData);
}

TEST_F(TransactTest, ControlByteRule)
{
    // With Retries 2, two wrong control bytes end the transaction with 30 after the second
    // attempt; a wrong control byte between other errors does not.
    const QByteArray wrongControl = QByteArray::fromHex("10 01 25 42 06 00 00 6E 16");
    const QByteArray badSum = QByteArray::fromHex("10 00 25 42 06 00 00 00 16");
    struct Case
    {
        const char* name;
        int retries;
        QList<QByteArray> answers;
        LinkStatus status;
        int attempts;
    } cases[] = {
        {"two in a row, retries 2", 2, {wrongControl, wrongControl}, 30, 2},
        {"two in a row, retries 5", 5, {wrongControl, wrongControl, kGood}, 30, 2},
        {"not in a row", 4, {wrongControl, badSum, wrongControl, kGood}, 0, 4},
        {"single attempt", 1, {wrongControl}, 30, 1},
        {"retries 0 makes one attempt", 0, {badSum, kGood}, 36, 1},
    };
    // (A wrong control byte is judged after the length: see the next test.)
    for (const auto& c : cases) {
        makeLink();
        link->SetRetries(c.retries);
        auto queue = std::make_shared<QList<QByteArray>>(c.answers);
        onEachFrame(*port, [queue](FakePort& p, int) {
            if (!queue->isEmpty())
                p.arrive(queue->takeFirst());
        });
        EXPECT_EQ(read(), c.status) << c.name;
        EXPECT_EQ(port->writes.size() / 3, c.attempts) << c.name;
    }
}

TEST_F(TransactTest, AWrongControlByteIsJudgedAfterTheLength)
{
    // A long answer with four data bytes too many and control byte 01: the length gives 5, the
    // control byte then makes it 30, which ends the transaction after two attempts.
    QByteArray body = QByteArray::fromHex("01 25 42 06 00 00 00 00");
    std::uint8_t sum = 0;
    for (char c : body)
        sum = std::uint8_t(sum + std::uint8_t(c));
    QByteArray frame = QByteArray::fromHex("68 08 08 68") + body;
    frame.append(char(sum));
    frame.append('\x16');
    makeLink();
    link->SetRetries(4);
    onEachFrame(*port, [frame](FakePort& p, int) { p.arrive(frame); });
    EXPECT_EQ(read(), Status::ControlByte);
    EXPECT_EQ(port->writes.size() / 3, 2);
}

TEST_F(TransactTest, AShortValueClearsWhatAnEarlierAnswerLeft)
{
    // One data byte in a long answer: the rest of the value reads as zero, not as the bytes of
    // the read before.
    makeLink();
    auto answers = std::make_shared<QList<QByteArray>>(
        QList<QByteArray>{kGood, QByteArray::fromHex("68 03 03 68 00 25 07 2C 16")});
    onEachFrame(*port, [answers](FakePort& p, int) {
        if (!answers->isEmpty())
            p.arrive(answers->takeFirst());
    });
    ASSERT_EQ(read(), Status::Ok);
    EXPECT_EQ(answer.data(1), 0x06);
    ASSERT_EQ(read(), Status::Ok);
    EXPECT_EQ(answer.data(0), 0x07);
    EXPECT_EQ(answer.data(1), 0x00);
    EXPECT_EQ(answer.data(2), 0x00);
    EXPECT_EQ(answer.data(3), 0x00);
}

TEST_F(TransactTest, ReceiptsEndTheTransactionAtOnce)
{
    for (const char* receipt : {"A2", "E5"}) {
        makeLink();
        link->SetRetries(5);
        onEachFrame(*port, [receipt](FakePort& p, int) { p.arrive(QByteArray::fromHex(receipt)); });
        read();
        EXPECT_EQ(port->writes.size(), 3) << receipt;
    }
}

TEST_F(TransactTest, TheOperatorsAbortEndsTheWait)
{
    makeLink();
    int pumps = 0;
    pumpHook = [&] {
        if (++pumps == 20)
            shared.AbortRequested = true;
    };
    const qint64 start = clock.nowMs();
    EXPECT_EQ(read(), Status::Aborted);
    EXPECT_LT(clock.nowMs() - start, 3000);
    // The flag stays set: the next direct request ends before it sends anything.
    port->writes.clear();
    EXPECT_EQ(read(), Status::Aborted);
    EXPECT_TRUE(port->writes.isEmpty());
}

TEST_F(TransactTest, AWriteFailureClosesThePort)
{
    makeLink();
    port->writeFails = true;
    EXPECT_EQ(read(), Status::WriteFailed);
    EXPECT_FALSE(link->PortOpen());
    EXPECT_TRUE(port->events.contains(QStringLiteral("close")));
    port->writeFails = false;
    EXPECT_EQ(read(), Status::Aborted);
    EXPECT_TRUE(port->writes.isEmpty());
}

TEST_F(TransactTest, StaleBytesAreFlushedAndTraced)
{
    makeLink();
    port->arrive(QByteArray::fromHex("10 00 25")); // left over from an earlier exchange
    onEachFrame(*port, [](FakePort& p, int) { p.arrive(kGood); });
    shared.TraceLevel = 3;
    ASSERT_EQ(read(), Status::Ok);
    ASSERT_GE(logLines.size(), 3);
    EXPECT_EQ(logLines[0], QStringLiteral("Clear 10 00 25 "));
    EXPECT_EQ(logLines[1], QStringLiteral(">> 10 40 25 01 00 F0 00 56 16 "));
    EXPECT_EQ(logLines[2], QStringLiteral("<< 10 00 25 42 06 00 00 6D 16 "));
}

TEST_F(TransactTest, LateBytesAreCollectedBeforeTheNextAttempt)
{
    makeLink();
    onEachFrame(*port, [](FakePort& p, int attempt) {
        if (attempt == 1) {
            p.arrive(QByteArray::fromHex("68 08 09 68")); // 33
            p.arrive(QByteArray::fromHex("00 25 01"), 10);
        } else {
            p.arrive(kGood);
        }
    });
    EXPECT_EQ(read(), Status::Ok);
    const auto late = logLines.filter(QStringLiteral("после того как: "));
    ASSERT_EQ(late.size(), 1);
    EXPECT_TRUE(late[0].startsWith(QStringLiteral("после того как: 00 25 01 10:00:")));
}

TEST_F(TransactTest, TraceLevels)
{
    const QByteArray badSum = QByteArray::fromHex("10 00 25 42 06 00 00 00 16");
    struct Case
    {
        int level;
        bool fail;
        QStringList expected; // lines in order (prefixes)
    } cases[] = {
        // The answer's own trace line is written for every failed answer.
        {0, true, {"Vs=0"}},
        {1, true, {"Vs=0"}},
        {2, false, {}},
        {2,
         true,
         {"Vs=0 m2=3  plus 00:00:03:000 Now=", "ошибки обмена ", ">> ",
          "<< 10 00 25 42 06 00 00 00 16 "}},
        {3, false, {">> 10 40 25", "<< 10 00 25"}},
        {3, true, {">> ", "Vs=0", "ошибки обмена ", "<< 10 00 25 42 06 00 00 00 16 "}},
    };
    for (const auto& c : cases) {
        makeLink();
        link->SetRetries(1);
        shared.TraceLevel = c.level;
        onEachFrame(*port, [&](FakePort& p, int) { p.arrive(c.fail ? badSum : kGood); });
        read();
        ASSERT_EQ(logLines.size(), c.expected.size())
            << c.level << " " << c.fail << " " << logLines.join('|').toStdString();
        for (int i = 0; i < c.expected.size(); ++i)
            EXPECT_TRUE(logLines[i].startsWith(c.expected[i]))
                << c.level << " " << logLines[i].toStdString();
    }
}

TEST_F(TransactTest, AFloodOfBytesIsTracedInPieces)
{
    makeLink();
    link->SetRetries(1);
    shared.TraceLevel = 2;
    onEachFrame(*port, [](FakePort& p, int) { p.arrive(QByteArray(300, '\x55')); });
    EXPECT_EQ(read(), Status::NoAnswer);
    EXPECT_FALSE(logLines.filter(QStringLiteral(" много данных из буфера ")).isEmpty());
}

// The repetition rules of the element read and the transit access level.
struct OperationRulesTest : LinkFixture
{
    LinkAnswer answer;
    int got = 0;

    void script(QList<QByteArray> answers)
    {
        auto queue = std::make_shared<QList<QByteArray>>(std::move(answers));
        onEachFrame(*port, [queue](FakePort& p, int) {
            if (!queue->isEmpty())
                p.arrive(queue->takeFirst());
        });
    }
    LinkTarget transit()
    {
        LinkTarget t = direct();
        t.Route = LinkTarget::kTransit;
        t.Address = 0x01;
        return t;
    }
};

TEST_F(OperationRulesTest, ElementReadRepeatsTheWholeOperation)
{
    const QByteArray badSum = QByteArray::fromHex("10 00 25 01 02 03 04 00 16");
    const QByteArray good = QByteArray::fromHex("10 00 25 01 02 03 04 2F 16");
    struct Case
    {
        const char* name;
        QList<QByteArray> answers;
        LinkStatus status;
        int frames;
    } cases[] = {
        // each of the two repetitions makes its own two attempts
        {"checksum every time", {badSum, badSum, badSum, badSum, good}, 36, 4},
        {"good in the second repetition", {badSum, badSum, badSum, good}, 0, 4},
        // no answer at all (1) is not repeated
        {"silence", {}, 1, 2},
        {"negative receipt is repeated", {QByteArray::fromHex("E5"), good}, 0, 2},
    };
    for (const auto& c : cases) {
        makeLink();
        link->SetRetries(2);
        script(c.answers);
        EXPECT_EQ(link->ReadParamAt(0x0200, 1, 4, 4, direct(), answer, got), c.status) << c.name;
        EXPECT_EQ(port->writes.size() / 3, c.frames) << c.name;
    }
}

TEST_F(OperationRulesTest, ElementCountOfALongAnswer)
{
    makeLink();
    script({QByteArray::fromHex("68 0A 0A 68 00 25 01 02 03 04 05 06 07 08 49 16")});
    ASSERT_EQ(link->ReadParamAt(0x0200, 0, 8, 2, direct(), answer, got), Status::Ok);
    EXPECT_EQ(got, 4);
    EXPECT_EQ(answer.count(), 8);
    // an element size of 0 does not divide by zero
    makeLink();
    script({QByteArray::fromHex("68 0A 0A 68 00 25 01 02 03 04 05 06 07 08 49 16")});
    ASSERT_EQ(link->ReadParamAt(0x0200, 0, 8, 0, direct(), answer, got), Status::Ok);
    EXPECT_EQ(got, 8);
}

TEST_F(OperationRulesTest, TransitElementReadSendsAgainOnANegativeReceipt)
{
    const QByteArray nak = QByteArray::fromHex("E5");
    const QByteArray good = QByteArray::fromHex("10 00 01 01 02 03 04 0B 16");
    makeLink();
    link->SetRetries(2);
    script({nak, nak, good});
    EXPECT_EQ(link->ReadParamAt(0x0200, 1, 4, 4, transit(), answer, got), Status::Ok);
    EXPECT_EQ(port->writes.size() / 3, 3);
    EXPECT_EQ(answer.data(3), 0x04);
}

TEST_F(OperationRulesTest, AbortEndsTheElementReadAtOnce)
{
    // The transit request clears the abort flag before it sends, so the repetition must not
    // go on after an abort, or the operator's abort would be lost.
    makeLink();
    link->SetRetries(5);
    int pumps = 0;
    pumpHook = [&] {
        if (++pumps == 5)
            shared.AbortRequested = true;
    };
    EXPECT_EQ(link->ReadParamAt(0x0200, 1, 4, 4, transit(), answer, got), Status::Aborted);
    EXPECT_EQ(port->writes.size() / 3, 1);
}

TEST_F(OperationRulesTest, TransitAccessLevel)
{
    const QByteArray ack = QByteArray::fromHex("A2");
    struct Case
    {
        const char* name;
        QList<QByteArray> answers;
        LinkStatus status;
    } cases[] = {
        {"granted", {ack, QByteArray::fromHex("10 00 01 02 00 00 00 03 16")}, 0},
        {"level read with a high nibble",
         {ack, QByteArray::fromHex("10 00 01 F2 00 00 00 F3 16")},
         0},
        {"another level", {ack, QByteArray::fromHex("10 00 01 01 00 00 00 02 16")}, 51},
        {"negative receipt counts as success", {QByteArray::fromHex("E5")}, 0},
        {"negative receipt to the level read", {ack, QByteArray::fromHex("E5")}, 0},
    };
    for (const auto& c : cases) {
        makeLink();
        script(c.answers);
        EXPECT_EQ(link->SetAccessLevelTransit(2, QString(), transit()), c.status) << c.name;
    }
}
