#include "core/exchange/ImageParts.h"

#include "core/text/Cp1251.h"

namespace veg::GatewayImage::Parts {

using namespace ImageCodec;

// УНК ТМ: the common part, then one page of parameters per thread.
namespace {

Params unkCommon(const GatewayConfig&)
{
    return {
        adrExt(),
        inUseCount(0x0400, &GatewayConfig::UnkThreads),
        indexed(
            0x0401, 16, 1,
            [](const GatewayConfig& c, int i) { return byte(c.ParoleWr[std::size_t(i)]); },
            [](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
                c.ParoleWr[std::size_t(i)] = first(b);
            }),
    };
}

ImageParam threadByte(int t, int offset, std::uint8_t UnkThread::*field, bool noted = false)
{
    return plain(
        std::uint16_t(0x0500 + 0x100 * t + offset), 1,
        [t, field](const GatewayConfig& c, int) {
            return byte(c.UnkThreads[std::size_t(t)].*field);
        },
        [t, field, noted](GatewayConfig& c, int, const QByteArray& b, ReferencedNets& nets) {
            c.UnkThreads[std::size_t(t)].*field = first(b);
            if (noted)
                nets.NoteNet(first(b));
        });
}

Params unkThread(int t)
{
    const std::uint16_t page = std::uint16_t(0x0500 + 0x100 * t);
    Params p = {
        indexed(
            page, kThreadNameLength, 1,
            [t](const GatewayConfig& c, int i) {
                const QString name = threadName(c.UnkThreads[std::size_t(t)].Name);
                return Cp1251::encode(QStringView(name).mid(i, 1));
            },
            [t](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
                QString& name = c.UnkThreads[std::size_t(t)].Name;
                name = threadName(name);
                name[i] = Cp1251::decode(QByteArray(1, char(first(b)))).at(0);
            }),
        indexed(
            std::uint16_t(page + 0x0C), 16, 1,
            [t](const GatewayConfig& c, int i) {
                return byte(c.UnkThreads[std::size_t(t)].Parole[std::size_t(i)]);
            },
            [t](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
                c.UnkThreads[std::size_t(t)].Parole[std::size_t(i)] = first(b);
            }),
        threadByte(t, 0x01, &UnkThread::TypeMeas),
        threadByte(t, 0x02, &UnkThread::Selection),
        threadByte(t, 0x03, &UnkThread::SetN, true),
        threadByte(t, 0x19, &UnkThread::RazmHour),
    };
    // Group parameters 0-6 at 0x04..0x0A, 7-18 at 0x0D..0x18: 0x0B is not written and the
    // password sits at 0x0C.
    for (int n = 0; n < Rows::ParamsPerUnkThread; ++n) {
        const int offset = n < 7 ? 0x04 + n : 0x0D + (n - 7);
        p.push_back(groupNumber(std::uint16_t(page + offset), 0,
                                [t, n](int) { return unkGroupRow(t, n); }));
    }
    return p;
}

} // namespace

std::vector<ImageSection> unkTmTables()
{
    std::vector<ImageSection> s{{unkCommon}};
    for (int t = 0; t < Rows::UnkThreads; ++t)
        s.push_back({[t](const GatewayConfig&) { return unkThread(t); }});
    return s;
}

} // namespace veg::GatewayImage::Parts
