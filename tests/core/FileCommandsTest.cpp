#include "TestSupport.h"

#include "core/app/FileCommands.h"
#include "core/config/ConfigFile.h"
#include "core/settings/ProgramSettings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class FileCommandsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    GatewayConfig config;
    ProgramSettings settings{dir.filePath("vegconf.ini")};
    ScriptedDialogs dialogs;
    RecordingProgress progress;
    FileCommands commands{config, settings, dialogs, progress};

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    // A change an editor would make.
    void edit() { config.Changed.CommonChanged = true; }
};

} // namespace

TEST_F(FileCommandsTest, StartAndNewShowTheProtocolsView)
{
    commands.start();
    EXPECT_EQ(commands.caption(), "Настройка протоколов и работа с  ВЕГ78 (версия 18)");
    EXPECT_FALSE(commands.menus().vegSettings);
    EXPECT_FALSE(commands.menus().save);
    EXPECT_TRUE(commands.menus().commonSettings);
    EXPECT_TRUE(commands.menus().exchange);

    commands.newConfiguration(ProtocolVariant::Modbus);
    EXPECT_EQ(commands.caption(), "Настройка протоколов и работа с ВЕГ78 (протокол Modbus)(версия 18)");
    EXPECT_EQ(commands.statusText(), "Новый файл");
    EXPECT_TRUE(config.IsNewFile);
    EXPECT_TRUE(commands.menus().modbusTu && commands.menus().tiFloat && commands.menus().groupParams);
    EXPECT_FALSE(commands.menus().okp);

    // Changes pending: "Новый" asks first; after No the new protocol's view is shown.
    edit();
    dialogs.confirms = {false};
    commands.newConfiguration(ProtocolVariant::Hart);
    EXPECT_EQ(dialogs.asked, QStringList{"confirm: Сохранить изменения?"});
    EXPECT_TRUE(commands.caption().endsWith("(протокол HART)(версия 18)"));
    const MainMenuState m = commands.menus();
    EXPECT_TRUE(m.gatewayCommon && m.controllerList && m.hart);
    EXPECT_FALSE(m.groupParams || m.okp || m.ikp || m.modbusTu || m.modbusTc || m.tiFloat || m.unk ||
                 m.ktsGroups || m.ktsSignals);
    EXPECT_EQ(config.GroupParams.size(), 80u);
}

