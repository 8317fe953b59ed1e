#pragma once

#include "core/exchange/GatewayImage.h"
#include "core/exchange/ImageCodec.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <vector>

namespace veg::GatewayImage::Parts {

// The building blocks of the gateway's map, shared by the general settings and the five
// protocols' tables: how a parameter is described, and the encodings several maps use.

using Encode = std::function<QByteArray(const GatewayConfig&, int)>;
using Decode = std::function<void(GatewayConfig&, int, const QByteArray&, ReferencedNets&)>;
using Params = std::vector<ImageParam>;

ImageParam plain(std::uint16_t number, int length, Encode encode, Decode decode);
ImageParam indexed(std::uint16_t number, int count, int length, Encode encode, Decode decode);

QByteArray byte(std::uint8_t v);
std::uint8_t first(const QByteArray& b);

// A plain byte, flag or word (low byte first) of the general settings.
ImageParam commonByte(std::uint16_t number, std::uint8_t CommonSettings::*field);
ImageParam commonFlag(std::uint16_t number, bool CommonSettings::*field);
ImageParam commonWord(std::uint16_t number, std::uint16_t CommonSettings::*field);

// A WireRef element of a table; `note` says whether the row's controller is noted on reading.
template <typename Row>
ImageParam refs(std::uint16_t number, int count, std::function<Row&(GatewayConfig&, int)> row,
                std::function<bool(const GatewayConfig&, const Row&, int)> note = {})
{
    auto get = [row](const GatewayConfig& c, int i) -> const Row& {
        return row(const_cast<GatewayConfig&>(c), i);
    };
    return indexed(
        number, count, 4,
        [get](const GatewayConfig& c, int i) { return ImageCodec::wireRef(get(c, i)); },
        [row, note](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets& nets) {
            Row& r = row(c, i);
            ImageCodec::readWireRef(b, r);
            if (!note || note(c, r, i))
                nets.NoteNet(r.NetNumber);
        });
}

// A telesignal row is noted by its controller when it names a controller parameter.
bool signalRow(const GatewayConfig&, const ParamCore& r, int);

// The group parameter slots, as WireRefs with the slot's first byte.
ImageParam groupSlots(std::uint16_t number, bool emptyByFirstByte);
// The extension address of the general settings that opens a protocol's tables.
ImageParam adrExt();

// The count of threads or devices in use, computed at write time and not kept when read back.
template <typename Row>
ImageParam inUseCount(std::uint16_t number, std::vector<Row> GatewayConfig::*table)
{
    return plain(
        number, 1,
        [table](const GatewayConfig& c, int) {
            int n = 0;
            for (const Row& r : c.*table)
                n += r.SetN != 255 ? 1 : 0;
            return byte(std::uint8_t(n));
        },
        [](GatewayConfig&, int, const QByteArray&, ReferencedNets&) {});
}

// The group parameter's number of a thread or a device, low byte first: the controller is the
// thread's or device's own.
ImageParam groupNumber(std::uint16_t number, int count, std::function<int(int element)> row);

// The general settings of the protocols that have them, and each protocol's tables.
std::vector<ImageSection> generalSettingsFor(ProtocolVariant protocol);
std::vector<ImageSection> magistralTables();
std::vector<ImageSection> modbusTables();
std::vector<ImageSection> unkTmTables();
std::vector<ImageSection> hartTables();
std::vector<ImageSection> ktsTables();

} // namespace veg::GatewayImage::Parts
