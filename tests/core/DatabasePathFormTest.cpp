#include "TestSupport.h"

#include "core/database/DatabasePathForm.h"
#include "core/settings/ProgramSettings.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class DatabasePathFormTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath("vegconf.ini");
    ProgramSettings settings{ini};
    ScriptedDialogs dialogs;
    DatabasePathForm form{settings, dialogs};
    QString root = dir.filePath("DB");

    void SetUp() override
    {
        for (const char* sub : {"DB/ALG", "DB/MOD", "DB/TASK", "Other/A", "Other/M", "Other/T", "NoMod/ALG", "NoMod/TASK"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    }
    QString sub(const QString& base, const char* name) const { return base + QDir::separator() + name; }
    IniDocument written() const { return IniDocument::fromBytes(readFile(ini)); }
};

} // namespace

TEST_F(DatabasePathFormTest, RootDerivesTheLibrariesAndSaves)
{
    form.FormActivate();
    form.editField(DatabasePathForm::Root, root);
    ASSERT_TRUE(form.save());
    EXPECT_EQ(form.message, "");
    const IniDocument d = written();
    EXPECT_EQ(d.keys("BaseK19"), (QStringList{"Way", "WayAlg", "WayMod", "WayTask"}));
    EXPECT_EQ(d.value("BaseK19", "WayAlg").value(), sub(root, "ALG"));
    EXPECT_EQ(d.value("BaseK19", "WayTask").value(), sub(root, "TASK"));
    EXPECT_EQ(settings.database.WayMod, sub(root, "MOD")); // now the active directory
    EXPECT_FALSE(form.modified);
}

TEST_F(DatabasePathFormTest, CheckResultsMessagesAndFocus)
{
    struct Case
    {
        bool manual;
        QString root, alg, mod, tsk;
        int code;
        QString message;
        int focus;
    } cases[] = {
        {false, "", "", "", "", 1, "Необходимо указать путь к базе данных КАЛИМ-19", 0},
        {false, dir.filePath("nowhere"), "", "", "", 2, "Каталог " + dir.filePath("nowhere") + " не существует", 0},
        {false, dir.filePath("NoMod"), "", "", "", 4, "Каталог " + sub(dir.filePath("NoMod"), "MOD") + " не существует", 2},
        {true, "", dir.filePath("Other/A"), dir.filePath("Other/M"), dir.filePath("Other/T"), 0, "", 0},
        {true, "", dir.filePath("Other/x"), dir.filePath("Other/M"), dir.filePath("Other/T"), 3,
         "Каталог " + dir.filePath("Other/x") + " не существует", 1},
        {true, "", dir.filePath("Other/A"), dir.filePath("Other/M"), "", 5, "Каталог  не существует", 3},
    };
    for (const Case& c : cases) {
        settings.database = {};
        form.FormActivate();
        form.manual = c.manual;
        form.editField(0, c.root);
        form.editField(1, c.alg);
        form.editField(2, c.mod);
        form.editField(3, c.tsk);
        EXPECT_EQ(form.save(), c.code == 0) << c.code;
        EXPECT_EQ(form.message, c.message) << c.code;
        if (c.code != 0) {
            EXPECT_EQ(form.focus, c.focus) << c.code;
            EXPECT_EQ(form.manual, c.manual || c.code >= 3) << c.code;
        }
    }
    // A missing module directory under the root: the derived paths are already active, nothing is written.
    settings.database = {};
    QFile::remove(ini);
    form.FormActivate();
    form.manual = false;
    form.editField(0, dir.filePath("NoMod"));
    EXPECT_FALSE(form.save());
    EXPECT_EQ(settings.database.WayAlg, sub(dir.filePath("NoMod"), "ALG"));
    EXPECT_FALSE(QFile::exists(ini));
}

TEST_F(DatabasePathFormTest, PickedFoldersLoseTheirQuotes)
{
    form.FormActivate();
    form.manual = true;
    dialogs.files = {"\"" + dir.filePath("Other/A") + "\""};
    form.pickFolder(DatabasePathForm::Algorithms);
    EXPECT_EQ(settings.editedDatabase.WayAlg, dir.filePath("Other/A"));
    // The check fails on the other (still empty) libraries, so the field keeps its text and
    // nothing on the screen changed.
    EXPECT_EQ(form.fields[1], "");
    EXPECT_FALSE(form.modified);
    form.fields[2] = dir.filePath("Other/M");
    form.fields[3] = dir.filePath("Other/T");
    settings.editedDatabase.WayMod = form.fields[2];
    settings.editedDatabase.WayTask = form.fields[3];
    form.folderPicked(DatabasePathForm::Algorithms, dir.filePath("Other/\"A\""));
    EXPECT_EQ(form.fields[1], dir.filePath("Other/A"));
    EXPECT_TRUE(form.modified);
}

// A root pick that derives the library fields changes the window, also when the root field
// already showed that root; closing then asks.
TEST_F(DatabasePathFormTest, RootPickThatDerivesTheLibrariesModifiesTheWindow)
{
    struct Case
    {
        QString root;     // the root field before the pick
        QString picked;   // the root picked
        bool modified;    // after the pick
        QString mod;      // the module field after the pick
    } cases[] = {
        {root, root, true, sub(root, "MOD")},           // same root, new library fields
        {QString(), root, true, sub(root, "MOD")},      // a new root
        {QString(), dir.filePath("NoMod"), true, sub(dir.filePath("NoMod"), "MOD")}, // fails on MOD
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.picked.toStdString());
        settings.editedDatabase = {};
        settings.editedDatabase.Way = k.root;
        form.FormActivate();
        form.folderPicked(DatabasePathForm::Root, k.picked);
        EXPECT_EQ(form.modified, k.modified);
        EXPECT_EQ(form.fields[2], k.mod);
        dialogs.confirms = {false};
        EXPECT_TRUE(form.closeRequested());
        EXPECT_EQ(dialogs.asked.takeLast(), "confirm: Сохранить изменения?");
    }
    // A pick that changes no field leaves the window unmodified.
    form.FormActivate();
    form.folderPicked(DatabasePathForm::Root, form.fields[0]);
    EXPECT_FALSE(form.modified);
}

TEST_F(DatabasePathFormTest, ClosingWithChanges)
{
    form.FormActivate();
    form.editField(0, dir.filePath("nowhere"));
    dialogs.confirms = {true};
    EXPECT_FALSE(form.closeRequested()); // the check fails: the window stays
    EXPECT_EQ(form.message, "Каталог " + dir.filePath("nowhere") + " не существует");
    EXPECT_TRUE(form.closeRequested()); // a second attempt closes without asking
    EXPECT_EQ(dialogs.asked, QStringList{"confirm: Сохранить изменения?"});
    EXPECT_FALSE(QFile::exists(ini));

    form.FormActivate();
    form.editField(0, root);
    dialogs.confirms = {false};
    EXPECT_TRUE(form.closeRequested());
    EXPECT_FALSE(QFile::exists(ini));

    form.editField(0, root);
    dialogs.confirms = {true};
    EXPECT_TRUE(form.closeRequested());
    EXPECT_EQ(written().value("BaseK19", "Way").value(), root);
}
