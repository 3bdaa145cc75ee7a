// The options dialog on the offscreen platform: OK's checks and what it copies, the enabled
// rules, the Default buttons, the drive list and drive change through the main window's host
// interface, and the German language file applied to it.
#include "app/OptionSetForm.h"
#include "core/DiscInfo.h"

#include "cd/CDIn.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "platform/IniFile.h"
#include "platform/ProgramFolder.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

// Stands in for the main window: records what the dialog asks of it.
class TRecordingHost : public TOptionSetHost {
public:
    bool LibraryHandle = false;
    QStringList Names;
    QStringList Calls;

    bool HasCDLibraryHandle() const override { return LibraryHandle; }
    QStringList CDInputDriveNames() override { return Names; }
    void SelectDrive(int index) override { Calls << "select " + QString::number(index); }
    void RefillTrackList() override { Calls << "refill"; }
    void KeepStatusText() override { Calls << "status"; }
};

class OptionSetTest : public ::testing::Test {
protected:
    OptionSetTest() {
        QDir().mkpath(Settings.OutputFolder);
        SetPrompter(&Prompts);
    }
    ~OptionSetTest() override { SetPrompter(nullptr); }

    template <class T> T* Control(TOptionSetForm& form, const char* name) {
        T* control = form.findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void ClickOk(TOptionSetForm& form) { Control<QPushButton>(form, "bOK")->click(); }

    TTempProgramFolder Folder;
    TScriptedPrompter Prompts;
    TRecordingHost Host;
};

TEST_F(OptionSetTest, OkRefusesAMissingFolderABadSongLengthAndABadBitRateAndChangesNothing) {
    Settings.BitRate = 192;
    TOptionSetForm form(&Host);
    form.show();
    auto* dir = Control<QLineEdit>(form, "editOutputDir");
    auto* ripTime = Control<QLineEdit>(form, "eRipTime");
    auto* bitRate = Control<QComboBox>(form, "cbBitRate");
    auto* artist = Control<QLineEdit>(form, "ID3artist");
    artist->setText("Changed");

    const QString missing = Folder.File("nowhere");
    dir->setText(missing);
    ClickOk(form);
    ASSERT_EQ(Prompts.Shown(), QStringList{missing + ",The output directory does not exist."});
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.focusWidget(), dir);

    dir->setText(Folder.Path());
    Control<QCheckBox>(form, "cbRipTime")->setChecked(true);
    for (const char* text : {"ten", "", "-100"}) {
        ripTime->setText(text);
        ClickOk(form);
        EXPECT_EQ(Prompts.Shown().last(), "Please check the song length to extract.") << text;
        EXPECT_TRUE(form.isVisible());
    }
    EXPECT_EQ(form.focusWidget(), ripTime);

    // A bit rate that is not a number keeps the dialog open before anything is copied.
    ripTime->setText("30");
    bitRate->setEditText("fast");
    ClickOk(form);
    EXPECT_EQ(Prompts.Shown().last(), "Please check the MP3 bit rate: it must begin with a number.");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Settings.BitRate, 192);
    EXPECT_EQ(CurrentDisc.Artist, "");
    EXPECT_EQ(Settings.RipTime, 0);
    EXPECT_TRUE(Host.Calls.isEmpty());

    // Typed without the leading blank, a bit rate still reads; negative lengths are accepted.
    bitRate->setEditText("96 kbit/s");
    ripTime->setText("-5");
    ClickOk(form);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(Settings.BitRate, 96);
    EXPECT_EQ(Settings.RipTime, -5);
    EXPECT_EQ(Settings.OutputFolder, Folder.Path());
    EXPECT_EQ(CurrentDisc.Artist, "Changed");
    EXPECT_EQ(Host.Calls, QStringList{"status"});
}