TEST_F(FileCommandsTest, MenusPerProtocol)
{
    struct Case
    {
        ProtocolVariant p;
        bool group, okp, modbus, unk, hart, kts;
    } cases[] = {
        {ProtocolVariant::Magistral1, true, true, false, false, false, false},
        {ProtocolVariant::Modbus, true, false, true, false, false, false},
        {ProtocolVariant::UnkTm, false, false, false, true, false, false},
        {ProtocolVariant::Hart, false, false, false, false, true, false},
        {ProtocolVariant::KtsEnergia, true, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        const MainMenuState m = FileCommands::menusFor(c.p);
        EXPECT_TRUE(m.vegSettings && m.save && m.saveAs && m.gatewayCommon && m.controllerList);
        EXPECT_EQ(m.groupParams, c.group);
        EXPECT_EQ(m.okp && m.ikp, c.okp);
        EXPECT_EQ(m.okp || m.ikp, c.okp);
        EXPECT_EQ(m.modbusTu && m.modbusTc && m.tiFloat, c.modbus);
        EXPECT_EQ(m.modbusTu || m.modbusTc || m.tiFloat, c.modbus);
        EXPECT_EQ(m.unk, c.unk);
        EXPECT_EQ(m.hart, c.hart);
        EXPECT_EQ(m.ktsGroups && m.ktsSignals, c.kts);
    }
}

TEST_F(FileCommandsTest, SaveOfANewConfigurationGoesThroughSaveAs)
{
    commands.newConfiguration(ProtocolVariant::UnkTm);
    edit();
    dialogs.files = {path("noext")}; // no "." at all: ".veg" is appended
    EXPECT_TRUE(commands.save());
    EXPECT_EQ(config.FileName, path("noext.veg"));
    EXPECT_EQ(commands.statusText(), path("noext.veg"));
    EXPECT_FALSE(config.IsNewFile);
    EXPECT_TRUE(config.HasFile);
    EXPECT_FALSE(config.AnyChanged());

    // Save into the own file asks before replacing it; No goes to Save As.
    edit();
    dialogs.confirms = {false, true};
    dialogs.files = {path("noext.veg")};
    dialogs.asked.clear();
    EXPECT_TRUE(commands.save());
    EXPECT_EQ(dialogs.asked,
              (QStringList{"confirm: Файл " + path("noext.veg") + " уже существует.Заменить?",
                           "dialog: save",
                           "confirm: Файл " + path("noext.veg") + " уже существует.Заменить?"}));

    // A path with a "." anywhere, also in a folder's name, is used as it is.
    QDir(dir.path()).mkdir("a.b");
    dialogs.files = {path("a.b/file")};
    EXPECT_TRUE(commands.saveAs());
    EXPECT_TRUE(QFileInfo::exists(path("a.b/file")));
}

TEST_F(FileCommandsTest, LoadCancelKeepsTheNewFileStateAndRefusedFilesChangeNothing)
{
    commands.newConfiguration(ProtocolVariant::Modbus);
    dialogs.files = {std::nullopt};
    commands.load();
    EXPECT_TRUE(config.IsNewFile);

    writeFile(path("bad.veg"), cp1251("[Protokol]\nName=Modbus x\n"));
    dialogs.files = {path("bad.veg"), path("none.veg")};
    commands.load();
    commands.load();
    EXPECT_EQ(dialogs.asked.mid(dialogs.asked.size() - 4),
              (QStringList{"dialog: open", "info: Файл " + path("bad.veg") + " не соответствует нужному типу",
                           "dialog: open", "info: Файл " + path("none.veg") + " не найден"}));
    EXPECT_EQ(config.Protocol, ProtocolVariant::Modbus);
    EXPECT_TRUE(config.IsNewFile);
    EXPECT_FALSE(progress.visible);
}

TEST_F(FileCommandsTest, LoadShowsNoticesAndOpensTheControllerListForMissingDatabases)
{
    writeFile(path("old.veg"), cp1251("[Protokol]\nName=Modbus\n[Config]\nWayUser0=nowhere.que\nNset0=1A\n"
                                      "[TU Modbus]\n"));
    int opened = 0;
    commands.setControllerListOpener([&] {
        ++opened;
        EXPECT_EQ(dialogs.asked.last(), "info: Несоответствие файла новой версии ВЕГ-78");
        // The bar is hidden, the busy cursor stays until the load has ended.
        EXPECT_FALSE(progress.visible);
        EXPECT_EQ(progress.finished, 0);
        EXPECT_TRUE(commands.caption().contains("(протокол Modbus)"));
    });
    dialogs.files = {path("old.veg")};
    commands.load();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(progress.finished, 1);
    EXPECT_EQ(progress.shown, QStringList{"Идет загрузка файла"});
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(commands.statusText(), path("old.veg"));
    EXPECT_TRUE(commands.caption().contains("(протокол Modbus)"));
    EXPECT_FALSE(config.IsNewFile);
    EXPECT_FALSE(config.HasFile);
}

TEST_F(FileCommandsTest, AYesWhoseSaveDidNotHappenStopsTheCommand)
{
    commands.newConfiguration(ProtocolVariant::KtsEnergia);
    edit();
    dialogs.confirms = {true};
    dialogs.files = {std::nullopt}; // Save As cancelled
    commands.newConfiguration(ProtocolVariant::Hart);
    EXPECT_EQ(config.Protocol, ProtocolVariant::KtsEnergia);
    EXPECT_TRUE(config.AnyChanged());

    dialogs.confirms = {true};
    dialogs.files = {std::nullopt};
    EXPECT_FALSE(commands.exitRequested());

    // No discards the changes and lets the window close.
    dialogs.confirms = {false};
    EXPECT_TRUE(commands.exitRequested());
    EXPECT_FALSE(config.AnyChanged());
    EXPECT_TRUE(commands.exitRequested()); // nothing pending: no question
    EXPECT_EQ(dialogs.asked.count("confirm: Сохранить изменения?"), 3);
}

TEST_F(FileCommandsTest, ReadBackConfigurationsAskForDataAndSaveAs)
{
    writeFile(path("rb.veg"), cp1251("[Protokol]\nName=HART\nTypeFile=Read\n"));
    dialogs.files = {path("rb.veg")};
    commands.load();
    ASSERT_TRUE(config.IsReadBack);
    edit();
    dialogs.confirms = {true};
    dialogs.files = {path("saved.veg")};
    EXPECT_TRUE(commands.exitRequested());
    EXPECT_EQ(dialogs.asked.mid(dialogs.asked.size() - 2),
              (QStringList{"confirm: Сохранить данные?", "dialog: save"}));
    EXPECT_EQ(config.FileName, path("saved.veg"));
}

TEST_F(FileCommandsTest, SaveIntoAFileThatHasGoneWritesEverySection)
{
    commands.newConfiguration(ProtocolVariant::Modbus);
    dialogs.files = {path("own.veg")};
    ASSERT_TRUE(commands.saveAs());
    QFile::remove(path("own.veg"));
    config.Changed.TiFloatChanged = true;
    dialogs.confirms = {true};
    ASSERT_TRUE(commands.save());
    GatewayConfig back;
    ASSERT_TRUE(LoadConfiguration(back, path("own.veg"), {}).loaded());
    EXPECT_TRUE(IniDocument::fromBytes(readFile(path("own.veg"))).hasSection("TC Modbus"));
}

TEST_F(FileCommandsTest, AReadBackTakesThePlaceOfTheConfiguration)
{
    commands.start();
    commands.newConfiguration(ProtocolVariant::Modbus);
    GatewayConfig read;
    read.CreateFor(ProtocolVariant::Hart);
    read.IsReadBack = true;
    read.Changed.HartChanged = read.Changed.ControllersChanged = true;
    commands.installReadBack(read);
    EXPECT_EQ(config, read);
    EXPECT_EQ(commands.caption(), "Настройка протоколов и работа с ВЕГ78 (протокол HART)(версия 18)");
    EXPECT_EQ(commands.statusText(), "Прочитаны данные из ВЕГ");
    EXPECT_TRUE(commands.menus().hart);
    EXPECT_FALSE(commands.menus().modbusTu);

    // The prompt of a read-back, and Save goes through Save As.
    dialogs.confirms = {true};
    dialogs.files = {std::nullopt};
    commands.newConfiguration(ProtocolVariant::Modbus);
    EXPECT_EQ(dialogs.asked, (QStringList{"confirm: Сохранить данные?", "dialog: save"}));
    EXPECT_EQ(config.Protocol, ProtocolVariant::Hart); // the cancelled save keeps the read-back
}
