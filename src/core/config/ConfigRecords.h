#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

namespace veg {

class Task_CL;

// Texts of the rows are cut to these lengths (characters, never bytes).
inline constexpr int kNameLength = 80;
inline constexpr int kThreadNameLength = 16;

inline QString emptyParamName()
{
    return QStringLiteral("Нет параметра");
}

// The four numbers by which a row names one controller parameter.
struct ParamCore
{
    std::uint8_t Kind = 255;
    std::uint8_t NetNumber = 255;
    std::uint16_t ParamNumber = 0xFFFF;
    std::uint16_t TaskNumber = 0xFFFF;

    bool isEmpty() const { return *this == ParamCore{}; }
    friend bool operator==(const ParamCore&, const ParamCore&) = default;
};

struct ParamRef : ParamCore
{
    QString Name = emptyParamName();
    friend bool operator==(const ParamRef&, const ParamRef&) = default;
};

// "FF FFFF FF": Kind, ParamNumber and NetNumber as a text box shows a reference.
QString refText(const ParamCore& core);

struct GroupParamRef
{
    std::uint8_t NetNumber = 255;
    std::uint16_t ParamNumber = 0xFFFF;
    std::uint16_t TaskNumber = 0xFFFF;
    QString Name;

    bool isUsed() const { return ParamNumber != 0xFFFF; }
    friend bool operator==(const GroupParamRef&, const GroupParamRef&) = default;
};

// "FFFF FF": ParamNumber and NetNumber of a group-parameter slot.
QString refText(const GroupParamRef& ref);

// A telesignal/telecontrol row. `Extra` is the pulse time of a Magistral-1 telecontrol row, the
// discrete-input number of a Modbus telesignal row, the holding-register number of a telemetry.
struct TcTuEntry : ParamCore
{
    std::int32_t Extra = 0;
    QString Name = emptyParamName();
    friend bool operator==(const TcTuEntry&, const TcTuEntry&) = default;
};

// The rows of the two tables that hold telesignals as TcTuEntry rows: Магистраль-1's ordinary
// sub-blocks (whose ТУ rows live in the same table) and the Modbus discrete inputs. A telesignal
// comes from a controller parameter or from one bit of a group parameter (ParamNumber = slot × 256
// + bit). How a group-bit row is told from the others differs: a Modbus row's Kind is its source
// (1 = group); in Магистраль-1 Kind 1 is also a telecontrol row's value format, so only a row of
// Kind 1 that names no controller (NetNumber 255) is a group bit.
enum class SignalTable
{
    Magistral,
    Modbus
};

inline bool isGroupBitRow(const TcTuEntry& row, SignalTable table)
{
    return row.Kind == 1 && (table == SignalTable::Modbus || row.NetNumber == 255);
}

struct TiEntry : ParamCore
{
    QString Name = emptyParamName();
    friend bool operator==(const TiEntry&, const TiEntry&) = default;
};

struct ModbusCoilEntry
{
    ParamCore TU0;
    ParamCore TU1;
    std::uint8_t TimeTU1 = 1;
    std::uint8_t TimeTU0 = 1;
    QString NameTU0;
    QString NameTU1;
    std::uint8_t TypeTU = 0;
    ParamCore OC0;
    QString NameOC0;
    ParamCore OC1;
    QString NameOC1;
    ParamCore READY1;
    QString NameREADY1;
    ParamCore READY0;
    QString NameREADY0;
    std::uint16_t Coil = 0xFFFF; // 0xFFFF: the row is not in use

    friend bool operator==(const ModbusCoilEntry&, const ModbusCoilEntry&) = default;
};

using Password = std::array<std::uint8_t, 16>;

struct UnkThread
{
    QString Name = QString(kThreadNameLength, u' '); // always 16 characters, blank-padded
    Password Parole{};
    std::uint8_t TypeMeas = 255;
    std::uint8_t Selection = 255;
    std::uint8_t SetN = 255;
    std::uint8_t RazmHour = 255;

    friend bool operator==(const UnkThread&, const UnkThread&) = default;
};

// A thread name as it is held: cut to 16 characters and padded with blanks to 16.
QString threadName(const QString& text);

struct HartDevice
{
    std::uint8_t TypeHart = 255;
    std::uint8_t NomHart = 255;
    std::uint8_t KodHart = 255;
    std::uint8_t SetN = 255;
    std::uint8_t RazmHour = 255;