TEST_F(OptionSetTest, SettingsRoundTripThroughTheControls) {
    Settings.IsKeepWav = true;
    Settings.OutputFormat = ofOGG;
    Settings.IsNormalize = true;
    Settings.NormalizePercent = 80;
    Settings.EnableRipTime = true;
    Settings.RipTime = 42;
    Settings.IsSelectVBR = true;
    Settings.BitRate = 64;
    Settings.MaxBitRate = 256;
    Settings.VBRQuality = 7;
    Settings.StereoMode = 4;
    Settings.IsUseCompress = false;
    Settings.CompressPosition = 77;
    Settings.OggNomalBitRate = 3;
    Settings.WMABitRate = 20;
    CurrentDisc.Genre = 17; // Blues
    Settings.Paranoia = true;
    Settings.ReadOffset = -472;
    Settings.TestAndCopy = true;
    Settings.AccurateRipUse = false;
    Settings.SingleFile = true;
    Settings.Id3Version = 2;
    Settings.ReplayGain = false;
    Settings.CoverArt = false;
    Settings.FlacLevel = 8;
    Settings.FlacVerify = false;
    const TSettings before = Settings;
    const int32_t genreBefore = CurrentDisc.Genre;

    TOptionSetForm form(nullptr);
    form.show();
    EXPECT_FALSE(Control<QCheckBox>(form, "ckbKeepWav")->isChecked()); // "Delete WAV ..." = not kept
    EXPECT_EQ(Control<QComboBox>(form, "cbBitRate")->currentText(), "64 kbit/s");
    EXPECT_EQ(Control<QComboBox>(form, "ID3genre")->currentText(), "Blues");
    EXPECT_EQ(Control<QLineEdit>(form, "eRipTime")->text(), "42");
    EXPECT_EQ(Control<QSpinBox>(form, "seReadOffset")->value(), -472);
    EXPECT_FALSE(Control<QCheckBox>(form, "ckbAccurateRip")->isChecked());
    ClickOk(form);
    ASSERT_TRUE(Prompts.Shown().isEmpty()) << Prompts.Shown().join('|').toStdString();
    const TSettings& after = Settings;
    EXPECT_EQ(after.IsKeepWav, before.IsKeepWav);
    EXPECT_EQ(after.OutputFormat, before.OutputFormat);
    EXPECT_EQ(after.NormalizePercent, before.NormalizePercent);
    EXPECT_EQ(after.RipTime, before.RipTime);
    EXPECT_EQ(after.BitRate, before.BitRate);
    EXPECT_EQ(after.MaxBitRate, before.MaxBitRate);
    EXPECT_EQ(after.VBRQuality, before.VBRQuality);
    EXPECT_EQ(after.StereoMode, before.StereoMode);
    EXPECT_EQ(after.IsUseCompress, before.IsUseCompress);
    EXPECT_EQ(after.CompressPosition, before.CompressPosition);
    EXPECT_EQ(after.OggNomalBitRate, before.OggNomalBitRate);
    EXPECT_EQ(after.WMABitRate, before.WMABitRate);
    EXPECT_EQ(CurrentDisc.Genre, genreBefore);
    EXPECT_EQ(after.Paranoia, before.Paranoia);
    EXPECT_EQ(after.ReadOffset, -472);
    EXPECT_EQ(after.TestAndCopy, true);
    EXPECT_EQ(after.AccurateRipUse, false);
    EXPECT_EQ(Control<QComboBox>(form, "cbID3Version")->currentText(), "ID3v2.4");
    EXPECT_EQ(after.SingleFile, true);
    EXPECT_EQ(after.Id3Version, 2);
    EXPECT_EQ(after.ReplayGain, false);
    EXPECT_EQ(after.CoverArt, false);
    EXPECT_EQ(after.FlacLevel, 8);
    EXPECT_EQ(after.FlacVerify, false);

    // Bit rates of other lengths than the list's (a hand-edited options.ini) come back as
    // they were, neither refused nor cut to three digits.
    Settings.BitRate = 8;
    Settings.MaxBitRate = 1000;
    form.show();
    ClickOk(form);
    ASSERT_TRUE(Prompts.Shown().isEmpty()) << Prompts.Shown().join('|').toStdString();
    EXPECT_EQ(Settings.BitRate, 8);
    EXPECT_EQ(Settings.MaxBitRate, 1000);

    // The empty genre item stores no genre.
    form.show();
    Control<QComboBox>(form, "ID3genre")->setCurrentIndex(0);
    ClickOk(form);
    EXPECT_EQ(CurrentDisc.Genre, -1);

    // Cancel copies nothing.
    form.show();
    Control<QComboBox>(form, "ID3genre")->setCurrentIndex(1);
    Control<QPushButton>(form, "bCancel")->click();
    EXPECT_EQ(CurrentDisc.Genre, -1);
}

