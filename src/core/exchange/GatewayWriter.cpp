#include "core/exchange/GatewayWriter.h"

namespace veg {

namespace {
constexpr int kPollPauseMs = 100;

} // namespace

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
                               const LinkTarget& target)
{
    if (p.isPlain())
        return link().WriteParam(p.number, bytes, target);
    return link().WriteParamAt(p.number, std::uint16_t(element), bytes, element == 0, target);
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
            const LinkStatus st = send(p, 0, p.encode(config, 0), target);
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
    if (!check(link().WriteParam(GatewayImage::kRunState,
                                 QByteArray(1, char(GatewayImage::kStopRequest)), target)))
        return false;
    const int polls = stopPolls(config.Common.trepeat);
    for (int i = 0; i < polls; ++i) {
        if (!pumpAndGoOn())
            return false;
        if (!check(link().ReadParam(GatewayImage::kRunState, 1, target, answer)))
            return false;
        if (answer.data(0) == GatewayImage::kStopped)
            return true;
        m_session.setStatus(Status::NotStopped);
        m_session.context().clock->sleepMs(kPollPauseMs);
    }
    return check(Status::NotStopped);
}

bool GatewayWriter::WriteTables(const GatewayConfig& config)
{
    const LinkTarget target = begin();
    const ProtocolCatalogue& cat = config.catalogue();
    LinkAnswer answer;
    const bool stateRead = check(link().ReadParam(GatewayImage::kRunState, 1, target, answer));
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
        return check(link().WriteParam(GatewayImage::kRunState,
                                       QByteArray(1, char(GatewayImage::kRunning)), target));
    return true;
}

bool GatewayWriter::WriteProtocolTables(const GatewayConfig& config, const LinkTarget& target)
{
    for (const ImageSection& section : GatewayImage::tables(config.Protocol)) {
        const std::vector<ImageParam> params = section.params(config);
        m_progress.restart(GatewayImage::elementCount(params));
        for (const ImageParam& p : params)
            for (int e = 0; e < p.elements(); ++e) {
                if (!pumpAndGoOn() || !check(send(p, e, p.encode(config, e), target)))
                    return false;
                m_progress.advance();
            }
    }
    return true;
}

} // namespace veg
