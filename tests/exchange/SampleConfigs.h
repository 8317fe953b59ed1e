#pragma once

#include "core/config/GatewayConfig.h"
#include "core/exchange/GatewayImage.h"

#include <string>

// Configurations with every row filled, and what of them a gateway keeps.
namespace sample {

inline veg::ParamCore ref(int i)
{
    veg::ParamCore c;
    c.Kind = std::uint8_t(i % 2); // 0 a controller parameter, 1 a bit of a group parameter
    c.NetNumber = std::uint8_t(0x10 + i % 5);
    c.ParamNumber = std::uint16_t(0x0100 + i * 3);
    c.TaskNumber = std::uint16_t(i % 40);
    return c;
}

inline QString name(int i)
{
    return QStringLiteral("Параметр %1/Задача(КП)").arg(i);
}

// Every field of every table set; names, task numbers and the general settings the image does
// not carry set as well, so that a read-back shows what it loses.
inline veg::GatewayConfig config(veg::ProtocolVariant protocol)
{
    using namespace veg;
    GatewayConfig c;
    c.CreateFor(protocol);
    c.ResetCommon();
    CommonSettings& s = c.Common;
    s.AdrCAN = 0x12;
    s.AdrExt = 0x34;
    s.AdrOKP = 0x56;
    s.AdrLong = {0, 2, 0xA1, 0xB2, 0xC3};
    s.V_CAN = 3;
    s.V_Ext = 4;
    s.RBit = 0;
    s.RCon = 1;
    s.TBit = 1;
    s.TCon = 2;
    s.tbegin = 50;
    s.trepeat = 7;
    s.TimeR_T = 9;
    s.Const1 = 0x1234;
    s.Const2 = 0x5555;
    s.Invers = true;
    s.Modem = true;
    s.TimeRes = 40;
    s.RTSoff = 41;
    s.RTSon = 42;
    s.Synch = true;

    for (int i = 0; i < int(c.GroupParams.size()); ++i) {
        GroupParamRef& g = c.GroupParams[std::size_t(i)];
        g.ParamNumber = i == 1 ? 0xFFFF : std::uint16_t(0x0200 + i);
        g.NetNumber = std::uint8_t(0x20 + i % 3);
        g.TaskNumber = 3;
        g.Name = name(i);
    }
    auto fill = [](auto& row, int i) {
        static_cast<ParamCore&>(row) = ref(i);
        row.Name = name(i);
    };
    for (int s = 0; s < int(c.OkpSubblockTypes.size()); ++s)
        c.OkpSubblockTypes[std::size_t(s)] = std::uint8_t(s % 3);
    for (int s = 0; s < int(c.OkpSubblockTypes.size()); ++s) {
        const int used = c.OkpSubblockTypes[std::size_t(s)] == SubblockTc   ? 32
                         : c.OkpSubblockTypes[std::size_t(s)] == SubblockTu ? 6
                                                                            : 0;
        for (int n = 0; n < used; ++n) {
            TcTuEntry& r = c.TcTuTable[std::size_t(tcTuRow(s, n))];
            fill(r, tcTuRow(s, n));
            if (c.OkpSubblockTypes[std::size_t(s)] == SubblockTu)
                r.Extra = 5 + n;
        }
    }
    for (int i = 0; i < int(c.IkpTable.size()); ++i)
        fill(c.IkpTable[std::size_t(i)], 500 + i);
    for (int i = 0; i < int(c.ModbusTcTable.size()); ++i) {
        fill(c.ModbusTcTable[std::size_t(i)], 600 + i);
        c.ModbusTcTable[std::size_t(i)].Extra = 1000 + i;
    }
    for (int i = 0; i < int(c.TiFloatTable.size()); ++i) {
        fill(c.TiFloatTable[std::size_t(i)], 800 + i);
        c.TiFloatTable[std::size_t(i)].Extra = 40000 + i;
    }
    for (int i = 0; i < int(c.ModbusCoilTable.size()); ++i) {
        ModbusCoilEntry& e = c.ModbusCoilTable[std::size_t(i)];
        e.TU1 = ref(900 + i);
        e.TU0 = ref(920 + i);
        e.OC1 = ref(940 + i);
        e.OC0 = ref(960 + i);
        e.READY1 = ref(980 + i);
        e.READY0 = ref(1000 + i);
        e.TypeTU = std::uint8_t(i * 5);
        e.TimeTU1 = std::uint8_t(2 + i);
        e.TimeTU0 = std::uint8_t(30 + i);
        e.Coil = i == 3 ? 0xFFFF : std::uint16_t(i + 1);
        e.NameTU1 = name(i);
    }
    for (int t = 0; t < int(c.UnkThreads.size()); ++t) {
        UnkThread& u = c.UnkThreads[std::size_t(t)];
        u.Name = threadName(t == 1 ? QString() : QStringLiteral("Нитка %1").arg(t));
        for (int i = 0; i < 16; ++i)
            u.Parole[std::size_t(i)] = std::uint8_t(t * 16 + i);
        u.TypeMeas = std::uint8_t(t);
        u.Selection = std::uint8_t(t + 1);
        u.SetN = t == 2 ? 255 : std::uint8_t(0x30 + t);
        u.RazmHour = std::uint8_t(24 + t);
    }
    for (int i = 0; i < 16; ++i)
        c.ParoleWr[std::size_t(i)] = std::uint8_t(0xF0 + i);
    for (int d = 0; d < int(c.HartDevices.size()); ++d) {
        HartDevice& h = c.HartDevices[std::size_t(d)];
        h.TypeHart = std::uint8_t(d);
        h.NomHart = std::uint8_t(d + 1);
        h.KodHart = std::uint8_t(d + 2);
        h.SetN = d % 4 == 3 ? 255 : std::uint8_t(0x40 + d % 3);
        h.RazmHour = std::uint8_t(d + 3);
    }
    for (int g = 0; g < int(c.KtsGroups.size()); ++g) {
        KtsGroup& k = c.KtsGroups[std::size_t(g)];
        k.SetN = std::uint8_t(0x50 + g % 2);
        k.ParamNumber = std::uint16_t(0x0300 + g);
        k.BegScale = -1.5f * float(g);
        k.EndScale = 100.25f + float(g);
        k.Number = 4;
        k.TaskNumber = 2;
        k.Name = name(g);
    }
    for (int r = 0; r < int(c.KtsSignals.size()); ++r) {
        KtsSignal& k = c.KtsSignals[std::size_t(r)];
        k.Flags = std::uint8_t(r % 2 ? 0x81 : 0x00);
        k.SetN = std::uint8_t(0x52 + r % 2);
        k.ParamNumber = std::uint16_t(0x0400 + r);
        k.TaskNumber = 1;
        k.Name = name(r);
    }
    return c;
}

// What a read-back of `written` gives when the read starts from the general settings `before`:
// the image's values, and for everything the gateway does not keep (names, task numbers, the
// general settings outside the image) the values the read starts from.
inline veg::GatewayConfig carried(const veg::GatewayConfig& written,
                                  const veg::CommonSettings& before)
{
    using namespace veg;
    GatewayConfig c;
    c.CreateFor(written.Protocol);
    const ProtocolCatalogue& cat = written.catalogue();
    c.Common = before;
    const CommonSettings& w = written.Common;
    if (cat.imageGeneralSettings()) {
        c.Common.AdrCAN = w.AdrCAN;
        c.Common.V_CAN = w.V_CAN;
        c.Common.V_Ext = w.V_Ext;
        c.Common.RBit = w.RBit;
        c.Common.RCon = w.RBit == 1 ? 2 : w.RCon; // 10 bits carry no parity
        c.Common.TBit = w.TBit;
        c.Common.TCon = w.TBit == 1 ? 2 : w.TCon;
        c.Common.tbegin = w.tbegin;
        c.Common.trepeat = w.trepeat;
        c.Common.TimeR_T = w.TimeR_T;
        c.Common.RTSon = w.RTSon;
        c.Common.AdrExt = w.AdrExt;
    }
    if (cat.imageCrcConstant)
        c.Common.Const1 = w.Const1;
    if (cat.imageByteOrder) {
        c.Common.Invers = w.Invers;
        c.Common.SWAP = w.SWAP;
    }
    if (written.Protocol == ProtocolVariant::Magistral1)
        c.Common.AdrOKP = w.AdrOKP;
    if (written.Protocol == ProtocolVariant::Hart)
        for (int i = 2; i < 5; ++i)
            c.Common.AdrLong[std::size_t(i)] = w.AdrLong[std::size_t(i)];

    auto core = [](const ParamCore& p) {
        ParamCore out = p;
        out.TaskNumber = 0xFFFF;
        return out;
    };
    for (std::size_t i = 0; i < c.GroupParams.size(); ++i) {
        c.GroupParams[i].ParamNumber = written.GroupParams[i].ParamNumber;
        // Only Магистраль-1, Modbus and КТС Энергия keep the slot's controller; УНК ТМ and HART
        // take it from the thread or device.
        if (cat.has(TableId::OkpSubblockTypes) || cat.has(TableId::ModbusCoilTable) ||
            cat.has(TableId::KtsGroups))
            c.GroupParams[i].NetNumber = written.GroupParams[i].NetNumber;
    }
    c.OkpSubblockTypes = written.OkpSubblockTypes;
    for (int s = 0; s < int(c.OkpSubblockTypes.size()); ++s) {
        const std::uint8_t type = c.OkpSubblockTypes[std::size_t(s)];
        const int used = type == SubblockTc ? 32 : type == SubblockTu ? 6 : 0;
        for (int n = 0; n < used; ++n) {
            const TcTuEntry& from = written.TcTuTable[std::size_t(tcTuRow(s, n))];
            TcTuEntry& to = c.TcTuTable[std::size_t(tcTuRow(s, n))];
            static_cast<ParamCore&>(to) = core(from);
            if (type == SubblockTu)
                to.Extra = from.Extra & 0xFF;
        }
    }
    for (std::size_t i = 0; i < c.IkpTable.size(); ++i)
        static_cast<ParamCore&>(c.IkpTable[i]) = core(written.IkpTable[i]);
    for (std::size_t i = 0; i < c.ModbusTcTable.size(); ++i) {
        static_cast<ParamCore&>(c.ModbusTcTable[i]) = core(written.ModbusTcTable[i]);
        c.ModbusTcTable[i].Extra = written.ModbusTcTable[i].Extra & 0xFFFF;
    }
    for (std::size_t i = 0; i < c.TiFloatTable.size(); ++i) {
        static_cast<ParamCore&>(c.TiFloatTable[i]) = core(written.TiFloatTable[i]);
        c.TiFloatTable[i].Extra = written.TiFloatTable[i].Extra & 0xFFFF;
    }
    for (std::size_t i = 0; i < c.ModbusCoilTable.size(); ++i) {
        const ModbusCoilEntry& from = written.ModbusCoilTable[i];
        ModbusCoilEntry& to = c.ModbusCoilTable[i];
        to.TU1 = core(from.TU1);
        to.TU0 = core(from.TU0);
        to.OC1 = core(from.OC1);
        to.OC0 = core(from.OC0);
        to.READY1 = core(from.READY1);
        to.READY0 = core(from.READY0);
        to.TypeTU = from.TypeTU;
        to.TimeTU1 = from.TimeTU1;
        to.TimeTU0 = from.TimeTU0;
        to.Coil = from.Coil;
    }
    c.UnkThreads = written.UnkThreads;
    for (UnkThread& u : c.UnkThreads)
        u.Name = threadName(u.Name);
    if (written.Protocol == ProtocolVariant::UnkTm)
        c.ParoleWr = written.ParoleWr;
    c.HartDevices = written.HartDevices;
    for (std::size_t i = 0; i < c.KtsGroups.size(); ++i) {
        const KtsGroup& from = written.KtsGroups[i];
        KtsGroup& to = c.KtsGroups[i];
        to.SetN = from.SetN;
        to.ParamNumber = from.ParamNumber;
        to.BegScale = from.BegScale;
        to.EndScale = from.EndScale;
    }
    for (std::size_t i = 0; i < c.KtsSignals.size(); ++i) {
        c.KtsSignals[i].Flags = written.KtsSignals[i].Flags;
        c.KtsSignals[i].SetN = written.KtsSignals[i].SetN;
        c.KtsSignals[i].ParamNumber = written.KtsSignals[i].ParamNumber;
    }
    return c;
}

// Where two configurations first differ: a member and a row, for a failing comparison.
inline std::string difference(const veg::GatewayConfig& a, const veg::GatewayConfig& b)
{
    using namespace veg;
    auto rows = [](const char* what, const auto& x, const auto& y) -> std::string {
        if (x.size() != y.size())
            return std::string(what) + ": row counts differ";
        for (std::size_t i = 0; i < x.size(); ++i)
            if (!(x[i] == y[i]))
                return std::string(what) + " row " + std::to_string(i);
        return {};
    };
    const CommonSettings& p = a.Common;
    const CommonSettings& q = b.Common;
#define VEG_FIELD(f)                                                                               \
    if (!(p.f == q.f))                                                                             \
        return "Common." #f;
    VEG_FIELD(AdrCAN)
    VEG_FIELD(AdrExt)
    VEG_FIELD(AdrOKP) VEG_FIELD(AdrLong) VEG_FIELD(V_CAN) VEG_FIELD(V_Ext) VEG_FIELD(
        RBit) VEG_FIELD(RCon) VEG_FIELD(TBit) VEG_FIELD(TCon) VEG_FIELD(tbegin) VEG_FIELD(trepeat)
        VEG_FIELD(TimeR_T) VEG_FIELD(Const1) VEG_FIELD(Const2) VEG_FIELD(Invers) VEG_FIELD(SWAP)
            VEG_FIELD(Modem) VEG_FIELD(TimeRes) VEG_FIELD(RTSoff) VEG_FIELD(RTSon) VEG_FIELD(Synch)
#undef VEG_FIELD
                for (const std::string& d :
                     {rows("GroupParams", a.GroupParams, b.GroupParams),
                      rows("OkpSubblockTypes", a.OkpSubblockTypes, b.OkpSubblockTypes),
                      rows("TcTuTable", a.TcTuTable, b.TcTuTable),
                      rows("IkpTable", a.IkpTable, b.IkpTable),
                      rows("ModbusCoilTable", a.ModbusCoilTable, b.ModbusCoilTable),
                      rows("ModbusTcTable", a.ModbusTcTable, b.ModbusTcTable),
                      rows("TiFloatTable", a.TiFloatTable, b.TiFloatTable),
                      rows("UnkThreads", a.UnkThreads, b.UnkThreads),
                      rows("HartDevices", a.HartDevices, b.HartDevices),
                      rows("KtsGroups", a.KtsGroups, b.KtsGroups),
                      rows("KtsSignals", a.KtsSignals, b.KtsSignals),
                      rows("Controllers", a.Controllers, b.Controllers)}) if (!d.empty()) return d;
    if (a.ParoleWr != b.ParoleWr)
        return "ParoleWr";
    if (!(a.Changed == b.Changed))
        return "Changed";
    if (a.FileName != b.FileName || a.IsNewFile != b.IsNewFile || a.IsReadBack != b.IsReadBack ||
        a.HasFile != b.HasFile)
        return "file state";
    return a == b ? "" : "Protocol";
}

} // namespace sample
