#pragma once

#include "core/config/GatewayConfig.h"

#include <type_traits>

// The fields of every record of a configuration, named as `vegctl dump` names them, described
// once for everything that walks a configuration field by field: the JSON writer and reader
// (ConfigJson) and the comparison (ConfigDiff).
//
// A walk calls its visitor with every field of a record in order:
//   v.number(name, field, notation)   an integer of the field's own width (u8, u16, i32)
//   v.flag(name, field)               a bool
//   v.text(name, field, notation, n)  a text of at most n characters (-1: no limit)
//   v.real(name, field)               a 32-bit float
//   v.bytes(name, field, notation)    a fixed array of bytes, one value
//   v.core(name, field)               a nested ParamCore, one object of four fields
// The record is const for a visitor that only reads it.
namespace veg::ConfigSchema {

// How a value is shown when two configurations are compared: where the file has a notation of
// its own for the field, that one.
enum class Notation {
    Dec,
    Hex1,
    Hex2,
    Hex4,
    YesNo,
    CanSpeed,     // V_CAN: the speed in kbit/s the index stands for
    LineSpeed,    // V_Ext: the speed in baud
    SubblockType, // "1 (ТС)"
    Text,
    ThreadName,   // held blank-padded to 16 characters
    HexBytes,     // a password: two hexadecimal digits a byte, no blanks
    AdrLong,      // the HART long address: its three user bytes, "0A 1B 2C"
};

// `Base` with the constness of `R`: a walk over a const record sees const fields.
template <typename R, typename Base>
using Like = std::conditional_t<std::is_const_v<R>, const Base, Base>;

template <typename V, typename R> void visitCore(V& v, R& c)
{
    v.number("Kind", c.Kind, Notation::Dec);
    v.number("NetNumber", c.NetNumber, Notation::Hex2);
    v.number("ParamNumber", c.ParamNumber, Notation::Hex4);
    v.number("TaskNumber", c.TaskNumber, Notation::Dec);
}

template <typename V, typename R> void visitCommon(V& v, R& m)
{
    v.number("AdrCAN", m.AdrCAN, Notation::Hex2);
    v.number("AdrExt", m.AdrExt, Notation::Hex2);
    v.number("AdrOKP", m.AdrOKP, Notation::Hex2);
    v.bytes("AdrLong", m.AdrLong, Notation::AdrLong);
    v.number("V_CAN", m.V_CAN, Notation::CanSpeed);
    v.number("V_Ext", m.V_Ext, Notation::LineSpeed);
    v.number("RBit", m.RBit, Notation::Dec);
    v.number("RCon", m.RCon, Notation::Dec);
    v.number("TBit", m.TBit, Notation::Dec);
    v.number("TCon", m.TCon, Notation::Dec);
    v.number("tbegin", m.tbegin, Notation::Dec);
    v.number("trepeat", m.trepeat, Notation::Dec);
    v.number("TimeR_T", m.TimeR_T, Notation::Dec);
    v.number("Const1", m.Const1, Notation::Hex4);
    v.number("Const2", m.Const2, Notation::Hex4);
    v.flag("Invers", m.Invers);
    v.flag("SWAP", m.SWAP);
    v.flag("Modem", m.Modem);
    v.number("TimeRes", m.TimeRes, Notation::Dec);
    v.number("RTSoff", m.RTSoff, Notation::Dec);
    v.number("RTSon", m.RTSon, Notation::Dec);
    v.flag("Synch", m.Synch);
}

// One row of a table, by its record type.
template <typename V, typename R> void visitRow(V& v, R& r)
{
    using T = std::remove_const_t<R>;
    if constexpr (std::is_same_v<T, GroupParamRef>) {
        v.number("NetNumber", r.NetNumber, Notation::Hex2);
        v.number("ParamNumber", r.ParamNumber, Notation::Hex4);
        v.number("TaskNumber", r.TaskNumber, Notation::Dec);
        v.text("Name", r.Name, Notation::Text, kNameLength);
    } else if constexpr (std::is_same_v<T, TcTuEntry>) {
        visitCore(v, static_cast<Like<R, ParamCore>&>(r));
        v.number("Extra", r.Extra, Notation::Dec);
        v.text("Name", r.Name, Notation::Text, kNameLength);
    } else if constexpr (std::is_same_v<T, TiEntry>) {
        visitCore(v, static_cast<Like<R, ParamCore>&>(r));
        v.text("Name", r.Name, Notation::Text, kNameLength);
    } else if constexpr (std::is_same_v<T, ModbusCoilEntry>) {
        v.number("Coil", r.Coil, Notation::Dec);
        v.number("TypeTU", r.TypeTU, Notation::Hex1);
        v.core("TU1", r.TU1);
        v.text("NameTU1", r.NameTU1, Notation::Text, kNameLength);
        v.core("TU0", r.TU0);
        v.text("NameTU0", r.NameTU0, Notation::Text, kNameLength);
        v.number("TimeTU1", r.TimeTU1, Notation::Dec);
        v.number("TimeTU0", r.TimeTU0, Notation::Dec);
        v.core("OC1", r.OC1);
        v.text("NameOC1", r.NameOC1, Notation::Text, kNameLength);
        v.core("OC0", r.OC0);
        v.text("NameOC0", r.NameOC0, Notation::Text, kNameLength);
        v.core("READY1", r.READY1);
        v.text("NameREADY1", r.NameREADY1, Notation::Text, kNameLength);
        v.core("READY0", r.READY0);
        v.text("NameREADY0", r.NameREADY0, Notation::Text, kNameLength);
    } else if constexpr (std::is_same_v<T, UnkThread>) {
        v.text("Name", r.Name, Notation::ThreadName, kThreadNameLength);
        v.bytes("Parole", r.Parole, Notation::HexBytes);
        v.number("TypeMeas", r.TypeMeas, Notation::Dec);
        v.number("Selection", r.Selection, Notation::Dec);
        v.number("SetN", r.SetN, Notation::Hex2);
        v.number("RazmHour", r.RazmHour, Notation::Dec);
    } else if constexpr (std::is_same_v<T, HartDevice>) {
        v.number("TypeHart", r.TypeHart, Notation::Hex2);
        v.number("NomHart", r.NomHart, Notation::Hex2);
        v.number("KodHart", r.KodHart, Notation::Hex2);
        v.number("SetN", r.SetN, Notation::Hex2);
        v.number("RazmHour", r.RazmHour, Notation::Dec);
    } else if constexpr (std::is_same_v<T, KtsGroup>) {
        v.number("SetN", r.SetN, Notation::Hex2);
        v.number("ParamNumber", r.ParamNumber, Notation::Hex4);
        v.number("TaskNumber", r.TaskNumber, Notation::Dec);
        v.text("Name", r.Name, Notation::Text, kNameLength);
        v.real("BegScale", r.BegScale);
        v.real("EndScale", r.EndScale);
        v.number("Number", r.Number, Notation::Dec);
    } else if constexpr (std::is_same_v<T, KtsSignal>) {
        v.number("Flags", r.Flags, Notation::Hex2);
        v.number("SetN", r.SetN, Notation::Hex2);
        v.number("ParamNumber", r.ParamNumber, Notation::Hex4);
        v.number("TaskNumber", r.TaskNumber, Notation::Dec);
        v.text("Name", r.Name, Notation::Text, kNameLength);
    } else {
        static_assert(std::is_same_v<T, GroupParamRef>, "a record without a description");
    }
}

// The name of a table in the JSON of a configuration: the model's own.
inline const char* tableName(TableId table)
{
    switch (table) {
    case TableId::GroupParams:
        return "GroupParams";
    case TableId::OkpSubblockTypes:
        return "OkpSubblockTypes";
    case TableId::TcTuTable:
        return "TcTuTable";
    case TableId::IkpTable:
        return "IkpTable";
    case TableId::ModbusCoilTable:
        return "ModbusCoilTable";
    case TableId::ModbusTcTable:
        return "ModbusTcTable";
    case TableId::TiFloatTable:
        return "TiFloatTable";
    case TableId::UnkThreads:
        return "UnkThreads";
    case TableId::HartDevices:
        return "HartDevices";
    case TableId::KtsGroups:
        return "KtsGroups";
    case TableId::KtsSignals:
        return "KtsSignals";
    }
    return "";
}

// Calls f(name, member) for every table of `protocol`, in the order File -> New makes them, with
// the member of GatewayConfig that holds its rows (a walk over two configurations takes the same
// table of both). The УНК ТМ write password `ParoleWr`, one value rather than rows, follows the
// threads it belongs with.
template <typename F> void forEachTable(ProtocolVariant protocol, F&& f)
{
    using C = GatewayConfig;
    for (TableId t : catalogueOf(protocol).tables) {
        const char* name = tableName(t);
        switch (t) {
        case TableId::GroupParams:
            f(name, &C::GroupParams);
            break;
        case TableId::OkpSubblockTypes:
            f(name, &C::OkpSubblockTypes);
            break;
        case TableId::TcTuTable:
            f(name, &C::TcTuTable);
            break;
        case TableId::IkpTable:
            f(name, &C::IkpTable);
            break;
        case TableId::ModbusCoilTable:
            f(name, &C::ModbusCoilTable);
            break;
        case TableId::ModbusTcTable:
            f(name, &C::ModbusTcTable);
            break;
        case TableId::TiFloatTable:
            f(name, &C::TiFloatTable);
            break;
        case TableId::UnkThreads:
            f(name, &C::UnkThreads);
            f("ParoleWr", &C::ParoleWr);
            break;
        case TableId::HartDevices:
            f(name, &C::HartDevices);
            break;
        case TableId::KtsGroups:
            f(name, &C::KtsGroups);
            break;
        case TableId::KtsSignals:
            f(name, &C::KtsSignals);
            break;
        }
    }
}

} // namespace veg::ConfigSchema
