#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace veg {

// Where `Task_CL` takes the bytes of the files of one controller: the task queue, the module
// file and the template file of its ModuleCode, and the algorithm files. Absent (nullopt) means
// the file could not be opened after the attempts the file kind allows; the reader then goes on
// as the database's rules say for a missing file.
class DatabaseSource
{
public:
    virtual ~DatabaseSource() = default;

    virtual std::optional<QByteArray> queueFile() = 0;
    virtual std::optional<QByteArray> moduleFile(std::uint16_t moduleCode) = 0;
    // False when no template directory is configured: the template is then not even looked for.
    virtual bool hasTemplates() const = 0;
    virtual std::optional<QByteArray> templateFile(std::uint16_t moduleCode) = 0;
    virtual std::optional<QByteArray> algorithmFile(std::uint16_t algorithm) = 0;
};

// Four upper-case hexadecimal digits: the name of a module, template or algorithm file without
// its extension.
QString databaseFileStem(std::uint16_t number);

} // namespace veg
