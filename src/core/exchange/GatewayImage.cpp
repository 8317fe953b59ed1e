#include "core/exchange/GatewayImage.h"

#include "core/exchange/ImageCodec.h"
#include "core/text/Cp1251.h"
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

using Encode = std::function<QByteArray(const GatewayConfig&, int)>;
using Decode = std::function<void(GatewayConfig&, int, const QByteArray&, ReferencedNets&)>;
using Params = std::vector<ImageParam>;

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
        number, 2, [field](const GatewayConfig& c, int) { return loHi(c.Common.*field); },
        [field](GatewayConfig& c, int, const QByteArray& b, ReferencedNets&) {
            c.Common.*field = fromLoHi(b);
        });
}

// A WireRef element of a table; `note` says whether the row's controller is noted on reading.
template <typename Row>
ImageParam refs(std::uint16_t number, int count, std::function<Row&(GatewayConfig&, int)> row,
                std::function<bool(const GatewayConfig&, const Row&, int)> note = {})
{
    auto get = [row](const GatewayConfig& c, int i) -> const Row& {
        return row(const_cast<GatewayConfig&>(c), i);
    };
    return indexed(
        number, count, 4, [get](const GatewayConfig& c, int i) { return wireRef(get(c, i)); },
        [row, note](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets& nets) {
            Row& r = row(c, i);
            readWireRef(b, r);
            if (!note || note(c, r, i))
                nets.NoteNet(r.NetNumber);
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
        [](const GatewayConfig& c, int k) { return groupWireRef(c.GroupParams[std::size_t(k)]); },
        [emptyByFirstByte](GatewayConfig& c, int k, const QByteArray& b, ReferencedNets& nets) {
            readGroupWireRef(b, c.GroupParams[std::size_t(k)], emptyByFirstByte);
            if (first(b) != 0xFF)
                nets.NoteNet(c.GroupParams[std::size_t(k)].NetNumber);
        });
}

ImageParam adrExt()
{
    return commonByte(0x0101, &CommonSettings::AdrExt);
}

// --- general settings ---

std::vector<ImageSection> generalFor(ProtocolVariant protocol)
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

// --- Магистраль-1 ---

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

// --- Modbus ---

// The 16-bit number a Modbus row carries in `Extra` (a holding register, a discrete input).
ImageParam extraWords(std::uint16_t number, int count, std::vector<TcTuEntry> GatewayConfig::*table)
{
    return indexed(
        number, count, 2,
        [table](const GatewayConfig& c, int i) {
            return loHi(std::uint16_t((c.*table)[std::size_t(i)].Extra & 0xFFFF));
        },
        [table](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
            (c.*table)[std::size_t(i)].Extra = fromLoHi(b);
        });
}

Params modbusTelemetry(const GatewayConfig&)
{
    return {
        adrExt(),
        refs<TcTuEntry>(
            0x0301, Rows::TiFloat,
            [](GatewayConfig& c, int i) -> TcTuEntry& { return c.TiFloatTable[std::size_t(i)]; }),
        extraWords(0x0300, Rows::TiFloat, &GatewayConfig::TiFloatTable),
        groupSlots(0x030B, false),
    };
}

Params modbusTelesignals(const GatewayConfig&)
{
    return {
        refs<TcTuEntry>(
            0x0303, Rows::ModbusTc,
            [](GatewayConfig& c, int i) -> TcTuEntry& { return c.ModbusTcTable[std::size_t(i)]; },
            [](const GatewayConfig& c, const TcTuEntry& r, int i) { return signalRow(c, r, i); }),
        extraWords(0x0302, Rows::ModbusTc, &GatewayConfig::ModbusTcTable),
    };
}

ModbusCoilEntry& coil(GatewayConfig& c, int i)
{
    return c.ModbusCoilTable[std::size_t(i)];
}

ImageParam coilRef(std::uint16_t number, ParamCore ModbusCoilEntry::*ref,
                   std::function<bool(std::uint8_t typeTu)> noted)
{
    return refs<ParamCore>(
        number, Rows::ModbusCoils,
        [ref](GatewayConfig& c, int i) -> ParamCore& { return coil(c, i).*ref; },
        [noted](const GatewayConfig& c, const ParamCore&, int i) {
            return noted(c.ModbusCoilTable[std::size_t(i)].TypeTU);
        });
}

ImageParam coilByte(std::uint16_t number, std::uint8_t ModbusCoilEntry::*field)
{
    return indexed(
        number, Rows::ModbusCoils, 1,
        [field](const GatewayConfig& c, int i) {
            return byte(c.ModbusCoilTable[std::size_t(i)].*field);
        },
        [field](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
            coil(c, i).*field = first(b);
        });
}

Params modbusTelecontrol(const GatewayConfig&)
{
    const auto always = [](std::uint8_t) { return true; };
    // The feedback signs count when the low four bits of the type are 0, the readiness values
    // for the types 0x10..0x1F.
    const auto feedback = [](std::uint8_t type) { return (type & 0x0F) == 0; };
    const auto readiness = [](std::uint8_t type) { return type >= 0x10 && type <= 0x1F; };
    return {
        coilRef(0x0305, &ModbusCoilEntry::TU1, always),
        coilRef(0x030C, &ModbusCoilEntry::TU0, always),
        coilByte(0x0307, &ModbusCoilEntry::TypeTU),
        coilByte(0x0306, &ModbusCoilEntry::TimeTU1),
        coilByte(0x030D, &ModbusCoilEntry::TimeTU0),
        coilRef(0x0308, &ModbusCoilEntry::OC1, feedback),
        coilRef(0x030E, &ModbusCoilEntry::OC0, feedback),
        coilRef(0x030F, &ModbusCoilEntry::READY1, readiness),
        coilRef(0x0310, &ModbusCoilEntry::READY0, readiness),
        indexed(
            0x0304, Rows::ModbusCoils, 2,
            [](const GatewayConfig& c, int i) {
                return loHi(c.ModbusCoilTable[std::size_t(i)].Coil);
            },
            [](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
                coil(c, i).Coil = fromLoHi(b);
            }),
    };
}

// --- УНК ТМ ---

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

// The group parameter's number of a thread or a device, low byte first: the controller is the
// thread's or device's own.
ImageParam groupNumber(std::uint16_t number, int count, std::function<int(int element)> row)
{
    return ImageParam{number,
                      count,
                      2,
                      [row](const GatewayConfig& c, int e) {
                          return loHi(c.GroupParams[std::size_t(row(e))].ParamNumber);
                      },
                      [row](GatewayConfig& c, int e, const QByteArray& b, ReferencedNets&) {
                          c.GroupParams[std::size_t(row(e))].ParamNumber = fromLoHi(b);
                      },
                      false};
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

// --- HART ---

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

// --- КТС Энергия ---

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

std::vector<ImageSection> tablesFor(ProtocolVariant protocol)
{
    switch (protocol) {
    case ProtocolVariant::Magistral1:
        return {{magistralIkp}, {magistralPoint}, {magistralTelesignals}, {magistralTelecontrol}};
    case ProtocolVariant::Modbus:
        return {{modbusTelemetry}, {modbusTelesignals}, {modbusTelecontrol}};
    case ProtocolVariant::UnkTm: {
        std::vector<ImageSection> s{{unkCommon}};
        for (int t = 0; t < Rows::UnkThreads; ++t)
            s.push_back({[t](const GatewayConfig&) { return unkThread(t); }});
        return s;
    }
    case ProtocolVariant::Hart:
        return {{hartCommon}, {hartDevices}, {hartParameters}};
    case ProtocolVariant::KtsEnergia:
        return {{ktsGroups}, {ktsSignals}, {ktsGroupParams}};
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
    return generalFor(protocol);
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
