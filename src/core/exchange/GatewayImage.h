#pragma once

#include "core/config/GatewayConfig.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace veg {

// The network numbers of the controllers that rows read back from a gateway point at: distinct,
// in the order first met, 255 never entered. `flags` runs parallel, false when a number is added.
struct ReferencedNets
{
    std::vector<std::uint8_t> nets;
    std::vector<bool> flags;

    void NoteNet(std::uint8_t n);
};

// One element of the image: element `index` of an indexed parameter, or a plain parameter
// (index -1), with its bytes.
struct ImageWrite
{
    std::uint16_t param = 0;
    int index = -1;
    QByteArray bytes;

    bool isPlain() const { return index < 0; }
    // "PPPP BB BB ..." for a plain parameter, "PPPP[i] BB BB ..." for an element: hexadecimal
    // upper case, the index decimal.
    QString text() const;
    friend bool operator==(const ImageWrite&, const ImageWrite&) = default;
};

// One parameter of the gateway's map: plain, or indexed with `count` elements sent in rising
// index order from 0. One description serves both directions: `encode` makes the bytes of an
// element from the configuration, `decode` puts them back and notes the controllers they name.
struct ImageParam
{
    std::uint16_t number = 0;
    int count = 0; // 0: a plain parameter
    int length = 1;
    std::function<QByteArray(const GatewayConfig&, int element)> encode;
    std::function<void(GatewayConfig&, int element, const QByteArray&, ReferencedNets&)> decode;
    // Its failure does not end its stage: the next item is sent (read) all the same and decides
    // the stage (the CAN address before the CAN speed).
    bool failureTolerated = false;

    bool isPlain() const { return count == 0; }
    int elements() const { return isPlain() ? 1 : count; }
};

// A group of parameters sent one after another; the progress bar starts again at each. A section
// is expanded against the configuration when it is reached: reading back, the sections before it
// have filled the configuration by then (the ТС and ТУ lists of Магистраль-1 follow the sub-block
// types read before them).
struct ImageSection
{
    std::function<std::vector<ImageParam>(const GatewayConfig&)> params;
};

// The gateway's parameter map: its control parameters, the general settings and each protocol's
// tables, in the order a write sends them and a read-back reads them.
namespace GatewayImage {

constexpr std::uint16_t kDeviceType = 0xF000; // 2 bytes lo hi: the device type code
constexpr std::uint16_t kVersion = 0xF002;    // 1 byte
constexpr std::uint16_t kRunState = 0xF01A;   // 0 running, 1 stop request, 0x81 stopped
constexpr std::uint16_t kProtocolCode = 0x0100;
constexpr std::uint8_t kRunning = 0x00;
constexpr std::uint8_t kStopRequest = 0x01;
constexpr std::uint8_t kStopped = 0x81;

// The number of elements of the parameters: the steps of a stage.
int elementCount(const std::vector<ImageParam>& params);

// The general settings (none for КТС Энергия), starting with the protocol code.
std::vector<ImageSection> generalSettings(ProtocolVariant protocol);
std::vector<ImageSection> tables(ProtocolVariant protocol);

// Why the configuration cannot be written: a value the image has no code for, named as the
// general settings window names it. Empty when it can be written.
QString refusal(const GatewayConfig& config);

// Every element in sending order: the general settings, then the tables. Only for a
// configuration without a refusal.
std::vector<ImageWrite> encodeSections(const GatewayConfig& config,
                                       const std::vector<ImageSection>& sections);
std::vector<ImageWrite> encode(const GatewayConfig& config);

// The length of the elements of every parameter in the map of `protocol`.
std::map<std::uint16_t, int> elementLengths(ProtocolVariant protocol);
// The length of the elements of `param`; nullopt when the map has no such parameter.
std::optional<int> elementLength(ProtocolVariant protocol, std::uint16_t param);

} // namespace GatewayImage
} // namespace veg
