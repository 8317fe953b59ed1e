#include "core/exchange/ExchangeSteps.h"

#include <algorithm>

namespace veg {

ExchangeSteps::ExchangeSteps(LinkSession& session, ExchangeView& view)
    : m_session(session), m_view(view), m_progress(view)
{}

bool ExchangeSteps::lineFault(LinkStatus status)
{
    using namespace Status;
    switch (status) {
    case NoAnswer:
    case NoData:
    case CrcMismatch:
    case WrongLength:
    case ControlByte:
    case Address:
    case DuplicateLength:
    case DuplicateStart:
    case EndByte:
    case Checksum:
    case AdapterNoAnswer:
    case ForeignFrame:
    case AdapterLength:
        return true;
    default:
        return false;
    }
}

void ExchangeSteps::logRound(int round, LinkStatus status)
{
    if (m_session.context().log)
        m_session.context().log(QStringLiteral("Повторный цикл %1 из %2 после ошибки %3")
                                    .arg(round)
                                    .arg(m_furtherRounds)
                                    .arg(status));
}

bool ExchangeSteps::pause(int ms)
{
    constexpr int kSliceMs = 100;
    for (int waited = 0; waited < ms; waited += kSliceMs) {
        if (!pumpAndGoOn())
            return false;
        m_session.context().clock->sleepMs(std::min(kSliceMs, ms - waited));
    }
    return pumpAndGoOn();
}

bool ExchangeSteps::linkReady()
{
    if (m_session.portReady())
        return true;
    m_session.refuse(m_session.portError());
    return false;
}

LinkTarget ExchangeSteps::begin()
{
    m_session.shared().TraceLevel = 3;
    return m_session.PrepareTarget(m_session.settings().GatewayNumber);
}

bool ExchangeSteps::check(LinkStatus status)
{
    m_session.setStatus(status);
    return status == Status::Ok;
}

bool ExchangeSteps::pumpAndGoOn()
{
    if (m_session.context().pump)
        m_session.context().pump();
    if (m_session.shared().AbortRequested)
        return check(Status::Aborted);
    return true;
}

bool ExchangeSteps::directSerial() const
{
    const ExchangeSettings& s = m_session.settings();
    return !s.ViaAdapter && s.AdapterKind != ExchangeSettings::kCanBus;
}

bool ExchangeSteps::openAccess(const LinkTarget& target)
{
    LinkAnswer answer;
    if (directSerial() && !check(rounds([&] {
            return link().ReadParam(GatewayImage::kDeviceType, 1, target, answer);
        })))
        return false;
    return check(rounds([&] {
        return m_session.settings().ViaAdapter ? link().SetAccessLevelTransit(2, QString(), target)
                                               : link().SetAccessLevel(2, QString(), target);
    }));
}

bool ExchangeSteps::checkVersion(const LinkTarget& target, int minimum)
{
    if (minimum <= 0)
        return true;
    LinkAnswer answer;
    if (!check(rounds([&] { return link().ReadParam(GatewayImage::kVersion, 1, target, answer); })))
        return false;
    if (answer.data(0) < minimum)
        return check(Status::OldVersion);
    return true;
}

QByteArray ExchangeSteps::dataOf(const LinkAnswer& answer, int n)
{
    return QByteArray(reinterpret_cast<const char*>(answer.bytes.data()) + LinkAnswer::kDataOffset,
                      n);
}

LinkStatus ExchangeSteps::readElement(std::uint16_t param, int index, int length,
                                      const LinkTarget& target, QByteArray& bytes)
{
    LinkAnswer answer;
    LinkStatus st;
    if (index < 0) {
        st = link().ReadParam(param, length, target, answer);
    } else {
        int got = 0;
        st = link().ReadParamAt(param, std::uint16_t(index), length, length, target, answer, got);
    }
    bytes = dataOf(answer, length);
    return st;
}

} // namespace veg
