#pragma once

#include "FakePort.h"

#include "core/link/KalO.h"
#include "sim/ManualClock.h"

#include <QByteArray>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

inline QByteArray hexBytes(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// One link over a scripted port in virtual time, with its log and shared state.
struct LinkFixture : ::testing::Test
{
    veg::sim::ManualClock clock;
    veg::LinkShared shared;
    QStringList logLines;
    FakePort* port = nullptr;
    std::unique_ptr<veg::KalO> link;
    std::function<void()> pumpHook;
    int answerWaitMs = 0; // the context's answer wait; 0 keeps the line's own

    veg::LinkContext context()
    {
        veg::LinkContext c;
        c.clock = &clock;
        c.shared = &shared;
        c.pump = [this] {
            if (pumpHook)
                pumpHook();
        };
        c.log = [this](const QString& line) { logLines << line; };
        c.answerWaitMs = answerWaitMs;
        return c;
    }

    // Opens a link on the port name with the given line kind; `setup` runs on the fake port
    // before the link opens it.
    void makeLink(int adapterKind = veg::KalO::kRs232, int speedIndex = 5,
                  const std::function<void(FakePort&)>& setup = {},
                  const QString& portName = QStringLiteral("COM1"))
    {
        auto p = std::make_unique<FakePort>(clock);
        port = p.get();
        if (setup)
            setup(*port);
        link =
            std::make_unique<veg::KalO>(std::move(p), context(), portName, adapterKind, speedIndex);
        port->writes.clear();
        port->events.clear();
        logLines.clear();
    }

    static veg::LinkTarget direct(std::uint8_t gateway = 0x25, int checksumKind = 0)
    {
        veg::LinkTarget t;
        t.Route = veg::LinkTarget::kDirect;
        t.Address = gateway;
        t.Destination = gateway;
        t.ChecksumKind = checksumKind;
        return t;
    }
};
