#include "core/exchange/GatewayImage.h"

#include "core/exchange/ImageCodec.h"
#include "core/exchange/ImageParts.h"
#include "core/text/NumberText.h"

namespace veg {

using namespace ImageCodec;

void ReferencedNets::NoteNet(std::uint8_t n)
{
    if (n == 255 || std::find(nets.begin(), nets.end(), n) != nets.end())
        return;
    nets.push_back(n);
    flags.push_back(false);
}

QString ImageWrite::text() const
{
    QString s = NumberText::hex(param, 4);
    if (!isPlain())
        s += QStringLiteral("[%1]").arg(index);
    for (char b : bytes)
        s += u' ' + NumberText::hex(std::uint8_t(b), 2);
    return s;
}

namespace GatewayImage {
namespace {

std::vector<ImageSection> tablesFor(ProtocolVariant protocol)
{
    switch (protocol) {
    case ProtocolVariant::Magistral1:
        return Parts::magistralTables();
    case ProtocolVariant::Modbus:
        return Parts::modbusTables();
    case ProtocolVariant::UnkTm:
        return Parts::unkTmTables();
    case ProtocolVariant::Hart:
        return Parts::hartTables();
    case ProtocolVariant::KtsEnergia:
        return Parts::ktsTables();
    case ProtocolVariant::None:
        break;
    }
    return {};
}

} // namespace

int elementCount(const std::vector<ImageParam>& params)
{
    int n = 0;
    for (const ImageParam& p : params)
        n += p.elements();
    return n;
}

std::vector<ImageSection> generalSettings(ProtocolVariant protocol)
{
    return Parts::generalSettingsFor(protocol);
}

std::vector<ImageSection> tables(ProtocolVariant protocol)
{
    return tablesFor(protocol);
}

QString refusal(const GatewayConfig& config)
{
    if (config.Protocol == ProtocolVariant::None)
        return QStringLiteral("Нет конфигурации для записи в ВЕГ");
    // Every table must have the rows of its protocol: the image walks them by index.
    GatewayConfig shape;
    shape.CreateFor(config.Protocol);
    for (TableId t : config.catalogue().tables)
        if (config.RowCount(t) != shape.RowCount(t))
            return QStringLiteral("Таблицы конфигурации не соответствуют протоколу %1")
                .arg(protocolName(config.Protocol));
    if (!config.catalogue().imageGeneralSettings())
        return QString();
    if (!canCode(config.Common.V_CAN))
        return QStringLiteral("Частота обмена по шине CAN-BUS не задана: значение %1 вне списка "
                              "300, 150, 100, 50, 20 Кбод. Выберите её в окне «Общие настройки» "
                              "и повторите запись.")
            .arg(config.Common.V_CAN);
    if (!lineTimer(config.Common.V_Ext))
        return QStringLiteral("Частота обмена внешняя линия - ВЕГ не задана: значение %1 вне "
                              "списка 300, 600, 1200, 2400, 4800, 9600, 19200. Выберите её в окне "
                              "«Общие настройки» и повторите запись.")
            .arg(config.Common.V_Ext);
    return QString();
}

std::vector<ImageWrite> encodeSections(const GatewayConfig& config,
                                       const std::vector<ImageSection>& sections)
{
    std::vector<ImageWrite> out;
    for (const ImageSection& section : sections)
        for (const ImageParam& p : section.params(config))
            for (int e = 0; e < p.elements(); ++e)
                out.push_back(ImageWrite{p.number, p.isPlain() ? -1 : e, p.encode(config, e)});
    return out;
}

std::vector<ImageWrite> encode(const GatewayConfig& config)
{
    std::vector<ImageWrite> out = encodeSections(config, generalSettings(config.Protocol));
    const std::vector<ImageWrite> t = encodeSections(config, tables(config.Protocol));
    out.insert(out.end(), t.begin(), t.end());
    return out;
}

std::map<std::uint16_t, int> elementLengths(ProtocolVariant protocol)
{
    // The ТС and ТУ parameters of Магистраль-1 exist for sub-blocks of their type: look in a
    // configuration of each.
    std::map<std::uint16_t, int> out;
    for (std::uint8_t type : {SubblockTc, SubblockTu}) {
        GatewayConfig c;
        c.CreateFor(protocol);
        std::fill(c.OkpSubblockTypes.begin(), c.OkpSubblockTypes.end(), type);
        for (const std::vector<ImageSection>& sections :
             {generalSettings(protocol), tables(protocol)})
            for (const ImageSection& s : sections)
                for (const ImageParam& p : s.params(c))
                    out.emplace(p.number, p.length);
    }
    return out;
}

std::optional<int> elementLength(ProtocolVariant protocol, std::uint16_t param)
{
    const std::map<std::uint16_t, int> lengths = elementLengths(protocol);
    const auto it = lengths.find(param);
    if (it == lengths.end())
        return std::nullopt;
    return it->second;
}

} // namespace GatewayImage
} // namespace veg