    friend bool operator==(const HartDevice&, const HartDevice&) = default;
};

struct KtsGroup
{
    std::uint8_t SetN = 255;
    std::uint16_t ParamNumber = 0xFFFF;
    float BegScale = 0.0f;
    float EndScale = 0.0f;
    std::uint8_t Number = 2;
    std::uint16_t TaskNumber = 0xFFFF;
    QString Name;

    friend bool operator==(const KtsGroup&, const KtsGroup&) = default;
};

struct KtsSignal
{
    static constexpr std::uint8_t kGroupSource = 0x01; // Flags: the source is a group parameter
    static constexpr std::uint8_t kChecked = 0x80;     // Flags: the row's check mark

    // 255 = empty row; otherwise kGroupSource and kChecked.
    std::uint8_t Flags = 255;
    std::uint8_t SetN = 255;
    std::uint16_t ParamNumber = 0xFFFF;
    std::uint16_t TaskNumber = 0xFFFF;
    QString Name;

    bool inUse() const { return Flags != 255; }
    bool isGroup() const { return inUse() && (Flags & kGroupSource) != 0; }
    friend bool operator==(const KtsSignal&, const KtsSignal&) = default;
};

struct CommonSettings
{
    std::uint8_t AdrCAN = 0;
    std::uint8_t AdrExt = 0;
    std::uint8_t AdrOKP = 0;
    std::array<std::uint8_t, 5> AdrLong{0, 2, 0, 0, 0};
    // Indices into the lists 300, 150, 100, 50, 20 kbit/s and 300, 600, 1200, 2400, 4800, 9600,
    // 19200 baud. A file may give a position beyond them (see the file's speed tables); it is
    // kept as it is until the user picks a speed.
    std::uint8_t V_CAN = 0;
    std::uint8_t V_Ext = 5;
    std::uint8_t RBit = 1;  // 0 = 11 bits, 1 = 10 bits
    std::uint8_t RCon = 2;  // 0 even, 1 odd, 2 none
    std::uint8_t TBit = 1;
    std::uint8_t TCon = 2;
    std::uint8_t tbegin = 22;
    std::uint16_t trepeat = 0;
    std::uint8_t TimeR_T = 0;
    std::uint16_t Const1 = 0xA001;
    std::uint16_t Const2 = 0;
    bool Invers = false;
    bool SWAP = false;
    bool Modem = false;
    std::uint8_t TimeRes = 30;
    std::uint8_t RTSoff = 30;
    std::uint8_t RTSon = 0;
    bool Synch = false;

    friend bool operator==(const CommonSettings&, const CommonSettings&) = default;
};

inline constexpr int kCanSpeedCount = 5;  // entries of V_CAN
inline constexpr int kLineSpeedCount = 7; // entries of V_Ext
// The speeds the indices stand for, as the settings window lists them.
inline constexpr std::array<int, kCanSpeedCount> kCanSpeedsKbit = {300, 150, 100, 50, 20};
inline constexpr std::array<int, kLineSpeedCount> kLineSpeedsBaud = {300,  600,  1200, 2400,
                                                                     4800, 9600, 19200};

// One controller of the configuration. `Database` is the controller's database object, made
// from `QueuePath` and the library directories; it is absent while the controller is known only
// by its network number (a read-back) or when no database reader is attached.
struct ControllerEntry
{
    std::shared_ptr<const Task_CL> Database;
    QString QueuePath;
    std::uint8_t NetNumber = 0;
    bool Present = false;

    friend bool operator==(const ControllerEntry& a, const ControllerEntry& b)
    {
        return a.QueuePath == b.QueuePath && a.NetNumber == b.NetNumber && a.Present == b.Present;
    }
};

// One flag per file section; an editor sets its flag on every change it stores, the writer of the
// section clears it.
struct ChangedFlags
{
    bool CommonChanged = false;
    bool ControllersChanged = false;
    bool GroupChanged = false;
    bool OkpTypesChanged = false;
    bool TcChanged = false;
    bool TuChanged = false;
    bool IkpChanged = false;
    bool ModbusCoilChanged = false;
    bool ModbusTcChanged = false;
    bool TiFloatChanged = false;
    bool UnkChanged = false;
    bool HartChanged = false;
    bool KtsGroupChanged = false;
    bool KtsSignalChanged = false;

    bool any() const
    {
        return CommonChanged || ControllersChanged || GroupChanged || OkpTypesChanged ||
               TcChanged || TuChanged || IkpChanged || ModbusCoilChanged || ModbusTcChanged ||
               TiFloatChanged || UnkChanged || HartChanged || KtsGroupChanged || KtsSignalChanged;
    }
    friend bool operator==(const ChangedFlags&, const ChangedFlags&) = default;
};

} // namespace veg
