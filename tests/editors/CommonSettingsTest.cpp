#include "EditorFixture.h"

#include "core/editors/EditorForm.h"

using namespace veg;
using namespace vegtest;

namespace {

class CommonSettingsTest : public EditorFixture
{
protected:
    static const FormField* field(const veg::EditorForm& form, const QString& id)
    {
        static std::vector<FormField> fields;
        fields = form.fields();
        for (const FormField& f : fields) {
            if (f.id == id)
                return &f;
        }
        return nullptr;
    }
};

const QString kOpen = "open TFCommon\n";

} // namespace

// The hexadecimal boxes: Cyrillic keys of A-F, no more digits than the box has places, a full
// box takes Backspace only, also while its text is selected (as it is when the box is entered).
// The HART addresses and the CRC constant have the same filter.
TEST_F(CommonSettingsTest, HexBoxes)
{
    struct Case
    {
        ProtocolVariant protocol;
        const char* id;
        QString keys;
        QString shown;
    } cases[] = {
        {ProtocolVariant::Modbus, "AdrCAN", "\\bфс", "AC"},
        {ProtocolVariant::Modbus, "AdrCAN", "\\bфсв", "AC"},
        {ProtocolVariant::Modbus, "AdrCAN", "\\bфс\\b1", "A1"},
        {ProtocolVariant::Modbus, "AdrCAN", "\\bаЖ9", "F9"},
        {ProtocolVariant::Modbus, "AdrCAN", "g", "01"},  // swallowed: the text stays
        {ProtocolVariant::Modbus, "AdrCAN", "фс", "01"}, // the full box, selected
        {ProtocolVariant::Modbus, "AdrExt", "\\bУe", "EE"},
        {ProtocolVariant::Modbus, "AdrExt", "7", "12"},
        {ProtocolVariant::Magistral1, "AdrOKP", "\\b\\bв", "D"},
        {ProtocolVariant::Modbus, "Const1", "\\b1B002", "1B00"},
        {ProtocolVariant::Modbus, "Const1", "\\bсфgх", "CA"},
        {ProtocolVariant::UnkTm, "Const1", "5", "8408"},
        {ProtocolVariant::Hart, "AdrLong2", "\\bи1х", "B1"},
        {ProtocolVariant::Hart, "AdrLong4", "\\b123", "12"},
        {ProtocolVariant::Hart, "AdrLong3", "7", "03"},
        {ProtocolVariant::Hart, "AdrShort", "\\bуу1", "EE"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE((k.id + QString(" ") + k.keys).toStdString());
        GatewayConfig c = site(k.protocol);
        c.Common.AdrCAN = 1;
        c.Common.AdrExt = 0x12;
        c.Common.Const1 = 0x8408;
        c.Common.AdrLong[3] = 3;
        veg::ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen + QString("type %1 \"%2\"\n").arg(k.id, k.keys)).ok);
        EXPECT_EQ(field(*runner.top(), k.id)->text, k.shown);
    }

    // What a box holds is what is stored: no digit beyond its places reaches the model.
    GatewayConfig c = site(ProtocolVariant::Modbus);
    ASSERT_TRUE(veg::ScenarioRunner(c, additional)
                    .run(kOpen + "type Const1 \"\\b1B002\"\npress Поместить\n")
                    .ok);
    EXPECT_EQ(c.Common.Const1, 0x1B00);
}

TEST_F(CommonSettingsTest, FormatAndParityAreCoupled)
{
    GatewayConfig c = site();
    c.Common.RBit = 0;
    c.Common.RCon = 0;
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "set RBit \"10 бит\"\n").ok);
    EXPECT_EQ(field(*runner.top(), "RCon")->index, 2);
    EXPECT_FALSE(field(*runner.top(), "RCon")->enabled);
    ASSERT_TRUE(runner.run("set RBit \"11 бит\"\n").ok);
    EXPECT_EQ(field(*runner.top(), "RCon")->index, 2); // "Контроля нет" stays chosen
    EXPECT_TRUE(field(*runner.top(), "RCon")->enabled);
    ASSERT_TRUE(runner.run("set RCon \"Контроль по нечетности\"\npress Поместить\n").ok);
    EXPECT_EQ(runner.top(), nullptr);
    EXPECT_EQ(c.Common.RBit, 0);
    EXPECT_EQ(c.Common.RCon, 1);
}

