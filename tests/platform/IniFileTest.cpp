// INI profile rules: case-insensitive names, first key wins, trimming, integers, atomic save.
#include "platform/IniFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

class IniFileTest : public testing::Test {
protected:
    QTemporaryDir Dir;
    QString Path() const { return Dir.path() + "/test.ini"; }
};

TEST_F(IniFileTest, ReadsWithProfileRules) {
    WriteFile(Path(), "; comment\n[Sec]\n  Key = value with spaces  \nkey=second\nNum= 42 \nBad=12abc\n"
                      "Hex=0x1F\nNeg=-7\nQuoted=\"quoted\"\nEmpty=\n[sec]\nLater=1\n\r\n[Other]\nKey=o\r\n");
    const TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("SEC", "KEY", "d"), "value with spaces"); // first occurrence, any case
    EXPECT_EQ(ini.ReadString("sec", "Later", "d"), "1");               // repeated section merges
    EXPECT_EQ(ini.ReadInteger("Sec", "Num", 5), 42);
    EXPECT_EQ(ini.ReadInteger("Sec", "Bad", 5), 5);
    EXPECT_EQ(ini.ReadInteger("Sec", "Hex", 5), 31);
    EXPECT_EQ(ini.ReadInteger("Sec", "Neg", 5), -7);
    EXPECT_EQ(ini.ReadInteger("Sec", "Missing", 5), 5);
    EXPECT_EQ(ini.ReadString("Sec", "Quoted", ""), "quoted");
    EXPECT_EQ(ini.ReadString("Sec", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadString("Other", "Key", ""), "o"); // CR-LF line ends
    EXPECT_TRUE(ini.ReadBool("Sec", "Neg", false));     // any non-zero integer is true
    EXPECT_FALSE(ini.ReadBool("Sec", "Bad", false));    // a non-number gives the default
    EXPECT_TRUE(ini.ReadBool("Sec", "Bad", true));
}

TEST_F(IniFileTest, IntegersOutsideRangeOrMalformedGiveTheDefault) {
    int v = 0;
    EXPECT_FALSE(TIniFile::ParseInteger("99999999999", v));
    EXPECT_FALSE(TIniFile::ParseInteger("--1", v));
    EXPECT_FALSE(TIniFile::ParseInteger("", v));
    EXPECT_FALSE(TIniFile::ParseInteger("1.5", v));
    EXPECT_TRUE(TIniFile::ParseInteger("+12", v));
    EXPECT_EQ(v, 12);
}

TEST_F(IniFileTest, WritesReplaceInPlaceAndKeepOtherContent) {
    WriteFile(Path(), "[A]\nx=1\nkeep=me\n[B]\ny=2\n");
    TIniFile ini(Path());
    ini.WriteString("a", "X", "changed");
    ini.WriteInteger("C", "z", -3);
    ini.WriteBool("B", "flag", true);
    ini.WriteString("B", "multi", "line1\nline2");
    ASSERT_TRUE(ini.UpdateFile());
    const TIniFile back(Path());
    EXPECT_EQ(back.ReadString("A", "x", ""), "changed");
    EXPECT_EQ(back.ReadString("A", "keep", ""), "me");
    EXPECT_EQ(back.ReadInteger("B", "y", 0), 2);
    EXPECT_EQ(back.ReadString("B", "flag", ""), "1");
    EXPECT_EQ(back.ReadString("B", "multi", ""), "line1 line2");
    EXPECT_EQ(back.ReadInteger("C", "z", 0), -3);
    EXPECT_EQ(back.Sections(), (QStringList{"A", "B", "C"}));
}

TEST_F(IniFileTest, ValuesRoundTripExactlyAndUnreadableNamesAreRefused) {
    const QStringList values{"\"Heroes\"",        " Intro", "Outro ",         "'single'",        "\"",
                             "a \"quoted\" word", "x=y",    ";not a comment", "[not a section]", ""};
    TIniFile ini(Path());
    for (int i = 0; i < values.size(); ++i)
        ASSERT_TRUE(ini.WriteString("S", QString::number(i), values[i]));
    EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
    EXPECT_FALSE(ini.WriteString("S", " padded", "v"));
    EXPECT_FALSE(ini.WriteString("S", "[k", "v"));
    EXPECT_FALSE(ini.WriteString("S", ";k", "v"));
    EXPECT_FALSE(ini.WriteString("S", "", "v"));
    EXPECT_FALSE(ini.WriteString("a]b", "k", "v"));
    EXPECT_FALSE(ini.WriteString("a\nb", "k", "v"));
    ASSERT_TRUE(ini.UpdateFile());
    const TIniFile back(Path());
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(back.ReadString("S", QString::number(i), "missing"), values[i]) << i;
    EXPECT_EQ(back.Keys("S").size(), values.size());
    EXPECT_EQ(back.Sections(), QStringList{"S"});
}

TEST_F(IniFileTest, NonUtf8FilesAreReadAsLatin1AndUtf8Survives) {
    WriteFile(Path(), QByteArray("[S]\nName=Caf\xe9\n"));
    EXPECT_EQ(TIniFile(Path()).ReadString("S", "Name", ""), QString::fromUtf8("Café"));
    TIniFile ini(Path());
    ini.WriteString("S", "Name", QString::fromUtf8("Ärger – 日本"));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(TIniFile(Path()).ReadString("S", "Name", ""), QString::fromUtf8("Ärger – 日本"));
}

TEST_F(IniFileTest, SaveLeavesNoTemporaryFilesAndFailsCleanlyOnMissingFolderOrFullDisk) {
    TIniFile ini(Path());
    ini.WriteString("S", "k", "v");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"test.ini"});
    TIniFile nowhere(Dir.path() + "/missing/dir/x.ini");
    nowhere.WriteString("S", "k", "v");
    EXPECT_FALSE(nowhere.UpdateFile());

    // A disk that fills up while the file is written (cdinfo.dat holds the titles of every
    // disc): the old file stays whole.
    const QByteArray before = ReadFile(Path());
    ini.WriteString("S", "long", QString(4000, 'x'));
    {
        const TFileSizeLimit full(100);
        ASSERT_TRUE(full.Applied());
        EXPECT_FALSE(ini.UpdateFile());
    }
    EXPECT_EQ(ReadFile(Path()), before);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{"test.ini"});
}

TEST_F(IniFileTest, GarbageFilesGiveDefaults) {
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131) & 0xFF);
    WriteFile(Path(), junk);
    const TIniFile ini(Path());
    EXPECT_EQ(ini.ReadInteger("CommonOptions", "OutputFormat", 7), 7);
    EXPECT_EQ(TIniFile(Dir.path() + "/absent.ini").ReadString("A", "b", "def"), "def");
}

} // namespace
