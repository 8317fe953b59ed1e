#include "core/exchange/GatewaySearch.h"

#include "core/exchange/QuickAnswerTime.h"

namespace veg {

namespace {
bool isSilence(LinkStatus st)
{
    return st == Status::NoAnswer || st == Status::AdapterNoAnswer;
}
} // namespace

LinkStatus GatewaySearch::ask(const LinkTarget& target, std::uint16_t& typeCode)
{
    LinkAnswer answer;
    const LinkStatus st = link().ReadParam(GatewayImage::kDeviceType, 2, target, answer);
    typeCode = std::uint16_t(answer.data(0) | answer.data(1) << 8);
    return st;
}

LinkStatus GatewaySearch::probe(std::uint8_t n, std::uint16_t& typeCode)
{
    const LinkTarget target = m_session.PrepareTarget(n);
    if (!m_quick)
        return ask(target, typeCode);
    LinkStatus st = Status::NoAnswer;
    {
        const KalO::ProbeTimingScope once(link(), 1,
                                          QuickAnswerTime::of(m_session.settings()).totalMs);
        st = ask(target, typeCode);
    }
    // Silence, the module's refusal, the abort and a failing port stand; any answer, sound or
    // not, is heard out once more with the link's own attempts and waits, so that one lucky
    // (or one garbled) answer lists nothing and ends nothing.
    if (st != Status::Ok && !(lineFault(st) && !isSilence(st)))
        return st;
    if (m_session.shared().AbortRequested)
        return Status::Aborted;
    return ask(target, typeCode);
}

bool GatewaySearch::SearchGateways(Range gateways, bool searchGateways, Range masters,
                                   bool searchMasters)
{
    if (!linkReady())
        return false;
    m_session.shared().TraceLevel = 3;
    m_view.clearFound();
    m_view.setCaption(QStringLiteral("Идет поиск"));
    m_session.setStatus(Status::Ok);
    if (searchMasters)
        searchMaster(masters);
    if (m_session.LastStatus == Status::Ok && searchGateways)
        searchGatewaysIn(gateways);
    m_session.setStatus(m_session.LastStatus);
    return m_session.LastStatus == Status::Ok;
}

void GatewaySearch::announceQuick()
{
    if (!m_quick || !m_session.context().log)
        return;
    m_session.context().log(QStringLiteral("Быстрый поиск: одна попытка на номер, ответ ждём "
                                           "%1 мс; ответивший номер спрашивается ещё раз с "
                                           "обычными попытками")
                                .arg(QuickAnswerTime::of(m_session.settings()).totalMs));
}

void GatewaySearch::searchMaster(Range masters)
{
    ExchangeSettings& settings = m_session.settings();
    m_progress.restart(masters.count());
    // The probes go to each number directly; a module that answers becomes the route.
    settings.ViaAdapter = false;
    announceQuick();
    LinkStatus st = Status::NoAnswer;
    for (int n = masters.from; n <= masters.to; ++n) {
        std::uint16_t type = 0;
        st = probe(std::uint8_t(n), type);
        if (st == Status::Ok) {
            m_view.addFound(
                FoundDevice{std::uint8_t(n), QStringLiteral("Ведущий модуль"), false, false});
            settings.AdapterNumber = std::uint8_t(n);
            settings.ViaAdapter = true;
            m_session.setStatus(Status::Ok);
            return;
        }
        if (!isSilence(st))
            break;
        m_progress.advance();
        if (!pumpAndGoOn())
            return;
    }
    m_session.setStatus(st == Status::Aborted ? Status::Aborted : Status::NoMasterModule);
}

void GatewaySearch::searchGatewaysIn(Range gateways)
{
    ExchangeSettings& settings = m_session.settings();
    m_progress.restart(gateways.count());
    bool found = false;
    announceQuick();
    LinkStatus st = Status::Ok;
    for (int n = gateways.from; n <= gateways.to; ++n) {
        std::uint16_t type = 0;
        st = probe(std::uint8_t(n), type);
        if (st == Status::Ok) {
            const QString name = GatewayDeviceName(type);
            if (!name.isEmpty()) {
                // The first gateway found is the one the write and the read talk to.
                const bool first = !found;
                found = true;
                m_view.addFound(FoundDevice{std::uint8_t(n), name, true, first});
                if (first)
                    settings.GatewayNumber = std::uint8_t(n);
            }
        } else if (!isSilence(st) && st != Status::NegativeReceipt) {
            break;
        }
        m_progress.advance();
        if (n < gateways.to && !pumpAndGoOn()) {
            st = Status::Aborted;
            break;
        }
    }
    if (isSilence(st) && found)
        st = Status::Ok;
    else if ((isSilence(st) || st == Status::NegativeReceipt) && !found)
        st = Status::NoGateways;
    m_session.setStatus(st);
}

} // namespace veg
