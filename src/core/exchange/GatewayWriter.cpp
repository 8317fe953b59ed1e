#include "core/exchange/GatewayWriter.h"

#include <algorithm>

namespace veg {

namespace {
constexpr int kPollPauseMs = 100;

} // namespace

GatewayWriter::GatewayWriter(LinkSession& session, ExchangeView& view)
    : ExchangeSteps(session, view)
{
    m_furtherRounds = std::max(0, session.settings().WriteRounds);
}

bool GatewayWriter::write(const GatewayConfig& config)
{
    const QString refusal = GatewayImage::refusal(config);
    if (!refusal.isEmpty()) {
        m_session.refuse(refusal);
        return false;
    }
    return WriteSettings(config) && WriteTables(config);
}

LinkStatus GatewayWriter::send(const ImageParam& p, int element, const QByteArray& bytes,
                               bool select, const LinkTarget& target)
{
    return rounds([&] {
        if (p.isPlain())
            return link().WriteParam(p.number, bytes, target);
        return link().WriteParamAt(p.number, std::uint16_t(element), bytes, select, target);
    });
}

bool GatewayWriter::WriteSettings(const GatewayConfig& config)
{
    if (!linkReady())
        return false;
    m_view.setCaption(QStringLiteral("Идет запись"));
    const LinkTarget target = begin();
    const ProtocolCatalogue& cat = config.catalogue();
    if (!openAccess(target) || !checkVersion(target, cat.minimumVersion))
        return false;
    for (const ImageSection& section : GatewayImage::generalSettings(config.Protocol)) {
        const std::vector<ImageParam> params = section.params(config);
        m_progress.restart(GatewayImage::elementCount(params));
        for (const ImageParam& p : params) {
            const LinkStatus st = send(p, 0, p.encode(config, 0), true, target);
            m_session.setStatus(st);
            if (st == Status::Ok)
                m_progress.advance();
            // The CAN address may fail without ending the stage: the CAN speed after it is sent
            // all the same and decides. The operator's abort ends it whatever the item.
            else if (!p.failureTolerated || st == Status::Aborted)
                return false;
        }
    }
    return m_session.LastStatus == Status::Ok;
}

bool GatewayWriter::stopGateway(const GatewayConfig& config, const LinkTarget& target)
{
    LinkAnswer answer;
    if (!check(rounds([&] {
            return link().WriteParam(GatewayImage::kRunState,
                                     QByteArray(1, char(GatewayImage::kStopRequest)), target);
        })))
        return false;
    // From the stop request on the gateway may have stopped.
    m_leftStopped = true;
    const int polls = stopPolls(config.Common.trepeat);
    for (int i = 0; i < polls; ++i) {
        if (!pumpAndGoOn())
            return false;
        if (!check(rounds(
                [&] { return link().ReadParam(GatewayImage::kRunState, 1, target, answer); })))
            return false;
        if (answer.data(0) == GatewayImage::kStopped)
            return true;
        m_session.setStatus(Status::NotStopped);
        m_session.context().clock->sleepMs(kPollPauseMs);
    }
    return check(Status::NotStopped);
}

bool GatewayWriter::restart(const LinkTarget& target)
{
    if (!check(rounds([&] {
            return link().WriteParam(GatewayImage::kRunState,
                                     QByteArray(1, char(GatewayImage::kRunning)), target);
        })))
        return false;
    m_leftStopped = false;
    return true;
}

bool GatewayWriter::WriteTables(const GatewayConfig& config)
{
    m_done = 0;
    m_leftStopped = false;
    const LinkTarget target = begin();
    const ProtocolCatalogue& cat = config.catalogue();
    LinkAnswer answer;
    const bool stateRead = check(
        rounds([&] { return link().ReadParam(GatewayImage::kRunState, 1, target, answer); }));
    if (stateRead && cat.stopsForTables && answer.data(0) != GatewayImage::kRunning)
        m_leftStopped = true; // stopped by an earlier write that did not end
    // A gateway that is not running (a write that failed after stopping it) is not asked again.
    if (cat.stopsForTables && stateRead && answer.data(0) == GatewayImage::kRunning &&
        !stopGateway(config, target))
        return false;
    if (m_session.LastStatus != Status::Ok)
        return false;
    // Tables that failed leave the gateway stopped: it must not run a half-written image.
    if (!WriteProtocolTables(config, target))
        return false;
    if (cat.stopsForTables)
        return restart(target);
    return true;
}

bool GatewayWriter::resume(const GatewayConfig& config, int from)
{
    m_done = from;
    m_leftStopped = true;
    const QString refusal = GatewayImage::refusal(config);
    if (!refusal.isEmpty()) {
        m_session.refuse(refusal);
        return false;
    }
    if (!linkReady())
        return false;
    m_view.setCaption(QStringLiteral("Идет запись"));
    const LinkTarget target = begin();
    if (!openAccess(target) || !checkVersion(target, config.catalogue().minimumVersion))
        return false;
    LinkAnswer answer;
    if (!check(rounds(
            [&] { return link().ReadParam(GatewayImage::kRunState, 1, target, answer); })))
        return false;
    if (answer.data(0) == GatewayImage::kRunning) {
        // Someone started it again: what it holds is unknown, only a whole write is sound.
        m_leftStopped = false;
        m_session.refuse(QStringLiteral("ВЕГ уже работает: продолжить запись нельзя, запишите "
                                        "конфигурацию заново"));
        return false;
    }
    if (!WriteProtocolTables(config, target, from))
        return false;
    return restart(target);
}

bool GatewayWriter::WriteProtocolTables(const GatewayConfig& config, const LinkTarget& target,
                                        int from)
{
    int index = 0;
    // A continuation may begin inside a series: the gateway, switched off and on meanwhile,
    // no longer knows which parameter the elements without a number belong to.
    bool firstSent = true;
    for (const ImageSection& section : GatewayImage::tables(config.Protocol)) {
        const std::vector<ImageParam> params = section.params(config);
        m_progress.restart(GatewayImage::elementCount(params));
        for (const ImageParam& p : params)
            for (int e = 0; e < p.elements(); ++e, ++index) {
                if (index < from) { // confirmed by the write this one continues
                    m_progress.advance();
                    continue;
                }
                if (!pumpAndGoOn() ||
                    !check(send(p, e, p.encode(config, e), e == 0 || firstSent, target)))
                    return false;
                firstSent = false;
                m_done = index + 1;
                m_progress.advance();
            }
    }
    return true;
}

} // namespace veg