TEST_F(OptionSetTest, EnabledRulesFollowTheControls) {
    TOptionSetForm form(nullptr);
    form.show();
    auto* normalize = Control<QCheckBox>(form, "ckNormalize");
    auto* percent = Control<QSpinBox>(form, "seNormalize");
    auto* ripBox = Control<QCheckBox>(form, "cbRipTime");
    auto* ripTime = Control<QLineEdit>(form, "eRipTime");
    auto* vbr = Control<QCheckBox>(form, "ckbSelectVBR");
    auto* format = Control<QComboBox>(form, "cbOutputFormat");
    auto* keepWav = Control<QCheckBox>(form, "ckbKeepWav");

    EXPECT_FALSE(percent->isEnabled());
    normalize->setChecked(true);
    EXPECT_TRUE(percent->isEnabled());
    EXPECT_FALSE(ripTime->isEnabled());
    ripBox->setChecked(true);
    EXPECT_TRUE(ripTime->isEnabled());
    for (const char* name : {"ckbVBRHead", "cbMaxBitRate", "cbVBRQuality"}) {
        vbr->setChecked(false);
        EXPECT_FALSE(Control<QWidget>(form, name)->isEnabled()) << name;
        vbr->setChecked(true);
        EXPECT_TRUE(Control<QWidget>(form, name)->isEnabled()) << name;
    }
    EXPECT_TRUE(keepWav->isEnabled());
    format->setCurrentIndex(ofWAV);
    EXPECT_FALSE(keepWav->isEnabled());
    format->setCurrentIndex(ofWMA);
    EXPECT_TRUE(keepWav->isEnabled());
    // One file for the whole disc is a WAV or FLAC image.
    auto* singleFile = Control<QCheckBox>(form, "ckbSingleFile");
    EXPECT_FALSE(singleFile->isEnabled());
    format->setCurrentIndex(ofFLAC);
    EXPECT_EQ(format->currentText(), "FLAC file(*.FLAC)");
    EXPECT_TRUE(singleFile->isEnabled());
    EXPECT_TRUE(keepWav->isEnabled());
    format->setCurrentIndex(ofWAV);
    EXPECT_TRUE(singleFile->isEnabled());
}

TEST_F(OptionSetTest, DefaultButtonsSetTheMp3AndWmaDefaults) {
    Settings.IsSelectVBR = true;
    Settings.IsVBRHead = true;
    Settings.BitRate = 32;
    Settings.MaxBitRate = 64;
    Settings.VBRQuality = 9;
    Settings.MpegQuality = 2;
    Settings.StereoMode = 4;
    Settings.WMABitRate = 30;
    TOptionSetForm form(nullptr);
    form.show();
    Control<QPushButton>(form, "bDefault")->click();
    Control<QPushButton>(form, "bWMADefault")->click();
    EXPECT_EQ(Control<QComboBox>(form, "cbWMABitrate")->currentIndex(), 8);
    ClickOk(form);
    EXPECT_FALSE(Settings.IsSelectVBR);
    EXPECT_FALSE(Settings.IsVBRHead);
    EXPECT_EQ(Settings.BitRate, 128);
    EXPECT_EQ(Settings.MaxBitRate, 320);
    EXPECT_EQ(Settings.VBRQuality, 4);
    EXPECT_EQ(Settings.MpegQuality, 0);
    EXPECT_EQ(Settings.StereoMode, 1);
    EXPECT_EQ(Settings.WMABitRate, 8);
}

