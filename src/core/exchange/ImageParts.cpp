#include "core/exchange/ImageParts.h"

namespace veg::GatewayImage::Parts {

ImageParam plain(std::uint16_t number, int length, Encode encode, Decode decode)
{
    return ImageParam{number, 0, length, std::move(encode), std::move(decode), false};
}

ImageParam indexed(std::uint16_t number, int count, int length, Encode encode, Decode decode)
{
    return ImageParam{number, count, length, std::move(encode), std::move(decode), false};
}

QByteArray byte(std::uint8_t v)
{
    return QByteArray(1, char(v));
}

std::uint8_t first(const QByteArray& b)
{
    return b.isEmpty() ? 0 : std::uint8_t(b[0]);
}

// A plain byte of the general settings.
ImageParam commonByte(std::uint16_t number, std::uint8_t CommonSettings::*field)
{
    return plain(
        number, 1, [field](const GatewayConfig& c, int) { return byte(c.Common.*field); },
        [field](GatewayConfig& c, int, const QByteArray& b, ReferencedNets&) {
            c.Common.*field = first(b);
        });
}

ImageParam commonFlag(std::uint16_t number, bool CommonSettings::*field)
{
    return plain(
        number, 1, [field](const GatewayConfig& c, int) { return byte(c.Common.*field ? 1 : 0); },
        [field](GatewayConfig& c, int, const QByteArray& b, ReferencedNets&) {
            c.Common.*field = first(b) != 0;
        });
}

ImageParam commonWord(std::uint16_t number, std::uint16_t CommonSettings::*field)
{
    return plain(
        number, 2,
        [field](const GatewayConfig& c, int) { return ImageCodec::loHi(c.Common.*field); },
        [field](GatewayConfig& c, int, const QByteArray& b, ReferencedNets&) {
            c.Common.*field = ImageCodec::fromLoHi(b);
        });
}

bool signalRow(const GatewayConfig&, const ParamCore& r, int)
{
    return r.Kind == 0; // a controller parameter, not a bit of a group parameter
}

ImageParam groupSlots(std::uint16_t number, bool emptyByFirstByte)
{
    return indexed(
        number, Rows::GroupSlots, 4,
        [](const GatewayConfig& c, int k) {
            return ImageCodec::groupWireRef(c.GroupParams[std::size_t(k)]);
        },
        [emptyByFirstByte](GatewayConfig& c, int k, const QByteArray& b, ReferencedNets& nets) {
            ImageCodec::readGroupWireRef(b, c.GroupParams[std::size_t(k)], emptyByFirstByte);
            if (first(b) != 0xFF)
                nets.NoteNet(c.GroupParams[std::size_t(k)].NetNumber);
        });
}

ImageParam adrExt()
{
    return commonByte(0x0101, &CommonSettings::AdrExt);
}

ImageParam groupNumber(std::uint16_t number, int count, std::function<int(int element)> row)
{
    return ImageParam{number,
                      count,
                      2,
                      [row](const GatewayConfig& c, int e) {
                          return ImageCodec::loHi(c.GroupParams[std::size_t(row(e))].ParamNumber);
                      },
                      [row](GatewayConfig& c, int e, const QByteArray& b, ReferencedNets&) {
                          c.GroupParams[std::size_t(row(e))].ParamNumber = ImageCodec::fromLoHi(b);
                      },
                      false};
}

} // namespace veg::GatewayImage::Parts
