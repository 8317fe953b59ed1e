#include "core/exchange/ImageParts.h"

namespace veg::GatewayImage::Parts {

using namespace ImageCodec;

// The general settings, starting with the protocol code; none for a protocol whose general
// settings do not go into the gateway.
std::vector<ImageSection> generalSettingsFor(ProtocolVariant protocol)
{
    const ProtocolCatalogue& cat = catalogueOf(protocol);
    if (!cat.imageGeneralSettings())
        return {};
    const int code = cat.gatewayCode;
    Params first7 = {
        plain(
            kProtocolCode, 1,
            [code](const GatewayConfig&, int) { return byte(std::uint8_t(code)); },
            [](GatewayConfig&, int, const QByteArray&, ReferencedNets&) {}),
        plain(
            0x0103, 2,
            [](const GatewayConfig& c, int) { return loHi(lineTimer(c.Common.V_Ext).value_or(0)); },
            [](GatewayConfig& c, int, const QByteArray& b, ReferencedNets&) {
                if (const auto v = lineSpeedOf(fromLoHi(b)))
                    c.Common.V_Ext = *v;
            }),
        plain(
            0x0104, 1, [](const GatewayConfig& c, int) { return byte(characterFormat(c.Common)); },
            [](GatewayConfig& c, int, const QByteArray& b, ReferencedNets&) {
                readCharacterFormat(first(b), c.Common);
            }),
        commonWord(0x0105, &CommonSettings::trepeat),
        commonByte(0x0106, &CommonSettings::TimeR_T),
        commonByte(0x0107, &CommonSettings::tbegin),
        commonByte(0x010A, &CommonSettings::RTSon),
    };
    Params rest;
    if (cat.imageCrcConstant)
        rest.push_back(commonWord(0x0108, &CommonSettings::Const1));
    if (cat.imageByteOrder) {
        rest.push_back(commonFlag(0x010B, &CommonSettings::Invers));
        rest.push_back(commonFlag(0x010C, &CommonSettings::SWAP));
    }
    ImageParam canAddress = commonByte(0x0001, &CommonSettings::AdrCAN);
    canAddress.failureTolerated = true;
    rest.push_back(canAddress);
    rest.push_back(plain(
        0x0005, 2,
        [](const GatewayConfig& c, int) {
            return byte(kCanSpeedPrefix) + byte(canCode(c.Common.V_CAN).value_or(0));
        },
        [](GatewayConfig& c, int, const QByteArray& b, ReferencedNets&) {
            if (const auto v = canSpeedOf(b.size() > 1 ? std::uint8_t(b[1]) : 0))
                c.Common.V_CAN = *v;
        }));
    // The Modbus progress bar starts again at its CRC constant.
    if (cat.imageCrcConstant)
        return {{[first7](const GatewayConfig&) { return first7; }},
                {[rest](const GatewayConfig&) { return rest; }}};
    Params all = first7;
    all.insert(all.end(), rest.begin(), rest.end());
    return {{[all](const GatewayConfig&) { return all; }}};
}

} // namespace veg::GatewayImage::Parts
