#include "core/database/DatabaseRecords.h"

#include "core/text/Cp1251.h"

#include <algorithm>

namespace veg::DbRecords {

using namespace DbLayout;

std::uint16_t readU16(QByteArrayView bytes, int offset)
{
    return std::uint16_t(std::uint8_t(bytes[offset]) | (std::uint8_t(bytes[offset + 1]) << 8));
}

QString readText(QByteArrayView bytes, int offset, int capacity)
{
    const int length = std::min<int>(std::uint8_t(bytes[offset]), capacity);
    return Cp1251::decode(bytes.sliced(offset + 1, length));
}

std::uint8_t remapTypeCode(std::uint8_t typeByte)
{
    switch (typeByte) {
    case 1:
        return 0x81;
    case 2:
        return 0xC4;
    case 3:
        return 0x92;
    default:
        return typeByte;
    }
}

QueueHeader decodeQueueHeader(QByteArrayView bytes)
{
    QueueHeader h;
    h.NetNumber = readU16(bytes, QueueNetNumber);
    h.ModuleCode = readU16(bytes, QueueModuleCode);
    h.TaskCount = readU16(bytes, QueueTaskCount);
    return h;
}

TaskRecord decodeTask(QByteArrayView bytes)
{
    TaskRecord t;
    t.LongName = readText(bytes, TaskLongName, TaskLongNameCapacity);
    t.ShortName = readText(bytes, TaskShortName, TaskShortNameCapacity);
    t.Number = std::int16_t(readU16(bytes, TaskNumber));
    t.Algorithm = readU16(bytes, TaskAlgorithm);
    t.AttributeWord = readU16(bytes, TaskAttributeWord);
    t.Flags = std::uint8_t(bytes[TaskFlags]);
    t.ParamCount = readU16(bytes, TaskParamCount);
    return t;
}

ParamRecord decodeParam(QByteArrayView bytes)
{
    ParamRecord p;
    p.LongName = readText(bytes, ParamLongName, ParamLongNameCapacity);
    p.ShortName = readText(bytes, ParamShortName, ParamShortNameCapacity);
    p.Number = readU16(bytes, ParamNumber);
    p.Format = readU16(bytes, ParamFormat);
    p.AttributeWord = readU16(bytes, ParamAttributeWord);
    p.DescriptorNumber = readU16(bytes, ParamDescriptorNumber);
    return p;
}

AlgorithmHeader decodeAlgorithmHeader(QByteArrayView bytes)
{
    AlgorithmHeader a;
    a.LongName = readText(bytes, AlgorithmLongName, AlgorithmLongNameCapacity);
    a.ShortName = readText(bytes, AlgorithmShortName, AlgorithmShortNameCapacity);
    a.Algorithm = readU16(bytes, AlgorithmNumber);
    a.Count = readU16(bytes, AlgorithmDescriptorCount);
    return a;
}

ParamDescriptor decodeDescriptor(QByteArrayView bytes)
{
    ParamDescriptor d;
    d.Algorithm = readU16(bytes, DescriptorAlgorithm);
    d.Number = readU16(bytes, DescriptorNumber);
    d.LongName = readText(bytes, DescriptorLongName, DescriptorLongNameCapacity);
    d.Length = readU16(bytes, DescriptorLength);
    d.ShortName = readText(bytes, DescriptorShortName, DescriptorShortNameCapacity);
    d.Subtype = std::uint8_t(bytes[DescriptorSubtype]);
    d.TypeCode = remapTypeCode(std::uint8_t(bytes[DescriptorType]));
    d.Byte69 = std::uint8_t(bytes[DescriptorKind]);
    d.Byte70 = std::uint8_t(bytes[DescriptorService]);
    d.Byte71 = std::uint8_t(bytes[DescriptorArray]);
    return d;
}

} // namespace veg::DbRecords
