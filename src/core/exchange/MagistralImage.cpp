#include "core/exchange/ImageParts.h"

namespace veg::GatewayImage::Parts {

using namespace ImageCodec;

// Магистраль-1: the ИКП sub-blocks, the point with its sub-block types, then the ТС and ТУ of
// the sub-blocks of their type.
namespace {

Params magistralIkp(const GatewayConfig&)
{
    Params p{adrExt()};
    for (int s = 0; s < Rows::IkpSubblocks; ++s)
        p.push_back(refs<TiEntry>(std::uint16_t(0x0200 + s), Rows::MeasurementsPerIkpSubblock,
                                  [s](GatewayConfig& c, int i) -> TiEntry& {
                                      return c.IkpTable[std::size_t(ikpRow(s, i))];
                                  }));
    return p;
}

Params magistralPoint(const GatewayConfig&)
{
    return {
        commonByte(0x0102, &CommonSettings::AdrOKP),
        indexed(
            0x020C, Rows::OkpSubblocks, 1,
            [](const GatewayConfig& c, int s) { return byte(c.OkpSubblockTypes[std::size_t(s)]); },
            [](GatewayConfig& c, int s, const QByteArray& b, ReferencedNets&) {
                c.OkpSubblockTypes[std::size_t(s)] = first(b);
            }),
        groupSlots(0x020D, true),
    };
}

std::vector<int> subblocksOf(const GatewayConfig& c, std::uint8_t type)
{
    std::vector<int> out;
    for (int s = 0; s < int(c.OkpSubblockTypes.size()); ++s)
        if (c.OkpSubblockTypes[std::size_t(s)] == type)
            out.push_back(s);
    return out;
}

TcTuEntry& tcTu(GatewayConfig& c, int row)
{
    return c.TcTuTable[std::size_t(row)];
}

Params magistralTelesignals(const GatewayConfig& config)
{
    Params p;
    for (int s : subblocksOf(config, SubblockTc))
        for (int op = 0; op < 4; ++op)
            p.push_back(refs<TcTuEntry>(
                std::uint16_t(0x0210 + 4 * s + op), 8,
                [s, op](GatewayConfig& c, int b) -> TcTuEntry& {
                    return tcTu(c, tcTuRow(s, op * 8 + b));
                },
                [](const GatewayConfig& c, const TcTuEntry& r, int i) {
                    return signalRow(c, r, i);
                }));
    return p;
}

Params magistralTelecontrol(const GatewayConfig& config)
{
    const std::vector<int> blocks = subblocksOf(config, SubblockTu);
    Params p;
    for (int s : blocks)
        p.push_back(refs<TcTuEntry>(
            std::uint16_t(0x0248 + s), Rows::OperationsPerTuSubblock,
            [s](GatewayConfig& c, int n) -> TcTuEntry& { return tcTu(c, tcTuRow(s, n)); }));
    for (int s : blocks)
        p.push_back(indexed(
            std::uint16_t(0x0256 + s), Rows::OperationsPerTuSubblock, 1,
            [s](const GatewayConfig& c, int n) {
                return byte(std::uint8_t(c.TcTuTable[std::size_t(tcTuRow(s, n))].Extra & 0xFF));
            },
            [s](GatewayConfig& c, int n, const QByteArray& b, ReferencedNets&) {
                tcTu(c, tcTuRow(s, n)).Extra = first(b);
            }));
    return p;
}

} // namespace

std::vector<ImageSection> magistralTables()
{
    return {{magistralIkp}, {magistralPoint}, {magistralTelesignals}, {magistralTelecontrol}};
}

} // namespace veg::GatewayImage::Parts
