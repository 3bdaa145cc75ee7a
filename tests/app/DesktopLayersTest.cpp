// The desktop layers the main window uses: the Wine registry (Clear History, through the
// controller and on the file itself) and the choice of the volume control.
#include "app/MainController.h"
#include "app/PlayerHistory.h"
#include "platform/Mixer.h"
#include "platform/WineRegistry.h"

#include "app/MainFixture.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* const UserReg = R"(WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win32

[Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList] 1700000000
#time=1d9f0c1a2b3c4d5
"File0"="C:\\users\\me\\Music\\a.mp3"
"file1"="C:\\users\\me\\Music\\b.mp3"
"File3"="C:\\users\\me\\Music\\d.mp3"

[Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\MostRecentClips1] 1700000000
@="file://C:\\clip1.rm"

[Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\MostRecentClips2] 1700000000
@="file://C:\\clip2.rm"

[Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\MostRecentClips4] 1700000000
@="file://C:\\clip4.rm"

[Software\\Wine\\Fonts] 1700000000
"Binary"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\
  18,19,1a
"Name"="caf\xe9"

[Software\\Wine\\Fonts\\Replacements] 1700000000
"Arial"="Liberation Sans"
)";

class TWinePrefix {
public:
    TWinePrefix() {
        qputenv("WINEPREFIX", QFile::encodeName(Dir.path()));
        WriteFile(Path(), UserReg);
    }
    ~TWinePrefix() { qunsetenv("WINEPREFIX"); }
    QString Path() const { return Dir.path() + "/user.reg"; }

private:
    QTemporaryDir Dir;
};

TEST(WineRegistryTest, DeletesKeysAndValuesAndKeepsEverythingElseAsItWas) {
    TWinePrefix prefix;
    EXPECT_EQ(WineUserRegistryPath(), prefix.Path());
    TWineRegistry reg;
    ASSERT_TRUE(reg.Loaded());
    // Keys ignore case and the leading or trailing backslash callers write.
    EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\wine\\fonts\\"));
    EXPECT_EQ(reg.ValueNames("Software\\Wine\\Fonts"), QList<QString>({"Binary", "Name"}));
    // A key with subkeys stays, as in the registry.
    EXPECT_FALSE(reg.DeleteKey("Software\\Wine\\Fonts"));
    EXPECT_FALSE(reg.DeleteKey("Software\\Missing"));
    // A value spread over continuation lines goes as a whole.
    EXPECT_TRUE(reg.DeleteValue("Software\\Wine\\Fonts", "binary"));
    EXPECT_FALSE(reg.DeleteValue("Software\\Wine\\Fonts", "Binary"));
    EXPECT_TRUE(reg.DeleteKey("Software\\Wine\\Fonts\\Replacements"));
    ASSERT_TRUE(reg.Save());

    QByteArray expected(UserReg);
    expected.replace("\"Binary\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\n"
                     "  18,19,1a\n",
                     "");
    expected.replace("[Software\\\\Wine\\\\Fonts\\\\Replacements] 1700000000\n\"Arial\"=\"Liberation Sans\"\n", "");
    EXPECT_EQ(ReadFile(prefix.Path()), expected);
}

TEST(WineRegistryTest, ClearHistoryCountsWhatWasDeletedAndStopsAtTheFirstGap) {
    TMainFixture f;
    TWinePrefix prefix;
    TMainController c(nullptr);
    // MostRecentClips1 and 2; 3 is missing, so 4 stays.
    EXPECT_EQ(ClearRealPlayerHistory(), 2);
    EXPECT_EQ(f.Scripted.Shown().last(), "2 list records are deleted!");
    // File0 and File1 (names ignore case); File2 is missing, so File3 stays.
    EXPECT_EQ(ClearMediaPlayerHistory(), 2);
    EXPECT_EQ(f.Scripted.Shown().last(), "2 list records are deleted!");
    TWineRegistry reg;
    EXPECT_FALSE(reg.KeyExists("Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\MostRecentClips1"));
    EXPECT_TRUE(reg.KeyExists("Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\MostRecentClips4"));
    EXPECT_EQ(reg.ValueNames("Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList"), QList<QString>({"File3"}));

    // A player still running is asked about first, No being the default; No deletes nothing.
    WriteFile(prefix.Path(), UserReg);
    const QString player = f.Folder.File("wmplayer.exe");
    ASSERT_TRUE(QFile::copy("/bin/sleep", player));
    QProcess running;
    running.start(player, {"30"});
    ASSERT_TRUE(running.waitForStarted());
    EXPECT_EQ(ClearMediaPlayerHistory(), -1);
    EXPECT_EQ(f.Scripted.Shown().last(), "Please close RealOne Player firstly.Continue?");
    EXPECT_EQ(f.Scripted.Defaults().last(), TPromptAnswer::No);
    EXPECT_EQ(TWineRegistry().ValueNames("Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList").size(), 3);
    running.kill();
    running.waitForFinished();

    // Without a Wine registry nothing is deleted.
    QFile::remove(prefix.Path());
    EXPECT_EQ(ClearMediaPlayerHistory(), 0);
    EXPECT_EQ(f.Scripted.Shown().last(), "0 list records are deleted!");
    EXPECT_FALSE(QFile::exists(prefix.Path()));
}

TEST(MixerTest, FirstVolumeControlThatIsInstalled) {
    QTemporaryDir bin;
    auto install = [&](const char* name) {
        const QString path = bin.filePath(name);
        WriteFile(path, "#!/bin/sh\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    };
    TMixerCommand command;
    EXPECT_FALSE(FindMixer(command, {bin.path()}));
    // alsamixer needs a terminal to run in.
    const QString alsamixer = install("alsamixer");
    EXPECT_FALSE(FindMixer(command, {bin.path()}));
    const QString xterm = install("xterm");
    ASSERT_TRUE(FindMixer(command, {bin.path()}));
    EXPECT_EQ(command.Program, xterm);
    EXPECT_EQ(command.Arguments, QStringList({"-e", alsamixer}));
    install("gnome-control-center");
    ASSERT_TRUE(FindMixer(command, {bin.path()}));
    EXPECT_EQ(command.Arguments, QStringList({"sound"}));
    const QString pavucontrol = install("pavucontrol");
    ASSERT_TRUE(FindMixer(command, {bin.path()}));
    EXPECT_EQ(command.Program, pavucontrol);
    EXPECT_TRUE(command.Arguments.isEmpty());
}

} // namespace