TEST_F(OptionSetTest, DriveListAndDriveChangeGoThroughTheHost) {
    Host.Names = {"Drive A", "Drive B"};
    Settings.CDIndex = 1;
    {
        // OK without visiting the CD-ROM page: the list is empty, so the drive chosen before is
        // kept and no drive changes.
        TOptionSetForm form(&Host);
        form.show();
        EXPECT_FALSE(Control<QGroupBox>(form, "gbRipTime")->isVisible()); // no library handle
        ClickOk(form);
        EXPECT_EQ(Settings.CDIndex, 1);
        EXPECT_EQ(Host.Calls, QStringList{"status"});
    }
    Host.Calls.clear();
    Settings.CDIndex = -1; // none chosen yet
    TOptionSetForm form(&Host);
    auto* pages = Control<QTabWidget>(form, "PageControl1");
    auto* list = Control<QComboBox>(form, "cbCDList");
    form.show();
    pages->setCurrentIndex(TOptionSetForm::pgCDROM);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), 0); // -1 shows drive 0
    EXPECT_EQ(list->itemText(1), "Drive B");
    list->setCurrentIndex(1);
    // Coming back to the page keeps the choice.
    pages->setCurrentIndex(TOptionSetForm::pgOutput);
    pages->setCurrentIndex(TOptionSetForm::pgCDROM);
    EXPECT_EQ(list->currentIndex(), 1);
    ClickOk(form);
    EXPECT_EQ(Settings.CDIndex, 1);
    EXPECT_EQ(Host.Calls, (QStringList{"select 1", "refill", "status"}));

    // The same drive again changes nothing.
    Host.Calls.clear();
    form.show();
    EXPECT_EQ(pages->currentIndex(), TOptionSetForm::pgCDROM);
    EXPECT_EQ(list->currentIndex(), 1);
    ClickOk(form);
    EXPECT_EQ(Host.Calls, QStringList{"status"});

    // The hidden CD DB box alone reopens the drive.
    Host.Calls.clear();
    form.show();
    Control<QCheckBox>(form, "ckbCDDb")->setChecked(!Settings.CDDb);
    ClickOk(form);
    EXPECT_EQ(Host.Calls, (QStringList{"select 1", "refill", "status"}));
}

TEST_F(OptionSetTest, WithALibraryHandleTheDriveLibraryListsTheDrives) {
    const TDiscImage disc = MakeDiscImage(Folder.Path(), "Concert", {{75}});
    Settings.Images = disc.CuePath;
    Host.LibraryHandle = true;
    Host.Names = {"not asked"};
    TOptionSetForm form(&Host);
    form.show();
    EXPECT_TRUE(Control<QGroupBox>(form, "gbRipTime")->isVisible());
    Control<QTabWidget>(form, "PageControl1")->setCurrentIndex(TOptionSetForm::pgCDROM);
    auto* list = Control<QComboBox>(form, "cbCDList");
    ASSERT_GE(list->count(), 1);
    EXPECT_EQ(list->itemText(list->count() - 1), "Image Concert");
}

TEST_F(OptionSetTest, CDInputNamesItsDrivesAndKeepsItsDriveIndex) {
    const TDiscImage first = MakeDiscImage(Folder.Path(), "First", {{75}});
    const TDiscImage second = MakeDiscImage(Folder.Path(), "Second", {{75}});
    Settings.Images = first.CuePath + "|" + second.CuePath;
    TCDIn cdIn;
    const int32_t count = cdIn.DriveCount();
    ASSERT_GE(count, 2);
    cdIn.SetDriveIndex(count - 2);
    const QStringList names = CDInDriveNames(cdIn);
    ASSERT_EQ(names.size(), count);
    EXPECT_EQ(names.mid(count - 2), (QStringList{"Image First", "Image Second"}));
    EXPECT_EQ(cdIn.DriveIndex(), count - 2);
}

