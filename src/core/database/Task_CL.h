#pragma once

#include "core/database/DatabaseRecords.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <vector>

namespace veg {

class DatabaseSource;

// One entry of a controller's parameter list offered to an editor: a descriptor of the task's
// algorithm and the task's parameter that uses it.
struct ParamCandidate
{
    std::int32_t Descriptor = -1;
    std::int32_t Param = -1; // index into Params, -1 = none
    std::uint8_t TypeCode = 0;
    std::uint16_t Length = 0; // the descriptor's length for an array, else 0
    std::uint16_t AttributeWord = 0;
};

struct EntryTexts
{
    std::uint16_t Number = 0;
    std::uint16_t Format = 0;
    QString LongName;
    QString ShortName;
    QString ArrayMark; // "*" for an array
};

struct ParameterAt
{
    std::uint16_t Number = 0;
    std::uint16_t Format = 0;
    std::uint8_t Result = 255; // bit 0 of the descriptor's array byte; 255 = no such parameter
};

struct ParameterMatch
{
    bool Found = false;
    std::uint8_t Format = 0;
    std::int32_t Index = -1;
    std::uint8_t Subtype = 0;
    std::uint8_t TypeCode = 0;
    std::uint16_t AttributeWord = 0;
};

// The parameter number of a text-valued parameter whose text found no room in the pool (the
// pool holds at most 65535 texts).
inline constexpr std::uint16_t NoText = 0xFFFF;

// Class filters of `FindParameter`.
inline constexpr int AnyClass = -1;
inline constexpr int AnyClassAboveZero = -2;

// What the controller database says about one КАЛИМ-19 controller: the tasks of its queue file
// and of its template, their parameters and the descriptors of their algorithms. Built once,
// read-only afterwards; it never shows a message and never fails: whatever could not be read is
// simply absent.
//
// Files shorter than their counts announce: every file is read record by record, and the first
// record that is not complete ends the reading of that file. What was complete before it is
// kept: the tasks read so far with their complete parameters, the descriptors read so far. A
// text-valued parameter whose continuation records are cut off is dropped. A queue file too
// short for its header holds no tasks of its own, but the header words that fit are taken (the
// network number and ModuleCode need 64 and 66 bytes; a word cut off stays 0), and when the
// ModuleCode is among them its modules and template are read as for a whole file. A template
// file too short for its header holds no tasks. An algorithm file too short for its header adds
// no header and no descriptors but counts as read, so as the last algorithm of its module it
// lets the template be read. A module file too short for its header counts as absent. A module
// that names algorithms so often that they would bring more than 1,048,576 descriptors loads no
// algorithm beyond that.
class Task_CL
{
public:
    // An empty queue path gives a controller without tasks; otherwise the queue is loaded from
    // the queue file and the three library directories.
    Task_CL(const QString& queuePath, const QString& algorithmDir, const QString& moduleDir,
            const QString& templateDir);
    // The same load from any source of the files; the queue path is only kept.
    Task_CL(const QString& queuePath, DatabaseSource& source);

    const QString& queuePath() const { return m_queuePath; }
    std::uint16_t netNumber() const { return m_netNumber; }
    std::uint16_t moduleCode() const { return m_moduleCode; }
    bool modulesRead() const { return m_modulesRead; }

    int taskCount() const { return int(m_tasks.size()); }
    const std::vector<TaskRecord>& tasks() const { return m_tasks; }
    const std::vector<ParamRecord>& params() const { return m_params; }
    const std::vector<AlgorithmHeader>& algorithmHeaders() const { return m_algorithmHeaders; }
    const std::vector<ParamDescriptor>& descriptors() const { return m_descriptors; }
    const std::vector<std::uint16_t>& algorithms32() const { return m_algorithms32; }
    const std::vector<QString>& textPool() const { return m_textPool; }

    // The task's number; 0 for an index outside the tasks.
    std::int16_t GetTaskNumber(int taskIndex) const;

    // Whether the visibility level (bits 12-13) of an AttributeWord admits a user category.
    static bool IsVisible(std::uint16_t attributeWord, std::uint8_t category);

    // Appends to `list` one candidate per non-service descriptor of the algorithm that a
    // parameter of the task uses and whose visibility admits the category; returns how many.
    int ListTaskParameters(std::uint16_t algorithm, int taskIndex, std::uint8_t category,
                           std::vector<ParamCandidate>& list) const;
    EntryTexts GetEntryTexts(const ParamCandidate& candidate) const;
    ParameterAt GetParameterAt(int paramIndex, bool formatFromDescriptor) const;
    ParameterMatch FindParameter(std::uint16_t number, int classFilter) const;
    // Searches from `start` (from 0 when `resume` is false); on success `start` is the match.
    bool FindParameterIndex(std::uint16_t number, int& start, bool resume) const;
    int FindTaskOfParameter(std::uint16_t number) const;
    QString GetParameterName(std::uint16_t number, int taskNumber, bool preferLong) const;
    bool IsAlgorithm32(std::uint16_t algorithm) const;

private:
    void LoadQueue(DatabaseSource& source);
    bool ReadModules(DatabaseSource& source);
    bool LoadAlgorithm(DatabaseSource& source, std::uint16_t algorithm);
    void ReadTemplate(DatabaseSource& source);
    // Reads the tasks after a queue or template header; stops at the first incomplete record.
    void readTasks(QByteArrayView file, bool fromTemplate);
    int findDescriptor(std::uint16_t algorithm, std::uint16_t number) const;
    std::uint16_t InternText(const QString& text);
    const ParamDescriptor* descriptorOf(const ParamRecord& p) const;

    QString m_queuePath;
    std::uint16_t m_netNumber = 0;
    std::uint16_t m_moduleCode = 0;
    std::vector<TaskRecord> m_tasks;
    std::vector<ParamRecord> m_params;
    std::vector<AlgorithmHeader> m_algorithmHeaders;
    std::vector<ParamDescriptor> m_descriptors;
    std::vector<std::uint16_t> m_algorithms32;
    std::vector<QString> m_textPool;
    bool m_modulesRead = false;
    QHash<std::uint32_t, int> m_firstDescriptor; // (algorithm << 16 | number) -> first index
    int m_emptySlots = 0;                        // empty texts in the pool
};

} // namespace veg
