#include "core/database/FileTreeIndex.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <deque>
#include <set>

namespace veg {

namespace fs = std::filesystem;

namespace {

// How long before a walk a directory's modification must lie for its stamp to be trusted.
constexpr auto RacyInterval = std::chrono::seconds(2);

QString nameOf(const fs::path& p)
{
    return QFile::decodeName(QByteArray::fromStdString(p.filename().string()));
}

fs::path pathOf(const QString& directory)
{
    return fs::path(QFile::encodeName(directory).toStdString());
}

} // namespace

FileTreeIndex::FileTreeIndex(const QString& directory) : m_directory(directory)
{
    if (directory.isEmpty())
        return;
    const auto trustedBefore = fs::file_time_type::clock::now() - RacyInterval;
    std::set<fs::path> seen; // canonical forms of the directories already queued
    std::deque<fs::path> queue;
    std::error_code ec;
    const fs::path root = pathOf(directory);
    const fs::path rootCanonical = fs::canonical(root, ec);
    if (ec)
        return;
    seen.insert(rootCanonical);
    queue.push_back(root);
    // An entry with the key it is ordered by: its name in upper case.
    struct Listed
    {
        QString Key;
        fs::directory_entry Entry;
    };
    std::vector<Listed> entries;
    while (!queue.empty()) {
        const fs::path dir = std::move(queue.front());
        queue.pop_front();
        const auto modified = fs::last_write_time(dir, ec);
        m_walked.push_back({dir, ec ? fs::file_time_type::min() : modified});
        if (!ec && modified >= trustedBefore)
            m_racy = true;

        entries.clear();
        fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec))
            entries.push_back({nameOf(it->path()).toUpper(), *it});
        // The maker's tool lists a directory in the order of the names in upper case, as the
        // Windows file system keeps them; names that only differ in letter case cannot both
        // exist there, and here they keep byte order so that the walk stays repeatable.
        std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) {
            if (a.Key != b.Key)
                return a.Key < b.Key;
            return a.Entry.path().filename() < b.Entry.path().filename();
        });
        ec.clear();

        std::vector<fs::path> subdirectories;
        for (const auto& [key, entry] : entries) {
            std::error_code typeError;
            if (entry.is_directory(typeError)) {
                const std::string name = entry.path().filename().string();
                if (name.empty() || name.front() == '.')
                    continue;
                std::error_code canonicalError;
                fs::path canonical = fs::canonical(entry.path(), canonicalError);
                if (canonicalError || !seen.insert(std::move(canonical)).second)
                    continue;
                subdirectories.push_back(entry.path());
            } else {
                // A directory's own files come before anything found below it: only the first
                // file of a name in the walk's order is kept.
                if (!m_files.contains(key))
                    m_files.insert(
                        key, QFile::decodeName(QByteArray::fromStdString(entry.path().string())));
            }
        }
        for (fs::path& sub : subdirectories)
            queue.push_back(std::move(sub));
    }
}

QString FileTreeIndex::find(const QString& fileName) const
{
    return m_files.value(fileName.toUpper());
}

bool FileTreeIndex::isCurrent() const
{
    if (m_directory.isEmpty())
        return true;
    if (m_racy)
        return false;
    std::error_code ec;
    if (m_walked.empty())
        return !fs::is_directory(pathOf(m_directory), ec);
    for (const WalkedDirectory& d : m_walked) {
        const auto modified = fs::last_write_time(d.Path, ec);
        if ((ec ? fs::file_time_type::min() : modified) != d.Modified)
            return false;
    }
    return true;
}

namespace {

struct SharedIndex
{
    std::shared_ptr<const FileTreeIndex> Index;
    std::chrono::steady_clock::time_point Checked;
};

std::vector<SharedIndex>& sharedIndexes()
{
    static std::vector<SharedIndex> indexes;
    return indexes;
}

constexpr std::size_t SharedIndexLimit = 8;
std::chrono::milliseconds sharedTrust{1000};

} // namespace

std::shared_ptr<const FileTreeIndex> FileTreeIndex::shared(const QString& directory)
{
    auto& indexes = sharedIndexes();
    const auto now = std::chrono::steady_clock::now();
    auto it = std::find_if(indexes.begin(), indexes.end(),
                           [&](const SharedIndex& s) { return s.Index->directory() == directory; });
    SharedIndex entry;
    if (it != indexes.end()) {
        entry = std::move(*it);
        indexes.erase(it);
        if (now - entry.Checked >= sharedTrust) {
            if (entry.Index->isCurrent())
                entry.Checked = now;
            else
                entry.Index.reset();
        }
    }
    if (!entry.Index)
        entry = {std::make_shared<const FileTreeIndex>(directory), now};
    indexes.insert(indexes.begin(), entry);
    if (indexes.size() > SharedIndexLimit)
        indexes.pop_back();
    return entry.Index;
}

void FileTreeIndex::dropShared()
{
    sharedIndexes().clear();
}

std::chrono::milliseconds FileTreeIndex::trustInterval()
{
    return sharedTrust;
}

void FileTreeIndex::setTrustInterval(std::chrono::milliseconds interval)
{
    sharedTrust = interval;
}

QString FindFileInTree(const QString& fileName, const QString& directory)
{
    return FileTreeIndex::shared(directory)->find(fileName);
}

} // namespace veg
