#pragma once

// What the JSON form of a configuration writes and reads alike: the names of the changed flags,
// and which tables are arrays of bytes rather than of rows.

#include "core/config/GatewayConfig.h"

#include <array>
#include <cstdint>

namespace veg::ConfigJson {

struct FlagName
{
    const char* name;
    bool ChangedFlags::*flag;
};

inline constexpr FlagName kChangedFlags[] = {
    {"CommonChanged", &ChangedFlags::CommonChanged},
    {"ControllersChanged", &ChangedFlags::ControllersChanged},
    {"GroupChanged", &ChangedFlags::GroupChanged},
    {"OkpTypesChanged", &ChangedFlags::OkpTypesChanged},
    {"TcChanged", &ChangedFlags::TcChanged},
    {"TuChanged", &ChangedFlags::TuChanged},
    {"IkpChanged", &ChangedFlags::IkpChanged},
    {"ModbusCoilChanged", &ChangedFlags::ModbusCoilChanged},
    {"ModbusTcChanged", &ChangedFlags::ModbusTcChanged},
    {"TiFloatChanged", &ChangedFlags::TiFloatChanged},
    {"UnkChanged", &ChangedFlags::UnkChanged},
    {"HartChanged", &ChangedFlags::HartChanged},
    {"KtsGroupChanged", &ChangedFlags::KtsGroupChanged},
    {"KtsSignalChanged", &ChangedFlags::KtsSignalChanged},
};

template <typename T> inline constexpr bool isBytes = false;
template <std::size_t N> inline constexpr bool isBytes<std::array<std::uint8_t, N>> = true;

} // namespace veg::ConfigJson
