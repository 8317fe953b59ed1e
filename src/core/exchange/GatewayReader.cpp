#include "core/exchange/GatewayReader.h"

#include "core/config/ConfigDiff.h"
#include "core/config/ConfigSchema.h"

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
    completeReadBack(out, m_nets);
    return true;
}

void GatewayReader::completeReadBack(GatewayConfig& out, const ReferencedNets& nets)
{
    // The controllers are known by their network numbers only, until their queues are entered.
    out.ClearControllers();
    for (std::uint8_t net : nets.nets) {
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
}

GatewayConfig GatewayReader::imageOf(const GatewayConfig& config, const CommonSettings& current)
{
    GatewayConfig out;
    out.Common = current;
    out.Protocol = config.Protocol;
    ReferencedNets nets;
    auto pass = [&](const std::vector<ImageSection>& sections) {
        for (const ImageSection& section : sections) {
            // Expanded against what is read so far, as a read expands it.
            for (const ImageParam& p : section.params(out)) {
                if (p.number == GatewayImage::kProtocolCode)
                    continue;
                for (int e = 0; e < p.elements(); ++e)
                    p.decode(out, e, p.encode(config, e), nets);
            }
        }
    };
    pass(GatewayImage::generalSettings(config.Protocol));
    out.CreateFor(out.Protocol);
    nets = ReferencedNets{}; // as ReadProtocolTables starts
    pass(GatewayImage::tables(config.Protocol));
    completeReadBack(out, nets);
    return out;
}

namespace {

// Changes every field of the general settings to another value the image can encode.
struct ChangeEveryField
{
    template <typename T> void number(const char*, T& v, ConfigSchema::Notation n)
    {
        using N = ConfigSchema::Notation;
        if (n == N::CanSpeed)
            v = T((v + 1) % kCanSpeedCount);
        else if (n == N::LineSpeed)
            v = T((v + 1) % kLineSpeedCount);
        else
            v = T(v + 1);
    }
    void flag(const char*, bool& v) { v = !v; }
    template <std::size_t N>
    void bytes(const char*, std::array<std::uint8_t, N>& v, ConfigSchema::Notation n)
    {
        // The HART long address keeps its first two bytes fixed; the others are its own.
        const std::size_t first = n == ConfigSchema::Notation::AdrLong ? 2 : 0;
        for (std::size_t i = first; i < N; ++i)
            v[i] = std::uint8_t(v[i] + 1);
    }
};

} // namespace

QStringList GatewayReader::commonNotCarried(ProtocolVariant protocol)
{
    GatewayConfig config;
    config.Protocol = protocol;
    config.CreateFor(protocol);
    config.ResetCommon();
    CommonSettings other = config.Common;
    ChangeEveryField change;
    ConfigSchema::visitCommon(change, other);
    // A field the image carries reads back the same from either start; one it does not keeps
    // the start's value.
    QStringList out;
    for (const ConfigDifference& d :
         compareConfigs(imageOf(config, config.Common), imageOf(config, other))) {
        if (d.path.startsWith(QStringLiteral("Common.")))
            out << d.path.mid(7);
    }
    return out;
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
