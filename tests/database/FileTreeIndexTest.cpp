// Finding algorithm files in the algorithm tree.
#include "core/database/FileTreeIndex.h"

#include "DbFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>

using namespace veg;

namespace {

void touch(const QString& root, const QString& relative)
{
    const QString path = QDir(root).filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

// Moves the modification times of every directory of the tree an hour back, as for a database
// that was written long before it is read.
void age(const QString& root)
{
    namespace fs = std::filesystem;
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const fs::path top(QFile::encodeName(root).toStdString());
    fs::last_write_time(top, past);
    for (const auto& entry : fs::recursive_directory_iterator(top)) {
        if (entry.is_directory() && !entry.is_symlink())
            fs::last_write_time(entry.path(), past);
    }
}

QString under(const QTemporaryDir& dir, const QString& found)
{
    if (found.isEmpty())
        return "(none)";
    return QDir(dir.path()).relativeFilePath(found);
}

} // namespace

TEST(FindFileInTree, BreadthFirstUpperCaseAndHiddenDirectories)
{
    const struct
    {
        const char* name;
        QStringList files;
        const char* wanted;
        const char* found;
    } cases[] = {
        {"two levels below", {"А/Б/00A1.ALG"}, "00A1.ALG", "А/Б/00A1.ALG"},
        {"in the directory itself", {"00A1.ALG", "A/00A1.ALG"}, "00A1.ALG", "00A1.ALG"},
        {"lower case on disk", {"x/00a1.alg"}, "00A1.ALG", "x/00a1.alg"},
        {"hidden directory", {".old/00A1.ALG"}, "00A1.ALG", "(none)"},
        {"below a hidden directory", {".old/sub/00A1.ALG", "z/00A1.ALG"}, "00A1.ALG", "z/00A1.ALG"},
        {"shallower wins over earlier", {"a/b/00A1.ALG", "z/00A1.ALG"}, "00A1.ALG", "z/00A1.ALG"},
        {"first directory in listing order",
         {"b/00A1.ALG", "a/00A1.ALG"},
         "00A1.ALG",
         "a/00A1.ALG"},
        // Names are ordered as they read in upper case, Cyrillic included; only names equal in
        // upper case fall back to byte order.
        {"letter case does not order", {"B/00A1.ALG", "a/00A1.ALG"}, "00A1.ALG", "a/00A1.ALG"},
        {"Cyrillic letter case does not order",
         {"Б/00A1.ALG", "а/00A1.ALG"},
         "00A1.ALG",
         "а/00A1.ALG"},
        {"underscore after letters", {"_/00A1.ALG", "z/00A1.ALG"}, "00A1.ALG", "z/00A1.ALG"},
        {"same name in upper case", {"a/00A1.ALG", "A/00A1.ALG"}, "00A1.ALG", "A/00A1.ALG"},
        {"file names equal in upper case", {"00a1.alg", "00A1.ALG"}, "00A1.ALG", "00A1.ALG"},
        {"same level, earlier parent first",
         {"a/y/00A1.ALG", "b/x/00A1.ALG"},
         "00A1.ALG",
         "a/y/00A1.ALG"},
        {"a directory of that name is not a match", {"00A1.ALG/00A2.ALG"}, "00A1.ALG", "(none)"},
        {"absent", {"a/00A2.ALG"}, "00A1.ALG", "(none)"},
    };
    for (const auto& c : cases) {
        FileTreeIndex::dropShared();
        QTemporaryDir dir;
        for (const QString& f : c.files)
            touch(dir.path(), f);
        EXPECT_EQ(under(dir, FindFileInTree(c.wanted, dir.path())), QString::fromUtf8(c.found))
            << c.name;
        EXPECT_EQ(under(dir, FileTreeIndex(dir.path()).find(QString(c.wanted).toLower())),
                  QString::fromUtf8(c.found))
            << c.name;
    }
}

TEST(FindFileInTree, EmptyOrMissingDirectoryFindsNothing)
{
    EXPECT_EQ(FindFileInTree("00A1.ALG", ""), "");
    EXPECT_EQ(FindFileInTree("00A1.ALG", "/nonexistent/vegconf/ALG"), "");
}

TEST(FindFileInTree, SymbolicLinkCycleEndsTheWalk)
{
    namespace fs = std::filesystem;
    QTemporaryDir dir;
    touch(dir.path(), "a/b/00A1.ALG");
    const fs::path root(QFile::encodeName(dir.path()).toStdString());
    std::error_code ec;
    fs::create_directory_symlink(root, root / "a" / "b" / "loop", ec); // back to the root
    ASSERT_FALSE(ec) << ec.message();
    fs::create_directory_symlink(root / "a", root / "a" / "again", ec);
    ASSERT_FALSE(ec) << ec.message();
    const FileTreeIndex index(dir.path());
    EXPECT_EQ(under(dir, index.find("00A1.ALG")), "a/b/00A1.ALG");
    EXPECT_EQ(index.find("00A2.ALG"), "");
    EXPECT_EQ(index.fileCount(), 1);
}

TEST(FindFileInTree, UnreadableDirectoryCountsAsEmpty)
{
    QTemporaryDir dir;
    touch(dir.path(), "closed/00A1.ALG");
    touch(dir.path(), "open/00A2.ALG");
    const QString closed = dir.filePath("closed");
    ASSERT_TRUE(QFile::setPermissions(closed, QFileDevice::Permissions()));
    const FileTreeIndex index(dir.path());
    EXPECT_EQ(under(dir, index.find("00A2.ALG")), "open/00A2.ALG");
    if (!QDir(closed).isReadable()) { // the super-user reads it anyway
        EXPECT_EQ(index.find("00A1.ALG"), "");
    }
    QFile::setPermissions(closed,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(FindFileInTree, SharedIndexFollowsChangesOfTheTree)
{
    FileTreeIndex::dropShared();
    const auto trust = FileTreeIndex::trustInterval();
    FileTreeIndex::setTrustInterval(std::chrono::milliseconds(0)); // check at every use
    QTemporaryDir dir;
    touch(dir.path(), "a/b/00A1.ALG");
    const auto fresh = FileTreeIndex::shared(dir.path());
    EXPECT_EQ(under(dir, fresh->find("00A1.ALG")), "a/b/00A1.ALG");
    EXPECT_FALSE(fresh->isCurrent()); // written just now: not trusted yet
    age(dir.path());
    const auto first = FileTreeIndex::shared(dir.path());
    EXPECT_NE(first, fresh);
    EXPECT_TRUE(first->isCurrent());
    EXPECT_EQ(FileTreeIndex::shared(dir.path()), first); // unchanged: the same index

    // A file added deep in the tree, a shallower copy, a removal: each is seen at once.
    touch(dir.path(), "a/b/c/00A2.ALG");
    EXPECT_EQ(under(dir, FindFileInTree("00A2.ALG", dir.path())), "a/b/c/00A2.ALG");
    touch(dir.path(), "a/00A1.ALG");
    EXPECT_EQ(under(dir, FindFileInTree("00A1.ALG", dir.path())), "a/00A1.ALG");
    ASSERT_TRUE(QFile::remove(dir.filePath("a/00A1.ALG")));
    EXPECT_EQ(under(dir, FindFileInTree("00A1.ALG", dir.path())), "a/b/00A1.ALG");
    ASSERT_TRUE(QDir(dir.filePath("a/b")).removeRecursively());
    EXPECT_EQ(FindFileInTree("00A1.ALG", dir.path()), "");
    FileTreeIndex::setTrustInterval(trust);
}

TEST(FindFileInTree, SharedIndexIsTrustedForItsInterval)
{
    FileTreeIndex::dropShared();
    const auto trust = FileTreeIndex::trustInterval();
    FileTreeIndex::setTrustInterval(std::chrono::hours(1));
    QTemporaryDir dir;
    touch(dir.path(), "a/00A1.ALG");
    const auto first = FileTreeIndex::shared(dir.path());
    touch(dir.path(), "a/00A2.ALG");
    EXPECT_EQ(FileTreeIndex::shared(dir.path()), first); // within the interval: not checked
    EXPECT_EQ(FindFileInTree("00A2.ALG", dir.path()), "");
    FileTreeIndex::dropShared();
    EXPECT_EQ(under(dir, FindFileInTree("00A2.ALG", dir.path())), "a/00A2.ALG");
    FileTreeIndex::setTrustInterval(trust);
}
