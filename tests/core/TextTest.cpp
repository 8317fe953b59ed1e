#include "core/text/Cp1251.h"
#include "core/text/IniDocument.h"
#include "core/text/NumberText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veg;

namespace {

QByteArray cp(const char* utf8)
{
    return Cp1251::encode(QString::fromUtf8(utf8));
}

IniDocument doc(const char* utf8)
{
    return IniDocument::fromBytes(cp(utf8));
}

} // namespace

TEST(Cp1251, EveryByteSurvivesDecodeAndEncode)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    EXPECT_EQ(Cp1251::encode(Cp1251::decode(all)), all);
}

TEST(Cp1251, KnownCharacters)
{
    struct Case
    {
        const char* text;
        QByteArray bytes;
    } cases[] = {
        {"Субблок", QByteArray("\xD1\xF3\xE1\xE1\xEB\xEE\xEA")},
        {"ЁёЇї№", QByteArray("\xA8\xB8\xAF\xBF\xB9")},
        {"ВЕГ-78", QByteArray("\xC2\xC5\xC3-78")},
        {"€—«»", QByteArray("\x88\x97\xAB\xBB")},
        {"日本", QByteArray("??")},     // outside the code page
        {"😀", QByteArray("?")},        // one code point, one '?'
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1251::encode(QString::fromUtf8(c.text)), c.bytes) << c.text;
        if (!c.bytes.contains('?')) {
            EXPECT_EQ(Cp1251::decode(c.bytes), QString::fromUtf8(c.text)) << c.text;
        }
    }
}

TEST(IniDocument, NamesMatchWithoutRegardToCaseCyrillicIncluded)
{
    const IniDocument d = doc("[OKP Субблок 3]\r\nTC-TU0=26.0203.0.5\r\n[TC Modbus]\r\nTC5 = x \r\n");
    EXPECT_TRUE(d.hasSection("OKP СУББЛОК 3"));
    EXPECT_TRUE(d.hasSection("okp субблок 3"));
    EXPECT_EQ(d.value("okp субблок 3", "tc-tu0").value(), "26.0203.0.5");
    EXPECT_EQ(d.value("tc modbus", "Tc5").value(), "x");
    EXPECT_FALSE(d.value("TC Modbus", "TC6").has_value());
    EXPECT_FALSE(d.value("TC Modbu", "TC5").has_value());
}

TEST(IniDocument, ValuesAreTrimmedAndDefaultsOfBlanksAreEmpty)
{
    const IniDocument d = doc("[S]\n  Key  =\t value with  inner blanks \t\nEmpty=\n");
    EXPECT_EQ(d.readString("S", "Key", "d"), "value with  inner blanks");
    EXPECT_EQ(d.readString("S", "Empty", "d"), "");
    EXPECT_EQ(d.readString("S", "Missing", "   "), "");
    EXPECT_EQ(d.readString("S", "Missing", "$FF."), "$FF.");
    EXPECT_EQ(d.readString("Nope", "Key", "x"), "x");
}

TEST(IniDocument, WritingReplacesInPlaceAndAppendsNewKeysAtTheEndOfTheSection)
{
    IniDocument d = doc("; head\r\n[A]\r\nk1=1\r\nK2=2\r\n\r\n[B]\r\nx=1\r\n");
    d.writeString("a", "k2", "20");   // keeps its position and its spelling
    d.writeString("A", "k3", "3");    // after the last entry, before the blank line
    d.writeString("C", "new", "ё");   // a new section at the end
    d.writeString("B", "x", " padded ");
    EXPECT_EQ(d.toBytes(), cp("; head\r\n[A]\r\nk1=1\r\nK2=20\r\nk3=3\r\n\r\n[B]\r\nx= padded \r\n"
                              "[C]\r\nnew=ё\r\n"));
    EXPECT_EQ(d.value("B", "X").value(), "padded");
    EXPECT_EQ(d.keys("A"), (QStringList{"k1", "K2", "k3"}));
    EXPECT_EQ(d.value("c", "NEW").value(), "ё");
}

