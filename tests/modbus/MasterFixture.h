#pragma once

#include "../link/FakePort.h"

#include "core/modbus/ModbusCrc.h"
#include "core/modbus/ModbusMaster.h"
#include "sim/ManualClock.h"

#include <QByteArray>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

inline QByteArray hexBytes(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// A Modbus master on a scripted port in virtual time, with its trace lines. `answers` are the
// slave's replies to the requests in turn (an empty one: no reply), each `answerDelayMs` after
// the request.
struct MasterFixture : ::testing::Test
{
    veg::sim::ManualClock clock;
    veg::LinkShared shared;
    QStringList logLines;
    int pumps = 0;
    std::function<void()> pumpHook;
    FakePort* port = nullptr;
    std::unique_ptr<veg::ModbusMaster> master;
    std::vector<QByteArray> answers;
    qint64 answerDelayMs = 5;

    veg::LinkContext context()
    {
        veg::LinkContext c;
        c.clock = &clock;
        c.shared = &shared;
        c.pump = [this] {
            ++pumps;
            if (pumpHook)
                pumpHook();
        };
        c.log = [this](const QString& line) { logLines << line; };
        return c;
    }

    void SetUp() override
    {
        auto p = std::make_unique<FakePort>(clock);
        port = p.get();
        port->onWrite = [this](FakePort& fp, const QByteArray&) {
            const std::size_t n = std::size_t(fp.writes.size()) - 1;
            if (n < answers.size() && !answers[n].isEmpty())
                fp.arrive(answers[n], answerDelayMs);
        };
        master = std::make_unique<veg::ModbusMaster>(std::move(p), context());
    }

    void open()
    {
        ASSERT_TRUE(master->OpenTestPort(QStringLiteral("COM3"), 5, 2, 0));
        port->events.clear();
        logLines.clear();
    }

    // One transaction of the read window's kind (one repeat, 9 bytes expected).
    int transact(const QByteArray& request, QByteArray& answer, std::uint16_t polynomial = 0xA001,
                 int answerSeconds = 1, int expected = 9, int* count = nullptr,
                 const veg::ModbusMaster::Progress& progress = {})
    {
        int n = -1;
        const int code = master->ModbusTransact(request, 1, progress, n, answer, polynomial,
                                                expected, answerSeconds);
        if (count)
            *count = n;
        return code;
    }
};

// The standard Modbus answer to "read two registers" with the four data bytes.
inline QByteArray registerAnswer(std::uint8_t slave, const QByteArray& data)
{
    QByteArray a;
    a.append(char(slave));
    a.append(char(3));
    a.append(char(data.size()));
    a.append(data);
    return veg::withModbusCrc(0xA001, a);
}
