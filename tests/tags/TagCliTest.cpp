// discwright-cli tag show|set|remove, run as a program.
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class TagCliTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WriteFile(Mp3, QByteArray(400, 'm'))); }
    TRunResult Cli(const QStringList& args) { return RunCli(Dir.Path(), args); }
    TTempProgramFolder Dir;
    QString Mp3 = Dir.File("song.mp3");
};

} // namespace

TEST_F(TagCliTest, SetChangesOnlyTheGivenFieldsAndShowPrintsThem) {
    TRunResult r = Cli({"tag", "set", Mp3, "--title", "A Title", "--artist", "Band", "--album", "Disc", "--year",
                        "1994", "--comment", "Nice", "--track", "5", "--genre", "hard rock"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_EQ(ReadFile(Mp3).size(), 528);

    r = Cli({"tag", "set", Mp3, "--title", "Other Title", "--genre", "12"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_EQ(ReadFile(Mp3).size(), 528);

    r = Cli({"tag", "show", Mp3});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_EQ(QString::fromLocal8Bit(r.Out), "title: Other Title\n"
                                             "artist: Band\n"
                                             "album: Disc\n"
                                             "year: 1994\n"
                                             "comment: Nice\n"
                                             "track: 5\n"
                                             "genre: 12 Other\n"
                                             "result: 0x0000\n");

    // The genre list's own spellings map to the ID3 numbers.
    r = Cli({"tag", "set", Mp3, "--genre", "Alt. Rock", "--track", "0"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    r = Cli({"tag", "show", Mp3});
    EXPECT_TRUE(r.Out.contains("genre: 40 Alt. Rock\n")) << r.Out.constData();
    EXPECT_TRUE(r.Out.contains("track: 0\n"));
}

TEST_F(TagCliTest, FailuresExitNonZeroWithTheCode) {
    TRunResult r = Cli({"tag", "show", Mp3});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_TRUE(r.Err.contains("cannot read tag (result 0x1000: no tag)")) << r.Err.constData();

    r = Cli({"tag", "show", Dir.File("missing.mp3")});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_TRUE(r.Err.contains("result 0x0100")) << r.Err.constData();

    QFile::setPermissions(Mp3, QFile::ReadOwner | QFile::ReadGroup);
    r = Cli({"tag", "set", Mp3, "--title", "x"});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_TRUE(r.Err.contains("cannot write tag (result 0x0200: file is read-only)")) << r.Err.constData();
    EXPECT_EQ(ReadFile(Mp3), QByteArray(400, 'm'));
    QFile::setPermissions(Mp3, QFile::ReadOwner | QFile::WriteOwner);

    // Bad values are refused before anything is written.
    for (const QStringList& bad :
         {QStringList{"--genre", "Polka Dots"}, QStringList{"--track", "300"}, QStringList{"--genre", "-1"}}) {
        r = Cli(QStringList{"tag", "set", Mp3} + bad);
        EXPECT_EQ(r.ExitCode, 2) << bad.join(' ').toStdString();
    }
    EXPECT_EQ(ReadFile(Mp3), QByteArray(400, 'm'));
    EXPECT_EQ(Cli({"tag", "frobnicate", Mp3}).ExitCode, 2);
    EXPECT_EQ(Cli({"tag", "show"}).ExitCode, 2);
    EXPECT_EQ(Cli({"tag", "show", "--help"}).ExitCode, 0);
}

TEST_F(TagCliTest, RemoveCutsTheTag) {
    ASSERT_EQ(Cli({"tag", "set", Mp3, "--title", "x"}).ExitCode, 0);
    TRunResult r = Cli({"tag", "remove", Mp3});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.constData();
    EXPECT_EQ(ReadFile(Mp3), QByteArray(400, 'm'));
    r = Cli({"tag", "remove", Mp3});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Out.contains("no tag to remove"));

    ASSERT_EQ(Cli({"tag", "set", Mp3, "--title", "x"}).ExitCode, 0);
    QFile::setPermissions(Mp3, QFile::ReadOwner);
    r = Cli({"tag", "remove", Mp3});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_EQ(ReadFile(Mp3).size(), 528);
}