TEST(IniDocument, KeyOrderEntriesAndDuplicates)
{
    IniDocument d = doc("[Config]\nWayUser0=a\nNset0=1\nnot an entry\n;WayUser9=x\nWayUser1=b\n"
                        "Nset1=2\nNset1=3\n[config]\nWayUser7=z\n");
    EXPECT_EQ(d.keys("Config"), (QStringList{"WayUser0", "Nset0", "WayUser1", "Nset1", "Nset1"}));
    const auto e = d.entries("CONFIG");
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[4].second, "3");
    EXPECT_EQ(d.value("Config", "Nset1").value(), "2"); // the first of two keys
    EXPECT_FALSE(d.value("Config", "WayUser7").has_value());
    d.writeString("Config", "nset1", "9");
    EXPECT_EQ(d.value("Config", "Nset1").value(), "9");
}

TEST(IniDocument, ErasingASectionRemovesItWithEveryDuplicate)
{
    IniDocument d = doc("[A]\nk=1\n[B]\nk=2\n[a]\nk=3\n");
    d.eraseSection("A");
    d.eraseSection("missing"); // not an error
    EXPECT_EQ(d.toBytes(), QByteArray("[B]\r\nk=2\r\n"));
    d.writeString("A", "k", "4");
    EXPECT_EQ(d.value("A", "k").value(), "4");
    EXPECT_EQ(d.sectionNames(), (QStringList{"B", "A"}));
}

TEST(IniDocument, LineBreaksInAWrittenValueDoNotMakeNewLines)
{
    IniDocument d;
    d.writeString("S", "Name", "first\nsecond\r\n[Injected]");
    const IniDocument back = IniDocument::fromBytes(d.toBytes());
    EXPECT_FALSE(back.hasSection("Injected"));
    EXPECT_EQ(back.value("S", "Name").value(), "first second  [Injected]");
}

TEST(IniDocument, BinaryAndOddInputIsReadWithoutHarm)
{
    const QByteArray cases[] = {
        QByteArray(), QByteArray("\0\0\0", 3), QByteArray("[unclosed\nk=v"),
        QByteArray("=\n[]\n=x\n[ ]\n"), QByteArray("\r\r\n\n\xFF\xFE[A]\0k=1", 14),
        QByteArray("k=before any section\n[A]\nk=1"),
    };
    for (const QByteArray& bytes : cases) {
        IniDocument d = IniDocument::fromBytes(bytes);
        (void)d.toBytes();
        d.writeString("A", "k", "2");
        EXPECT_EQ(d.value("A", "k").value_or("?"), "2");
    }
    EXPECT_EQ(doc("[unclosed\nk=v").value("unclosed", "k").value_or("?"), "v");
    EXPECT_FALSE(doc("k=before any section\n").value("", "k").has_value());
}

TEST(IniDocument, FilesOnDisk)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ini");
    IniDocument::FileStatus st;
    QString err;
    IniDocument d = IniDocument::fromFile(path, &st, &err);
    EXPECT_EQ(st, IniDocument::FileStatus::Missing);
    d.writeString("Раздел", "Ключ", "Значение");
    ASSERT_TRUE(d.saveAtomic(path, &err)) << err.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), cp("[Раздел]\r\nКлюч=Значение\r\n"));
    f.close();

    const IniDocument back = IniDocument::fromFile(path, &st, &err);
    EXPECT_EQ(st, IniDocument::FileStatus::Ok);
    EXPECT_EQ(back.value("РАЗДЕЛ", "ключ").value(), "Значение");

    // A save that cannot be done leaves the old file as it was.
    ASSERT_TRUE(QDir(dir.path()).mkdir("ro"));
    const QString roPath = dir.filePath("ro/b.ini");
    ASSERT_TRUE(d.saveAtomic(roPath, &err));
    QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
    IniDocument changed = d;
    changed.writeString("Раздел", "Ключ", "другое");
    if (!QFileInfo(dir.filePath("ro")).isWritable()) { // root can write anywhere
        EXPECT_FALSE(changed.saveAtomic(roPath, &err));
        EXPECT_FALSE(err.isEmpty());
        EXPECT_EQ(IniDocument::fromFile(roPath, &st, &err).value("Раздел", "Ключ").value(), "Значение");
    }
    QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // A directory where a file is expected fails cleanly.
    EXPECT_FALSE(d.saveAtomic(dir.path(), &err));
}