// Storing happens on "Поместить" and on closing after a change; opening and closing leaves the
// flag as it was.
TEST_F(CommonSettingsTest, StoringAndTheChangedFlag)
{
    for (const bool flagBefore : {false, true}) {
        GatewayConfig c = site();
        c.Changed.CommonChanged = flagBefore;
        const CommonSettings before = c.Common;
        ASSERT_TRUE(veg::ScenarioRunner(c, additional).run(kOpen + "close\n").ok);
        EXPECT_EQ(c.Changed.CommonChanged, flagBefore);
        EXPECT_EQ(c.Common, before);
    }
    GatewayConfig c = site();
    ASSERT_TRUE(veg::ScenarioRunner(c, additional).run(kOpen + "set tbegin 40\npress Выход\n").ok);
    EXPECT_EQ(c.Common.tbegin, 40);
    EXPECT_TRUE(c.Changed.CommonChanged);

    // A value the box cannot show is shown and stored as the box holds it.
    GatewayConfig low = site();
    low.Common.tbegin = 0;
    ASSERT_TRUE(veg::ScenarioRunner(low, additional).run(kOpen + "set trepeat 12\nclose\n").ok);
    EXPECT_EQ(low.Common.tbegin, 3);
    EXPECT_EQ(low.Common.trepeat, 12);
}

// For HART the parities are not stored; the synchronisation and the long address are.
TEST_F(CommonSettingsTest, HartStoresItsOwnFields)
{
    GatewayConfig c = site(ProtocolVariant::Hart);
    const CommonSettings before = c.Common;
    ASSERT_TRUE(veg::ScenarioRunner(c, additional)
                    .run(kOpen + "set RCon 0\nset TCon 2\nset Synch on\ntype AdrLong2 \\ba\n"
                                 "type AdrLong4 \\b1F\ntype AdrShort \\b3\npress Поместить\n")
                    .ok);
    EXPECT_EQ(c.Common.RCon, before.RCon);
    EXPECT_EQ(c.Common.TCon, before.TCon);
    EXPECT_TRUE(c.Common.Synch);
    EXPECT_EQ(c.Common.AdrLong, (std::array<std::uint8_t, 5>{0, 2, 0x0A, 0, 0x1F}));
    EXPECT_EQ(c.Common.AdrExt, 3);
}

// A speed index beyond the window's lists (a file can give one) shows no choice and is kept
// until the user picks a speed.
TEST_F(CommonSettingsTest, SpeedOutsideTheListIsKept)
{
    GatewayConfig c = site();
    c.Common.V_Ext = 8;  // "19200" in the file
    c.Common.V_CAN = 14; // "10"
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner.run(kOpen + "show fields\n").ok);
    EXPECT_TRUE(runner.output().contains("V_Ext \"Частота обмена\\nвнешняя линия - ВЕГ\": (none) "
                                         "(300|600|1200|2400|4800|9600|19200)"));
    ASSERT_TRUE(runner.run("set tbegin 30\npress Поместить\n").ok);
    EXPECT_EQ(c.Common.V_Ext, 8);
    EXPECT_EQ(c.Common.V_CAN, 14);
    ASSERT_TRUE(runner.run(kOpen + "set V_Ext 9600\nset V_CAN \"  50\"\nclose\n").ok);
    EXPECT_EQ(c.Common.V_Ext, 5);
    EXPECT_EQ(c.Common.V_CAN, 3);
}

