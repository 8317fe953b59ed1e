#pragma once

#include <QHash>
#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

namespace veg {

// The file names of a directory tree, each mapped to the first file of that name that a
// breadth-first search finds: the directory's own files first, then its subdirectories in
// listing order, each searched the same way. Names match in upper case. Subdirectories whose
// name begins with "." are not searched, and a directory reached a second time (a cycle through
// symbolic links, or two links to one place) is searched only once. Unreadable directories
// count as empty. Entries of one directory are taken in the order of their names in upper case
// (Cyrillic letters as well), names equal in upper case in byte order, so the answer does not
// depend on the file system's own listing order and letter case does not decide it.
//
// Building the index walks the tree once; a lookup costs one hash probe. The index remembers
// the modification time of every directory it walked, which changes whenever an entry of that
// directory is added, removed or renamed, so `isCurrent` tells whether the answers still hold.
// File systems stamp modification times coarsely (a few milliseconds), so a directory changed
// shortly before the walk could change again unnoticed under the same stamp: an index that saw
// such a recent stamp is not trusted and is rebuilt at its next use.
class FileTreeIndex
{
public:
    explicit FileTreeIndex(const QString& directory);

    // The full path of the match ("" when none); the path carries the name as it is on disk.
    QString find(const QString& fileName) const;
    bool isCurrent() const;
    const QString& directory() const { return m_directory; }
    qsizetype fileCount() const { return m_files.size(); }

    // A shared index of `directory`, rebuilt when the tree has changed since it was built. The
    // few most recently used trees are kept. Single-threaded, like the rest of the program.
    //
    // Checking a large tree for changes costs one status query per directory, which is as much
    // as reading the algorithm files themselves; so an index checked less than the trust
    // interval ago is taken as it is. The controllers of a configuration are built in one burst
    // and share one check; a change of the tree made outside the program is seen by the next
    // load that comes later than the interval.
    static std::shared_ptr<const FileTreeIndex> shared(const QString& directory);
    static void dropShared();
    static std::chrono::milliseconds trustInterval();
    static void setTrustInterval(std::chrono::milliseconds interval);

private:
    struct WalkedDirectory
    {
        std::filesystem::path Path;
        std::filesystem::file_time_type Modified;
    };

    QString m_directory;
    QHash<QString, QString> m_files; // upper-case name -> first path found
    std::vector<WalkedDirectory> m_walked;
    bool m_racy = false; // some directory changed too shortly before the walk to be trusted
};

// The first file named `fileName` (compared in upper case) in `directory` or below it, breadth
// first; "" when there is none or the directory is empty or missing.
QString FindFileInTree(const QString& fileName, const QString& directory);

} // namespace veg
