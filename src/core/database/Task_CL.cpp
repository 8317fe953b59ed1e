#include "core/database/Task_CL.h"

#include "core/database/DatabaseSource.h"
#include "core/database/FileDatabaseSource.h"
#include "core/text/Cp1251.h"

#include <algorithm>

namespace veg {

using namespace DbLayout;

namespace {

// Sequential reading of fixed-size records; a record that does not fit in what is left is not
// taken, and nothing is ever read past the end.
class RecordCursor
{
public:
    explicit RecordCursor(QByteArrayView bytes) : m_bytes(bytes) {}

    bool take(qsizetype size, QByteArrayView& record)
    {
        if (m_bytes.size() - m_pos < size)
            return false;
        record = m_bytes.sliced(m_pos, size);
        m_pos += size;
        return true;
    }
    qsizetype remaining() const { return m_bytes.size() - m_pos; }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

std::uint16_t fillEmptyAttributeFields(std::uint16_t word)
{
    for (int shift = 0; shift < 16; shift += 4) {
        if (((word >> shift) & 0x3) == 0)
            word |= std::uint16_t(0x3 << shift);
    }
    return word;
}

// Number of records a text-valued parameter of `length` characters occupies, the first one
// included. Four characters ride in each record; a remainder beyond the last multiple of four
// takes one more record, as a text shorter than four takes its first one.
int textRecordCount(std::uint16_t length)
{
    return std::max(1, (length + TextCharsPerRecord - 1) / TextCharsPerRecord);
}

// Template tasks are numbered -1, -2, ... and task numbers are 16-bit: further ones would
// collide with the queue's own numbers.
constexpr int TemplateTaskLimit = 32768;

// A module may name one algorithm many times and every naming loads it again; a damaged module
// naming a large algorithm thousands of times would fill the memory. Real controllers hold a few
// thousand descriptors; beyond this limit no more algorithms are loaded.
constexpr std::size_t DescriptorLimit = std::size_t(1) << 20;

// Starting capacities of the lists; the lists grow beyond them as needed.
constexpr std::size_t TaskCapacity = 256;
constexpr std::size_t ParamCapacity = 1024;
constexpr std::size_t DescriptorCapacity = 1024;
constexpr std::size_t HeaderCapacity = 1024;
constexpr std::size_t PoolCapacity = 64;

} // namespace

Task_CL::Task_CL(const QString& queuePath, const QString& algorithmDir, const QString& moduleDir,
                 const QString& templateDir)
    : m_queuePath(queuePath)
{
    if (queuePath.isEmpty())
        return;
    FileDatabaseSource source(queuePath, algorithmDir, moduleDir, templateDir);
    LoadQueue(source);
}

Task_CL::Task_CL(const QString& queuePath, DatabaseSource& source) : m_queuePath(queuePath)
{
    if (queuePath.isEmpty())
        return;
    LoadQueue(source);
}

void Task_CL::LoadQueue(DatabaseSource& source)
{
    const std::optional<QByteArray> queue = source.queueFile();
    if (!queue)
        return;
    // A file cut inside its header still names its controller and module when those words made
    // it; the modules and template are then read as for a whole file. A file cut before its
    // ModuleCode names no module: the module of code 0 is not taken for it.
    const QByteArrayView bytes(*queue);
    const auto fits = [&](int offset) { return bytes.size() >= offset + 2; };
    if (fits(QueueNetNumber))
        m_netNumber = DbRecords::readU16(bytes, QueueNetNumber);
    if (!fits(QueueModuleCode))
        return;
    m_moduleCode = DbRecords::readU16(bytes, QueueModuleCode);

    m_tasks.reserve(TaskCapacity);
    m_params.reserve(ParamCapacity);
    m_textPool.reserve(PoolCapacity);

    m_modulesRead = ReadModules(source);
    if (m_modulesRead && source.hasTemplates())
        ReadTemplate(source);
    readTasks(*queue, false);

    std::erase_if(m_params, [](const ParamRecord& p) { return p.Descriptor < 0; });
}

bool Task_CL::ReadModules(DatabaseSource& source)
{
    bool result = false;
    const std::optional<QByteArray> module = source.moduleFile(m_moduleCode);
    if (module && module->size() >= ModuleHeaderSize) {
        m_algorithmHeaders.reserve(HeaderCapacity);
        m_descriptors.reserve(DescriptorCapacity);
        const QByteArrayView bytes(*module);
        const int announced = DbRecords::readU16(bytes, ModuleEntryCount);
        const qsizetype available = (bytes.size() - ModuleHeaderSize) / ModuleEntrySize;
        const int count = int(std::min<qsizetype>(announced, available));
        for (int i = 0; i < count; ++i) {
            const qsizetype entry = ModuleHeaderSize + qsizetype(i) * ModuleEntrySize;
            result =
                LoadAlgorithm(source, DbRecords::readU16(bytes, int(entry + ModuleEntryAlgorithm)));
        }
    }

    // An algorithm of exactly 32 plain one-word parameters serves group parameters.
    for (std::size_t begin = 0; begin < m_descriptors.size();) {
        const std::uint16_t algorithm = m_descriptors[begin].Algorithm;
        std::size_t end = begin;
        int plain = 0;
        for (; end < m_descriptors.size() && m_descriptors[end].Algorithm == algorithm; ++end) {
            const ParamDescriptor& d = m_descriptors[end];
            if (d.TypeCode == 0 && d.Byte69 == 0 && !d.isArray())
                ++plain;
        }
        if (plain == 32)
            m_algorithms32.push_back(algorithm);
        begin = end;
    }

    for (int i = int(m_descriptors.size()) - 1; i >= 0; --i) {
        const ParamDescriptor& d = m_descriptors[i];
        m_firstDescriptor.insert(std::uint32_t(d.Algorithm) << 16 | d.Number, i);
    }
    return result;
}

bool Task_CL::LoadAlgorithm(DatabaseSource& source, std::uint16_t algorithm)
{
    if (m_descriptors.size() >= DescriptorLimit)
        return false;
    const std::optional<QByteArray> file = source.algorithmFile(algorithm);
    if (!file)
        return false;
    // The file opened, so the result is true whatever it holds: a file too short for its header
    // adds neither header nor descriptors, yet as the module's last algorithm it still lets the
    // template be read.
    RecordCursor cursor(*file);
    QByteArrayView record;
    if (!cursor.take(AlgorithmHeaderSize, record))
        return true;
    const AlgorithmHeader header = DbRecords::decodeAlgorithmHeader(record);
    m_algorithmHeaders.push_back(header);
    for (int i = 0; i < header.Count && m_descriptors.size() < DescriptorLimit &&
                    cursor.take(DescriptorSize, record);
         ++i)
        m_descriptors.push_back(DbRecords::decodeDescriptor(record));
    return true;
}

void Task_CL::ReadTemplate(DatabaseSource& source)
{
    const std::optional<QByteArray> file = source.templateFile(m_moduleCode);
    if (!file || file->size() < QueueHeaderSize)
        return;
    readTasks(*file, true);
}

void Task_CL::readTasks(QByteArrayView file, bool fromTemplate)
{
    RecordCursor cursor(file);
    QByteArrayView record;
    if (!cursor.take(QueueHeaderSize, record))
        return;
    int taskCount = DbRecords::decodeQueueHeader(record).TaskCount;
    if (fromTemplate)
        taskCount = std::min(taskCount, TemplateTaskLimit);

    for (int i = 0; i < taskCount; ++i) {
        if (!cursor.take(TaskRecordSize, record))
            return;
        TaskRecord task = DbRecords::decodeTask(record);
        const bool held = fromTemplate || (task.Flags & TaskInUse);
        if (fromTemplate) {
            task.Flags &= std::uint8_t(~TaskInUse);
            task.Number = std::int16_t(-(i + 1));
        } else if (held) {
            task.AttributeWord = fillEmptyAttributeFields(task.AttributeWord);
            if (task.ShortName.isEmpty()) {
                const auto header = std::find_if(
                    m_algorithmHeaders.begin(), m_algorithmHeaders.end(),
                    [&](const AlgorithmHeader& h) { return h.Algorithm == task.Algorithm; });
                if (header != m_algorithmHeaders.end())
                    task.ShortName = header->ShortName.left(TaskShortNameCapacity);
            }
        }
        if (held)
            m_tasks.push_back(task);

        for (int j = 0; j < task.ParamCount; ++j) {
            if (!cursor.take(ParamRecordSize, record))
                return;
            ParamRecord param = DbRecords::decodeParam(record);
            param.Task = task.Number;
            param.Descriptor = findDescriptor(task.Algorithm, param.DescriptorNumber);
            if (param.Descriptor >= 0 && m_descriptors[param.Descriptor].isTextValued()) {
                const std::uint16_t length = m_descriptors[param.Descriptor].Length;
                QByteArray chars = record.sliced(ParamNumber, TextCharsPerRecord).toByteArray();
                for (int k = 1; k < textRecordCount(length); ++k) {
                    if (!cursor.take(ParamRecordSize, record))
                        return;
                    chars.append(record.sliced(ParamNumber, TextCharsPerRecord));
                }
                if (held) {
                    param.Format = DbRecords::readU16(record, ParamFormat);
                    chars.truncate(length);
                    const qsizetype end = chars.indexOf('\0');
                    if (end >= 0)
                        chars.truncate(end);
                    param.Number = InternText(Cp1251::decode(chars));
                }
            }
            if (!held)
                continue;
            if (!fromTemplate && param.AttributeWord == 0)
                param.AttributeWord = 0x3333;
            m_params.push_back(std::move(param));
        }
    }
}

int Task_CL::findDescriptor(std::uint16_t algorithm, std::uint16_t number) const
{
    return m_firstDescriptor.value(std::uint32_t(algorithm) << 16 | number, -1);
}

std::uint16_t Task_CL::InternText(const QString& text)
{
    if (m_emptySlots == 0) {
        if (m_textPool.size() >= NoText)
            return NoText;
        m_textPool.push_back(text);
        if (text.isEmpty())
            ++m_emptySlots;
        return std::uint16_t(m_textPool.size() - 1);
    }
    const auto empty = std::find_if(m_textPool.begin(), m_textPool.end(),
                                    [](const QString& t) { return t.isEmpty(); });
    if (!text.isEmpty()) {
        *empty = text;
        --m_emptySlots;
    }
    return std::uint16_t(empty - m_textPool.begin());
}

const ParamDescriptor* Task_CL::descriptorOf(const ParamRecord& p) const
{
    if (p.Descriptor < 0 || std::size_t(p.Descriptor) >= m_descriptors.size())
        return nullptr;
    return &m_descriptors[p.Descriptor];
}

std::int16_t Task_CL::GetTaskNumber(int taskIndex) const
{
    if (taskIndex < 0 || std::size_t(taskIndex) >= m_tasks.size())
        return 0;
    return m_tasks[taskIndex].Number;
}

bool Task_CL::IsVisible(std::uint16_t attributeWord, std::uint8_t category)
{
    switch ((attributeWord >> 12) & 0x3) {
    case 1:
        return category == 8 || category == 4 || category == 2 || category == 1;
    case 2:
        return category == 8 || category == 4 || category == 2;
    case 3:
        return category == 8 || category == 4;
    default:
        return false;
    }
}

int Task_CL::ListTaskParameters(std::uint16_t algorithm, int taskIndex, std::uint8_t category,
                                std::vector<ParamCandidate>& list) const
{
    if (taskIndex < 0 || std::size_t(taskIndex) >= m_tasks.size())
        return 0;
    const std::size_t first = list.size();
    QHash<std::int32_t, std::size_t> byDescriptor;
    for (std::size_t i = 0; i < m_descriptors.size(); ++i) {
        const ParamDescriptor& d = m_descriptors[i];
        if (d.Algorithm != algorithm || d.isService())
            continue;
        byDescriptor.insert(std::int32_t(i), list.size());
        list.push_back(
            {std::int32_t(i), -1, d.TypeCode, std::uint16_t(d.isArray() ? d.Length : 0), 0});
    }
    const std::int16_t taskNumber = m_tasks[taskIndex].Number;
    for (std::size_t i = 0; i < m_params.size(); ++i) {
        const ParamRecord& p = m_params[i];
        if (p.Task != taskNumber)
            continue;
        const auto it = byDescriptor.constFind(p.Descriptor);
        if (it == byDescriptor.cend())
            continue;
        list[*it].Param = std::int32_t(i);
        list[*it].AttributeWord = p.AttributeWord;
    }
    const auto kept =
        std::remove_if(list.begin() + first, list.end(), [&](const ParamCandidate& c) {
            return c.Param < 0 || !IsVisible(c.AttributeWord, category);
        });
    list.erase(kept, list.end());
    return int(list.size() - first);
}

EntryTexts Task_CL::GetEntryTexts(const ParamCandidate& candidate) const
{
    EntryTexts texts;
    if (candidate.Descriptor < 0 || std::size_t(candidate.Descriptor) >= m_descriptors.size())
        return texts;
    const ParamDescriptor& d = m_descriptors[candidate.Descriptor];
    if (candidate.Param >= 0 && std::size_t(candidate.Param) < m_params.size()) {
        const ParamRecord& p = m_params[candidate.Param];
        texts.LongName = p.LongName;
        texts.ShortName = p.ShortName;
        texts.Number = p.Number;
        texts.Format = p.Format;
    } else {
        texts.LongName = d.LongName;
        texts.ShortName = d.ShortName;
        texts.Format = d.formatCode();
    }
    if (texts.ShortName.isEmpty())
        texts.ShortName = texts.LongName;
    if (d.isArray())
        texts.ArrayMark = QStringLiteral("*");
    return texts;
}

ParameterAt Task_CL::GetParameterAt(int paramIndex, bool formatFromDescriptor) const
{
    ParameterAt at;
    if (paramIndex < 0 || std::size_t(paramIndex) >= m_params.size())
        return at;
    const ParamRecord& p = m_params[paramIndex];
    const ParamDescriptor* d = descriptorOf(p);
    at.Number = p.Number;
    at.Format = formatFromDescriptor ? (d ? d->formatCode() : 0) : p.Format;
    at.Result = d && d->isArray() ? 1 : 0;
    return at;
}

ParameterMatch Task_CL::FindParameter(std::uint16_t number, int classFilter) const
{
    ParameterMatch match;
    for (std::size_t i = 0; i < m_params.size(); ++i) {
        const ParamRecord& p = m_params[i];
        const ParamDescriptor* d = descriptorOf(p);
        if (p.Number != number || !d || d->isService())
            continue;
        const int cls = d->descriptorClass();
        const bool passes = classFilter == AnyClass ||
                            (classFilter == AnyClassAboveZero && cls > 0) || classFilter == cls;
        if (!passes)
            continue;
        match.Found = true;
        match.Format = std::uint8_t(p.Format & 0xFF);
        match.Index = std::int32_t(i);
        match.Subtype = d->Subtype;
        match.TypeCode = d->TypeCode;
        match.AttributeWord = p.AttributeWord;
        return match;
    }
    return match;
}

bool Task_CL::FindParameterIndex(std::uint16_t number, int& start, bool resume) const
{
    const int from = resume ? std::max(start, 0) : 0;
    for (std::size_t i = std::size_t(from); i < m_params.size(); ++i) {
        const ParamRecord& p = m_params[i];
        const ParamDescriptor* d = descriptorOf(p);
        if (p.Number == number && d && !d->isService()) {
            start = int(i);
            return true;
        }
    }
    return false;
}

int Task_CL::FindTaskOfParameter(std::uint16_t number) const
{
    int index = 0;
    if (!FindParameterIndex(number, index, false))
        return -1;
    const std::int16_t task = m_params[index].Task;
    const auto it = std::find_if(m_tasks.begin(), m_tasks.end(),
                                 [&](const TaskRecord& t) { return t.Number == task; });
    return it == m_tasks.end() ? 0 : int(it - m_tasks.begin());
}

QString Task_CL::GetParameterName(std::uint16_t number, int taskNumber, bool preferLong) const
{
    for (const ParamRecord& p : m_params) {
        const ParamDescriptor* d = descriptorOf(p);
        if (p.Number != number || !d || d->isService())
            continue;
        if (taskNumber != -1 && p.Task != taskNumber)
            continue;
        return preferLong || p.ShortName.isEmpty() ? p.LongName : p.ShortName;
    }
    return {};
}

bool Task_CL::IsAlgorithm32(std::uint16_t algorithm) const
{
    return std::find(m_algorithms32.begin(), m_algorithms32.end(), algorithm) !=
           m_algorithms32.end();
}

} // namespace veg