TEST(NumberText, Integers)
{
    struct Case
    {
        const char* text;
        std::optional<std::int64_t> dec;
        std::optional<std::uint32_t> hex;
    } cases[] = {
        {"0", 0, 0},
        {" 26 ", 26, 0x26},
        {"-5", -5, std::nullopt},
        {"+7", 7, std::nullopt},
        {"FFFF", std::nullopt, 0xFFFF},
        {"ffff", std::nullopt, 0xFFFF},
        {"2147483647", 2147483647, std::nullopt},
        {"2147483648", std::nullopt, std::nullopt},
        {"-2147483648", -2147483648LL, std::nullopt},
        {"99999999999999999999", std::nullopt, std::nullopt},
        {"FFFFFFFF", std::nullopt, 0xFFFFFFFFu},
        {"100000000", 100000000, std::nullopt}, // nine hex digits do not fit 32 bits
        {"", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"1 2", std::nullopt, std::nullopt},
        {"$FF", std::nullopt, std::nullopt},
        {"0x1A", std::nullopt, std::nullopt},
        {"١٢", std::nullopt, std::nullopt}, // digits of another script are not decimal digits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberText::parseDec(QString::fromUtf8(c.text)), c.dec) << c.text;
        EXPECT_EQ(NumberText::parseHex(QString::fromUtf8(c.text)), c.hex) << c.text;
    }
    EXPECT_EQ(NumberText::hex(0x1A, 2), "1A");
    EXPECT_EQ(NumberText::hex(0x203, 4), "0203");
    EXPECT_EQ(NumberText::hex(0x12345, 4), "12345");
}

TEST(NumberText, FloatsAreShortestAndReadWithEitherSeparator)
{
    struct Case
    {
        float value;
        const char* dot;
    } cases[] = {{0.1f, "0.1"},          {-12.5f, "-12.5"},        {0.0f, "0"},
                 {1000000.0f, "1000000"}, {1e10f, "10000000000"},    {1e15f, "1E15"},
                 {0.0001f, "0.0001"},     {0.00001f, "0.00001"},     {1e-6f, "1E-6"},
                 {-2.5e-7f, "-2.5E-7"},   {3.4028235e38f, "3.4028235E38"},
                 {1.0f / 3.0f, "0.33333334"}, {123.456f, "123.456"}};
    for (const auto& c : cases) {
        const QString dot = NumberText::formatFloat(c.value, u'.');
        EXPECT_EQ(dot, QString::fromLatin1(c.dot));
        const QString comma = NumberText::formatFloat(c.value, u',');
        EXPECT_EQ(NumberText::parseFloat(dot), c.value);
        EXPECT_EQ(NumberText::parseFloat(comma), c.value) << comma.toStdString();
    }
    EXPECT_FALSE(NumberText::parseFloat("").has_value());
    EXPECT_FALSE(NumberText::parseFloat("1.2.3x").has_value());
    EXPECT_FALSE(NumberText::parseFloat("abc").has_value());
    EXPECT_TRUE(std::isnan(*NumberText::parseFloat(NumberText::formatFloat(NAN, u'.'))));
    EXPECT_EQ(NumberText::parseFloat("-INF"), -INFINITY);
    EXPECT_EQ(NumberText::parseFloat(" 2,5 "), 2.5f);
}
