#include "core/exchange/ImageParts.h"

namespace veg::GatewayImage::Parts {

using namespace ImageCodec;

// HART: the common part, the devices and their parameters.
namespace {

Params hartCommon(const GatewayConfig&)
{
    Params p{adrExt()};
    for (int i = 0; i < 3; ++i)
        p.push_back(plain(
            std::uint16_t(0x0800 + i), 1,
            [i](const GatewayConfig& c, int) { return byte(c.Common.AdrLong[std::size_t(2 + i)]); },
            [i](GatewayConfig& c, int, const QByteArray& b, ReferencedNets&) {
                c.Common.AdrLong[std::size_t(2 + i)] = first(b);
            }));
    p.push_back(inUseCount(0x0803, &GatewayConfig::HartDevices));
    return p;
}

ImageParam deviceByte(std::uint16_t number, std::uint8_t HartDevice::*field, bool noted = false)
{
    return indexed(
        number, Rows::HartDevices, 1,
        [field](const GatewayConfig& c, int d) {
            return byte(c.HartDevices[std::size_t(d)].*field);
        },
        [field, noted](GatewayConfig& c, int d, const QByteArray& b, ReferencedNets& nets) {
            c.HartDevices[std::size_t(d)].*field = first(b);
            if (noted)
                nets.NoteNet(first(b));
        });
}

Params hartDevices(const GatewayConfig&)
{
    return {
        deviceByte(0x0804, &HartDevice::TypeHart),
        deviceByte(0x0805, &HartDevice::NomHart),
        deviceByte(0x0806, &HartDevice::KodHart),
        deviceByte(0x0807, &HartDevice::SetN, true),
    };
}

Params hartParameters(const GatewayConfig&)
{
    // One parameter per slot, 0x080A skipped: it holds the devices' archive depth.
    static const std::uint16_t slotParams[Rows::ParamsPerHartDevice] = {0x0808, 0x0809, 0x080B,
                                                                        0x080C, 0x080D};
    Params p;
    for (int n = 0; n < Rows::ParamsPerHartDevice; ++n)
        p.push_back(groupNumber(slotParams[n], Rows::HartDevices,
                                [n](int d) { return hartGroupRow(d, n); }));
    p.push_back(deviceByte(0x080A, &HartDevice::RazmHour));
    return p;
}

} // namespace

std::vector<ImageSection> hartTables()
{
    return {{hartCommon}, {hartDevices}, {hartParameters}};
}

} // namespace veg::GatewayImage::Parts
