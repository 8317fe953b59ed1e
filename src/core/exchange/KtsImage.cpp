#include "core/exchange/ImageParts.h"

namespace veg::GatewayImage::Parts {

using namespace ImageCodec;

// КТС Энергия: the groups, the signals and the group parameters (numbers high byte first).
namespace {

Params ktsGroups(const GatewayConfig&)
{
    auto group = [](GatewayConfig& c, int g) -> KtsGroup& { return c.KtsGroups[std::size_t(g)]; };
    auto cgroup = [](const GatewayConfig& c, int g) -> const KtsGroup& {
        return c.KtsGroups[std::size_t(g)];
    };
    return {
        indexed(
            0x0200, Rows::KtsGroups, 2,
            [cgroup](const GatewayConfig& c, int g) { return hiLo(cgroup(c, g).ParamNumber); },
            [group](GatewayConfig& c, int g, const QByteArray& b, ReferencedNets&) {
                group(c, g).ParamNumber = fromHiLo(b);
            }),
        indexed(
            0x0201, Rows::KtsGroups, 1,
            [cgroup](const GatewayConfig& c, int g) { return byte(cgroup(c, g).SetN); },
            [group](GatewayConfig& c, int g, const QByteArray& b, ReferencedNets& nets) {
                group(c, g).SetN = first(b);
                nets.NoteNet(first(b));
            }),
        indexed(
            0x0202, Rows::KtsGroups, 4,
            [cgroup](const GatewayConfig& c, int g) { return floatBytes(cgroup(c, g).BegScale); },
            [group](GatewayConfig& c, int g, const QByteArray& b, ReferencedNets&) {
                group(c, g).BegScale = fromFloatBytes(b);
            }),
        indexed(
            0x0203, Rows::KtsGroups, 4,
            [cgroup](const GatewayConfig& c, int g) { return floatBytes(cgroup(c, g).EndScale); },
            [group](GatewayConfig& c, int g, const QByteArray& b, ReferencedNets&) {
                group(c, g).EndScale = fromFloatBytes(b);
            }),
    };
}

Params ktsSignals(const GatewayConfig&)
{
    auto signal = [](GatewayConfig& c, int r) -> KtsSignal& {
        return c.KtsSignals[std::size_t(r)];
    };
    auto csignal = [](const GatewayConfig& c, int r) -> const KtsSignal& {
        return c.KtsSignals[std::size_t(r)];
    };
    return {
        indexed(
            0x0204, Rows::KtsSignals, 1,
            [csignal](const GatewayConfig& c, int r) { return byte(csignal(c, r).Flags); },
            [signal](GatewayConfig& c, int r, const QByteArray& b, ReferencedNets&) {
                signal(c, r).Flags = first(b);
            }),
        indexed(
            0x0205, Rows::KtsSignals, 2,
            [csignal](const GatewayConfig& c, int r) { return hiLo(csignal(c, r).ParamNumber); },
            [signal](GatewayConfig& c, int r, const QByteArray& b, ReferencedNets&) {
                signal(c, r).ParamNumber = fromHiLo(b);
            }),
        indexed(
            0x0206, Rows::KtsSignals, 1,
            [csignal](const GatewayConfig& c, int r) { return byte(csignal(c, r).SetN); },
            [signal](GatewayConfig& c, int r, const QByteArray& b, ReferencedNets& nets) {
                signal(c, r).SetN = first(b);
                nets.NoteNet(first(b));
            }),
    };
}

Params ktsGroupParams(const GatewayConfig&)
{
    return {
        indexed(
            0x0207, Rows::GroupSlots, 2,
            [](const GatewayConfig& c, int k) {
                return hiLo(c.GroupParams[std::size_t(k)].ParamNumber);
            },
            [](GatewayConfig& c, int k, const QByteArray& b, ReferencedNets&) {
                c.GroupParams[std::size_t(k)].ParamNumber = fromHiLo(b);
            }),
        indexed(
            0x0208, Rows::GroupSlots, 1,
            [](const GatewayConfig& c, int k) {
                return byte(c.GroupParams[std::size_t(k)].NetNumber);
            },
            [](GatewayConfig& c, int k, const QByteArray& b, ReferencedNets& nets) {
                c.GroupParams[std::size_t(k)].NetNumber = first(b);
                nets.NoteNet(first(b));
            }),
    };
}

} // namespace

std::vector<ImageSection> ktsTables()
{
    return {{ktsGroups}, {ktsSignals}, {ktsGroupParams}};
}

} // namespace veg::GatewayImage::Parts
