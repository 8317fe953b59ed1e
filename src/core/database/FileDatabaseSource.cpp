#include "core/database/FileDatabaseSource.h"

#include "core/database/FileTreeIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace veg {

QString databaseFileStem(std::uint16_t number)
{
    return QStringLiteral("%1").arg(number, 4, 16, QLatin1Char('0')).toUpper();
}

std::optional<QByteArray> readDatabaseFile(const QString& path, int attempts)
{
    if (path.isEmpty())
        return std::nullopt;
    for (int i = 0; i < attempts; ++i) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    return std::nullopt;
}

namespace {

// "dir/NAME" when it exists, else the one entry of `dir` whose name equals NAME in upper case.
QString libraryFile(const QString& dir, const QString& name)
{
    if (dir.isEmpty())
        return {};
    const QDir directory(dir);
    const QString exact = directory.filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    const QString wanted = name.toUpper();
    const QStringList entries =
        directory.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.toUpper() == wanted)
            return directory.filePath(entry);
    }
    return exact;
}

} // namespace

FileDatabaseSource::FileDatabaseSource(QString queuePath, QString algorithmDir, QString moduleDir,
                                       QString templateDir)
    : m_queuePath(std::move(queuePath)), m_algorithmDir(std::move(algorithmDir)),
      m_moduleDir(std::move(moduleDir)), m_templateDir(std::move(templateDir))
{}

FileDatabaseSource::~FileDatabaseSource() = default;

std::optional<QByteArray> FileDatabaseSource::queueFile()
{
    return readDatabaseFile(m_queuePath, 2);
}

std::optional<QByteArray> FileDatabaseSource::moduleFile(std::uint16_t moduleCode)
{
    return readDatabaseFile(libraryFile(m_moduleDir, databaseFileStem(moduleCode) + ".mod"), 1);
}

std::optional<QByteArray> FileDatabaseSource::templateFile(std::uint16_t moduleCode)
{
    return readDatabaseFile(libraryFile(m_templateDir, databaseFileStem(moduleCode) + ".tsk"), 2);
}

std::optional<QByteArray> FileDatabaseSource::algorithmFile(std::uint16_t algorithm)
{
    if (m_algorithmDir.isEmpty())
        return std::nullopt;
    const auto known = m_algorithmFiles.constFind(algorithm);
    if (known != m_algorithmFiles.cend())
        return *known;
    if (!m_algorithms)
        m_algorithms = FileTreeIndex::shared(m_algorithmDir);
    const QString path = m_algorithms->find(databaseFileStem(algorithm) + ".ALG");
    std::optional<QByteArray> bytes;
    if (!path.isEmpty())
        bytes = readDatabaseFile(path, 2);
    m_algorithmFiles.insert(algorithm, bytes);
    return bytes;
}

} // namespace veg
