#pragma once

#include "core/settings/DatabaseDirectories.h"
#include "core/config/GatewayConfig.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace veg {

class IniDocument;
class ProgressSink;

// Makes the database object of one controller from its task-queue path; called for every
// controller of a loaded file (an object made from a missing or empty path holds no tasks).
using ControllerDatabaseFactory = std::function<std::shared_ptr<const Task_CL>(
    const QString& queuePath, const DatabaseDirectories& directories)>;

struct LoadOptions
{
    DatabaseDirectories directories;
    ControllerDatabaseFactory makeDatabase; // may be empty: controllers then have no object
};

struct LoadResult
{
    enum class Status { Loaded, NotFound, WrongType, Failed };
    Status status = Status::Failed;
    QString message;     // why the file was refused
    QStringList notices; // information for the user about a file that was loaded
    bool databaseMissing = false;

    bool loaded() const { return status == Status::Loaded; }
};

// One controller of the list as a load makes it: `Present` when the path names an existing file,
// the database object (when `options` has a reader) from the path and the library folders.
ControllerEntry makeController(const QString& queuePath, std::uint8_t netNumber,
                               const LoadOptions& options);

// Reads a ".veg" file into `config`. A refused file (missing, of the wrong type, or with a value
// that does not read) leaves `config` exactly as it was. Fields of the general settings that the
// file's protocol does not store keep their values.
LoadResult LoadConfiguration(GatewayConfig& config, const QString& path, const LoadOptions& options,
                             ProgressSink* progress = nullptr);
LoadResult LoadConfiguration(GatewayConfig& config, const IniDocument& file, const QString& path,
                             const LoadOptions& options, ProgressSink* progress = nullptr);

struct SaveOptions
{
    // Floating-point values are written with this separator (the system's, as the gateway's
    // other tools expect); the reader takes either.
    QChar decimalSeparator = u'.';
};

struct SaveResult
{
    bool ok = false;
    QString message;
};

// Writes `config` into `path`: every section of the protocol when `whole`, otherwise the sections
// whose changed flag is set. The file is replaced atomically and keeps what it holds beyond the
// sections written. On success the flags of the written sections are cleared and the
// configuration is bound to the file; on failure neither the file nor `config` changes.
SaveResult SaveConfiguration(GatewayConfig& config, const QString& path, bool whole,
                             const SaveOptions& options = {}, ProgressSink* progress = nullptr);
// The sections of a save written into a document in memory; `written` holds the flags of the
// sections written, `isReadBack` the configuration's read-back state once the file is stored.
struct WriteOutcome
{
    ChangedFlags written;
    bool isReadBack = false;
};
WriteOutcome WriteConfiguration(const GatewayConfig& config, IniDocument& file, bool whole,
                                const SaveOptions& options = {}, ProgressSink* progress = nullptr);

// The texts by which the file stores the two speeds (they are not the speeds the indices stand for).
QStringList fileCanSpeedTable();
QStringList fileLineSpeedTable();

} // namespace veg
