#pragma once

#include "core/database/DatabaseSource.h"

#include <QHash>

#include <memory>

namespace veg {

class FileTreeIndex;

// The database on disk: the queue file at its path, "XXXX.mod" in the module directory,
// "XXXX.tsk" in the template directory and "XXXX.ALG" anywhere in the algorithm tree.
//
// The queue, template and algorithm files get a second attempt when the first open fails, the
// module file one attempt. Module and template names are tried as written first; on a file
// system that tells letter case apart, a name differing only in case is accepted as well. An
// empty directory stands for "not configured" and finds nothing. The algorithm tree is searched
// through a shared index that is checked for changes once per source, not once per algorithm;
// an algorithm named twice by a module is read from disk once.
class FileDatabaseSource : public DatabaseSource
{
public:
    FileDatabaseSource(QString queuePath, QString algorithmDir, QString moduleDir,
                       QString templateDir);
    ~FileDatabaseSource() override;

    std::optional<QByteArray> queueFile() override;
    std::optional<QByteArray> moduleFile(std::uint16_t moduleCode) override;
    bool hasTemplates() const override { return !m_templateDir.isEmpty(); }
    std::optional<QByteArray> templateFile(std::uint16_t moduleCode) override;
    std::optional<QByteArray> algorithmFile(std::uint16_t algorithm) override;

private:
    QString m_queuePath;
    QString m_algorithmDir;
    QString m_moduleDir;
    QString m_templateDir;
    std::shared_ptr<const FileTreeIndex> m_algorithms;
    QHash<std::uint16_t, std::optional<QByteArray>> m_algorithmFiles;
};

// Reads a whole file, `attempts` times at most; nullopt when it cannot be opened.
std::optional<QByteArray> readDatabaseFile(const QString& path, int attempts);

} // namespace veg
