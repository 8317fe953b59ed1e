#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace veg {

// The records of the КАЛИМ-19 controller database as the maker's programming tool writes them:
// little-endian, fixed sizes, texts as a length byte followed by a fixed capacity of
// Windows-1251 characters. Only the fields this system uses are decoded; the offsets are shared
// with the database builder in tools/, which writes the same layouts.
namespace DbLayout {

inline constexpr int QueueHeaderSize = 128;
inline constexpr int QueueNetNumber = 62;
inline constexpr int QueueModuleCode = 64;
inline constexpr int QueueTaskCount = 124;

inline constexpr int TaskRecordSize = 80;
inline constexpr int TaskLongName = 0;
inline constexpr int TaskLongNameCapacity = 50;
inline constexpr int TaskShortName = 51;
inline constexpr int TaskShortNameCapacity = 8;
inline constexpr int TaskNumber = 60;
inline constexpr int TaskAlgorithm = 62;
inline constexpr int TaskAttributeWord = 64;
inline constexpr int TaskFlags = 66;
inline constexpr int TaskParamCount = 78;

inline constexpr int ParamRecordSize = 84;
inline constexpr int ParamLongName = 2;
inline constexpr int ParamLongNameCapacity = 50;
inline constexpr int ParamShortName = 53;
inline constexpr int ParamShortNameCapacity = 8;
inline constexpr int ParamNumber = 62;
inline constexpr int ParamFormat = 64;
inline constexpr int ParamAttributeWord = 66;
inline constexpr int ParamDescriptorNumber = 68;

inline constexpr int ModuleHeaderSize = 104;
inline constexpr int ModuleEntryCount = 100;
inline constexpr int ModuleEntrySize = 6;
inline constexpr int ModuleEntryAlgorithm = 2;

inline constexpr int AlgorithmHeaderSize = 70;
inline constexpr int AlgorithmLongName = 0;
inline constexpr int AlgorithmLongNameCapacity = 48;
inline constexpr int AlgorithmShortName = 49;
inline constexpr int AlgorithmShortNameCapacity = 8;
inline constexpr int AlgorithmNumber = 58;
inline constexpr int AlgorithmDescriptorCount = 64;

inline constexpr int DescriptorSize = 72;
inline constexpr int DescriptorAlgorithm = 0;
inline constexpr int DescriptorNumber = 2;
inline constexpr int DescriptorLongName = 4;
inline constexpr int DescriptorLongNameCapacity = 51;
inline constexpr int DescriptorLength = 56;
inline constexpr int DescriptorShortName = 58;
inline constexpr int DescriptorShortNameCapacity = 8;
inline constexpr int DescriptorSubtype = 67;
inline constexpr int DescriptorType = 68;
inline constexpr int DescriptorKind = 69;    // low nibble 0 = plain parameter, high nibble class
inline constexpr int DescriptorService = 70; // bit 0
inline constexpr int DescriptorArray = 71;   // bit 0 array, bits 1-3 FormatCode

// Characters a text-valued parameter carries in the number and format words of each record.
inline constexpr int TextCharsPerRecord = 4;

} // namespace DbLayout

// Task flags: bit 0 = task in use.
inline constexpr std::uint8_t TaskInUse = 0x01;

struct QueueHeader
{
    std::uint16_t NetNumber = 0;
    std::uint16_t ModuleCode = 0;
    std::uint16_t TaskCount = 0;
};

struct TaskRecord
{
    QString LongName;
    QString ShortName;
    std::int16_t Number = 0;
    std::uint16_t Algorithm = 0;
    std::uint16_t AttributeWord = 0;
    std::uint8_t Flags = 0;
    std::uint16_t ParamCount = 0; // ParamRecords that follow in the file, continuations not counted
};

struct ParamRecord
{
    QString LongName;
    QString ShortName;
    std::uint16_t Number = 0; // of a text-valued parameter: its index in the text pool
    std::uint16_t Format = 0;
    std::uint16_t AttributeWord = 0;
    std::uint16_t DescriptorNumber = 0;
    std::int16_t Task = 0;        // number of the owning task
    std::int32_t Descriptor = -1; // index into the descriptors of the controller
};

struct AlgorithmHeader
{
    QString LongName;
    QString ShortName;
    std::uint16_t Algorithm = 0;
    std::uint16_t Count = 0; // ParamDescriptors that follow
};

struct ParamDescriptor
{
    std::uint16_t Algorithm = 0;
    std::uint16_t Number = 0;
    QString LongName;
    std::uint16_t Length = 0;
    QString ShortName;
    std::uint8_t Subtype = 0;
    std::uint8_t TypeCode = 0; // the type byte after remapping
    std::uint8_t Byte69 = 0;
    std::uint8_t Byte70 = 0;
    std::uint8_t Byte71 = 0;

    bool isService() const { return Byte70 & 0x01; }
    bool isArray() const { return Byte71 & 0x01; }
    bool isTextValued() const { return isService() && isArray(); }
    int descriptorClass() const { return Byte69 >> 4; }
    std::uint8_t formatCode() const { return (Byte71 >> 1) & 0x07; }
};

// Decoders of one record each. The caller hands exactly the record's bytes (the view must hold at
// least the record's size); they never read outside it.
namespace DbRecords {

std::uint16_t readU16(QByteArrayView bytes, int offset);
// A text field: the length byte, then at most `capacity` characters; a length byte above the
// capacity is cut to the capacity.
QString readText(QByteArrayView bytes, int offset, int capacity);

// The database's type byte 1, 2, 3 is held as 0x81, 0xC4, 0x92; every other value unchanged.
std::uint8_t remapTypeCode(std::uint8_t typeByte);

QueueHeader decodeQueueHeader(QByteArrayView bytes);
TaskRecord decodeTask(QByteArrayView bytes);
ParamRecord decodeParam(QByteArrayView bytes);
AlgorithmHeader decodeAlgorithmHeader(QByteArrayView bytes);
ParamDescriptor decodeDescriptor(QByteArrayView bytes);

} // namespace DbRecords
} // namespace veg
