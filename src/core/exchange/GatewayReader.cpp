#include "core/exchange/GatewayReader.h"

namespace veg {

QString GatewayReader::unknownProtocol(int code)
{
    return QStringLiteral("ВЕГ сообщил код протокола %1, которого нет в списке протоколов "
                          "программы. Чтение прекращено, конфигурация программы не изменена.")
        .arg(code);
}

bool GatewayReader::read(const CommonSettings& current, GatewayConfig& out)
{
    out = GatewayConfig{};
    out.Common = current;
    if (!ReadSettings(out))
        return false;
    out.CreateFor(out.Protocol);
    if (!ReadTables(out))
        return false;
    // The controllers are known by their network numbers only, until their queues are entered.
    out.ClearControllers();
    for (std::uint8_t net : m_nets.nets) {
        ControllerEntry e;
        e.NetNumber = net;
        e.Present = false;
        out.Controllers.push_back(e);
    }
    out.IsReadBack = true;
    out.IsNewFile = false;
    out.HasFile = false;
    out.FileName.clear();
    out.Changed = ChangedFlags{};
    out.Changed.ControllersChanged = true;
    for (ChangedFlag flag : out.catalogue().tableFlags)
        out.Changed.*flag = true;
    return true;
}

bool GatewayReader::ReadSettings(GatewayConfig& config)
{
    if (!linkReady())
        return false;
    m_view.setCaption(QStringLiteral("Идет чтение"));
    const LinkTarget target = begin();
    if (!openAccess(target))
        return false;
    LinkAnswer answer;
    if (!check(link().ReadParam(GatewayImage::kProtocolCode, 1, target, answer)))
        return false;
    const int code = answer.data(0);
    const ProtocolVariant protocol = protocolFromGatewayCode(code);
    if (protocol == ProtocolVariant::None) {
        m_session.refuse(unknownProtocol(code));
        return false;
    }
    config.Protocol = protocol;
    const ProtocolCatalogue& cat = catalogueOf(protocol);
    if (!checkVersion(target, cat.minimumVersion))
        return false;
    for (const ImageSection& section : GatewayImage::generalSettings(protocol)) {
        std::vector<ImageParam> params = section.params(config);
        std::erase_if(params, [](const ImageParam& p) {
            return p.number == GatewayImage::kProtocolCode; // read above
        });
        m_progress.restart(GatewayImage::elementCount(params));
        for (const ImageParam& p : params) {
            QByteArray bytes;
            const LinkStatus st = readElement(p.number, -1, p.length, target, bytes);
            m_session.setStatus(st);
            if (st == Status::Ok) {
                p.decode(config, 0, bytes, m_nets);
                m_progress.advance();
            } else if (!p.failureTolerated || st == Status::Aborted) {
                return false;
            }
        }
    }
    return m_session.LastStatus == Status::Ok;
}

bool GatewayReader::ReadTables(GatewayConfig& config)
{
    const LinkTarget target = begin();
    return ReadProtocolTables(config, target);
}

bool GatewayReader::ReadProtocolTables(GatewayConfig& config, const LinkTarget& target)
{
    config.ClearControllers();
    m_nets = ReferencedNets{};
    for (const ImageSection& section : GatewayImage::tables(config.Protocol)) {
        // Expanded now: the sections before it have filled what it depends on.
        const std::vector<ImageParam> params = section.params(config);
        m_progress.restart(GatewayImage::elementCount(params));
        for (const ImageParam& p : params)
            for (int e = 0; e < p.elements(); ++e) {
                QByteArray bytes;
                if (!pumpAndGoOn() ||
                    !check(readElement(p.number, p.isPlain() ? -1 : e, p.length, target, bytes)))
                    return false;
                p.decode(config, e, bytes, m_nets);
                m_progress.advance();
            }
    }
    return true;
}

} // namespace veg