TEST_F(OptionSetTest, OkMakesTheDefaultOutputFolderWhenItIsFirstNeeded) {
    // A first start: the default folder was never made.
    ASSERT_TRUE(QDir(DefaultOutputFolder()).removeRecursively());
    Settings.OutputFolder = DefaultOutputFolder();
    TOptionSetForm form(&Host);
    form.show();
    ClickOk(form);
    EXPECT_TRUE(Prompts.Shown().isEmpty());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(QFileInfo(DefaultOutputFolder()).isDir());
}

TEST_F(OptionSetTest, GermanLanguageFileTranslatesTheDialog) {
    ASSERT_TRUE(QFile::copy(SourceDir() + "/lang/CLan_German.ini", Folder.File("CLan_German.ini")));
    Settings.Lan = "German";
    TOptionSetForm form(nullptr);
    form.show();
    EXPECT_EQ(form.windowTitle(), "Optionen");
    auto* pages = Control<QTabWidget>(form, "PageControl1");
    EXPECT_EQ(pages->tabText(TOptionSetForm::pgOutput), "Ausgabe");
    EXPECT_EQ(Control<QCheckBox>(form, "ckbKeepWav")->text(), "WAV-Datei nach der Verarbeitung löschen");
    EXPECT_EQ(Control<QComboBox>(form, "cbStereoMode")->itemText(3), "Zwei Kanäle");
    EXPECT_EQ(Control<QPushButton>(form, "bCancel")->text(), "Abbrechen");
    // Messages follow the language too.
    Control<QLineEdit>(form, "eRipTime")->setText("x");
    ClickOk(form);
    EXPECT_EQ(Prompts.Shown(), QStringList{"Bitte überprüfen Sie die auszulesende Titellänge."});
}

// Every key of the dialog's section in the shipped files names one of its texts (a misspelt
// key would silently leave a control untranslated), and the English values are the built-in
// texts.
TEST_F(OptionSetTest, ShippedFilesNameTheDialogsControlsAndEnglishMatchesTheBuiltInTexts) {
    TOptionSetForm form(nullptr);
    form.show();
    const auto builtIn = [&form](const QString& key, bool& found) -> QString {
        found = true;
        if (key == form.objectName())
            return form.windowTitle();
        const QString name = key.section('_', 0, 0);
        const QString part = key.section('_', 1);
        const int index = part.mid(part.indexOf(QRegularExpression("\\d"))).toInt();
        if (auto* tabs = form.findChild<QTabWidget*>(name); tabs && part.startsWith("Page"))
            return tabs->tabText(index);
        if (auto* combo = form.findChild<QComboBox*>(name); combo && part.startsWith("Item") && index < combo->count())
            return combo->itemText(index);
        if (part.isEmpty()) {
            if (auto* label = form.findChild<QLabel*>(name))
                return label->text();
            if (auto* button = form.findChild<QAbstractButton*>(name))
                return button->text();
            if (auto* group = form.findChild<QGroupBox*>(name))
                return group->title();
        }
        found = false;
        return {};
    };
    for (const char* language : {"English", "German"}) {
        const TIniFile ini(SourceDir() + "/lang/CLan_" + language + ".ini");
        const QStringList keys = ini.Keys("OptionSetForm");
        EXPECT_GT(keys.size(), 40) << language;
        for (const QString& key : keys) {
            bool found = false;
            const QString text = builtIn(key, found);
            EXPECT_TRUE(found) << language << ": " << key.toStdString();
            if (found && QLatin1String(language) == QLatin1String("English")) {
                EXPECT_EQ(ini.ReadString("OptionSetForm", key, {}), text) << key.toStdString();
            }
        }
    }
}

} // namespace