// A box that is not hexadecimal (a blank in it, or nothing) stops the storing: nothing is
// stored, the window stays open.
TEST_F(CommonSettingsTest, TextThatIsNotHexStoresNothing)
{
    GatewayConfig c = site();
    const CommonSettings before = c.Common;
    veg::ScenarioRunner runner(c, additional);
    ASSERT_TRUE(runner
                    .run(kOpen + "type AdrCAN \\b5\nset tbegin 99\ntype Const1 \"\\b12 4\"\n"
                                 "press Поместить\nclose\n")
                    .ok);
    EXPECT_EQ(runner.output(), (QStringList{"box: '12 4' не является допустимым целым числом",
                                            "box: '12 4' не является допустимым целым числом"}));
    EXPECT_NE(runner.top(), nullptr);
    EXPECT_EQ(c.Common, before);
    ASSERT_TRUE(runner.run("type Const1 \\b8408\nclose\n").ok);
    EXPECT_EQ(runner.top(), nullptr);
    EXPECT_EQ(c.Common.AdrCAN, 5);
    EXPECT_EQ(c.Common.tbegin, 99);
    EXPECT_EQ(c.Common.Const1, 0x8408);

    // A blank before or after a digit, a blank alone, an empty box: in every hexadecimal box.
    struct Case
    {
        ProtocolVariant protocol;
        const char* id;
        QString keys;
        QString text;
    } cases[] = {
        {ProtocolVariant::Modbus, "AdrExt", "\\b 1", " 1"},
        {ProtocolVariant::Modbus, "AdrExt", "\\b1 ", "1 "},
        {ProtocolVariant::Modbus, "AdrExt", "\\b ", " "},
        {ProtocolVariant::Modbus, "AdrCAN", "\\b", ""},
        {ProtocolVariant::Magistral1, "AdrIKP", "\\b 1", " 1"},
        {ProtocolVariant::UnkTm, "Const1", "\\bA 01", "A 01"},
        {ProtocolVariant::Hart, "AdrLong2", "\\b1 ", "1 "},
        {ProtocolVariant::Hart, "AdrShort", "\\b 7", " 7"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE((k.id + QString(" ") + k.keys).toStdString());
        GatewayConfig blank = site(k.protocol);
        const CommonSettings was = blank.Common;
        veg::ScenarioRunner r2(blank, additional);
        ASSERT_TRUE(
            r2.run(kOpen + QString("type %1 \"%2\"\npress Поместить\n").arg(k.id, k.keys)).ok);
        EXPECT_EQ(r2.output(),
                  QStringList{"box: '" + k.text + "' не является допустимым целым числом"});
        EXPECT_EQ(blank.Common, was);
        EXPECT_NE(r2.top(), nullptr);
    }
}

// Which controls each protocol shows, and which of them are disabled.
TEST_F(CommonSettingsTest, ControlsOfEachProtocol)
{
    struct Case
    {
        ProtocolVariant protocol;
        QString title;
        QStringList visible; // besides AdrCAN, V_CAN, V_Ext, TBit, TCon and the two buttons
        QStringList disabled;
    } cases[] = {
        {ProtocolVariant::Magistral1,
         "Магистраль-1",
         {"RBit", "RCon", "tbegin", "trepeat", "TimeR_T", "AdrIKP", "AdrOKP"},
         {"RCon", "TCon"}},
        {ProtocolVariant::Modbus,
         "MODBUS",
         {"RBit", "RCon", "tbegin", "trepeat", "TimeR_T", "AdrExt", "Const1", "Invers", "SWAP"},
         {"RCon", "TCon"}},
        {ProtocolVariant::UnkTm,
         "УНК ТМ",
         {"RBit", "RCon", "tbegin", "trepeat", "TimeR_T", "AdrExt", "Const1", "Modem"},
         {"RCon", "TCon"}},
        {ProtocolVariant::Hart,
         "HART",
         {"RBit", "RCon", "tbegin", "trepeat", "TimeR_T", "Invers", "SWAP", "AdrShort", "AdrLong0",
          "AdrLong1", "AdrLong2", "AdrLong3", "AdrLong4", "Synch"},
         {"AdrLong0", "AdrLong1"}},
        {ProtocolVariant::KtsEnergia, "КТС Энергия", {}, {"V_Ext", "TBit", "TCon"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.title.toStdString());
        GatewayConfig c = site(k.protocol);
        veg::ScenarioRunner runner(c, additional);
        ASSERT_TRUE(runner.run(kOpen).ok);
        QStringList visible, disabled;
        for (const FormField& f : runner.top()->fields()) {
            if (f.visible && f.id != "Title")
                visible << f.id;
            if (f.visible && !f.enabled)
                disabled << f.id;
        }
        QStringList expected = {"AdrCAN", "V_CAN", "V_Ext", "TBit", "TCon", "Поместить", "Выход"};
        expected += k.visible;
        expected.sort();
        visible.sort();
        EXPECT_EQ(visible, expected);
        EXPECT_EQ(disabled, k.disabled);
        EXPECT_EQ(field(*runner.top(), "Title")->text, k.title);
    }
    // The modem's times show only while "Наличие модема" is ticked.
    GatewayConfig unk = site(ProtocolVariant::UnkTm);
    veg::ScenarioRunner runner(unk, additional);
    ASSERT_TRUE(runner.run(kOpen + "set Modem on\nset TimeRes 200\n").ok);
    EXPECT_TRUE(field(*runner.top(), "RTSoff")->visible);
    ASSERT_TRUE(runner.run("press Поместить\n").ok);
    EXPECT_TRUE(unk.Common.Modem);
    EXPECT_EQ(unk.Common.TimeRes, 200);
}

// Edit, save, reload: the same general settings.
TEST_F(CommonSettingsTest, RoundTrip)
{
    GatewayConfig c = site(ProtocolVariant::UnkTm);
    ASSERT_TRUE(veg::ScenarioRunner(c, additional)
                    .run(kOpen +
                         "type AdrCAN \\b2f\ntype AdrExt \\b11\nset V_Ext 19200\nset TBit 0\n"
                         "set TCon 1\nset trepeat 600\nset Modem on\nset RTSon 7\n"
                         "type Const1 \\b8408\nclose\n")
                    .ok);
    const QString file = db.path("common.veg");
    ASSERT_TRUE(SaveConfiguration(c, file, true).ok);
    GatewayConfig back;
    ASSERT_TRUE(LoadConfiguration(back, file, {}).loaded());
    EXPECT_EQ(back.Common, c.Common);
    EXPECT_EQ(back.Common.AdrCAN, 0x2F);
    EXPECT_EQ(back.Common.V_Ext, 6);
    EXPECT_EQ(back.Common.RTSon, 7);
}
