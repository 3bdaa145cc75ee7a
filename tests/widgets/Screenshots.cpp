// Renders the dialogs to PNG files so their layout can be looked at without a screen:
//   dw_screenshots OUTPUT_FOLDER [LANGUAGE]
// Run under QT_QPA_PLATFORM=offscreen (scripts/screenshots does). Settings, language files and
// a disc-image drive live in a temporary program folder; nothing of the user's is read. The
// main window shows the disc image named by DW_DEMO_DISC (scripts/demo-disc makes one), or a
// test image when it is not set.
#include "app/Language.h"
#include "app/MainForm.h"
#include "app/NoDeviceHint.h"
#include "app/OptionSetForm.h"
#include "app/Settings.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "fixtures/DiscImage.h"
#include "support/TestSupport.h"
#include "tags/EditTrackNameForm.h"
#include "tags/Genres.h"
#include "tags/ID3EditForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <cstdio>

namespace {

// A main window with a drive-library handle, so the song-length group shows.
class TScreenshotHost : public TOptionSetHost {
public:
    bool HasCDLibraryHandle() const override { return true; }
    QStringList CDInputDriveNames() override { return {}; }
    void SelectDrive(int) override {}
    void RefillTrackList() override {}
    void KeepStatusText() override {}
};

bool Save(QWidget& window, const QString& path) {
    window.show();
    // Layout requests posted by the language pass are handled before the picture is taken.
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    const bool ok = window.grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dw_screenshots OUTPUT_FOLDER [LANGUAGE]\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString language = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("English");
    QDir().mkpath(out);
    const QString prefix = IsEnglish(language) ? QString() : language.toLower() + '-';

    TTempProgramFolder folder;
    QFile::copy(SourceDir() + "/lang/CLan_" + language + ".ini", folder.File("CLan_" + language + ".ini"));
    Settings.Lan = language;
    QDir().mkpath(Settings.OutputFolder);
    Settings.Images = MakeDiscImage(folder.Path(), "Concert", {{75}}).CuePath;
    Settings.Artist = "The Band";
    Settings.Album = "Live at Home";
    Settings.Year = "2003";
    Settings.Genre = GenreIndexOf("Rock");

    bool ok = true;
    TScreenshotHost host;
    TOptionSetForm options(&host);
    options.show();
    auto* pages = options.findChild<QTabWidget*>("PageControl1");
    const char* names[] = {"output", "mp3", "ogg", "wma", "id3", "cdrom"};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        ok &= Save(options, out + '/' + prefix + "options-" + names[page] + ".png");
    }
    options.hide();

    const QString mp3 = folder.File("Concert - Opening.mp3");
    WriteFile(mp3, QByteArray(4096, '\0'));
    Tid3tag tag;
    tag.SetTitle("Opening");
    tag.SetArtist("The Band");
    tag.SetAlbum("Live at Home");
    tag.SetYear("2003");
    tag.SetComment("Recorded in one take");
    tag.SetTrack(1);
    tag.Genre = GenreToId3(uint8_t(GenreIndexOf("Rock") + 1));
    tag.Write(mp3);
    TfrmID3Edit editor;
    editor.ChooseFile = [&] { return mp3; };
    editor.show();
    editor.findChild<QPushButton*>("bLoadTag")->click();
    ok &= Save(editor, out + '/' + prefix + "id3edit.png");

    TfrmEditTrackName title;
    title.SetTitle("Opening");
    ok &= Save(title, out + '/' + prefix + "edittrackname.png");
    title.hide();

    // The main window with the demo disc as its drive and titles remembered for it.
    const QString demo = qEnvironmentVariable("DW_DEMO_DISC");
    Settings.Images = demo.isEmpty() ? MakeDiscImage(folder.Path(), "Demo", {{600}, {900}, {525}}).CuePath : demo;
    Settings.CDIndex = 0;
    if (const int handle = OpenCDDriveAt(0)) {
        TCDToc toc{};
        if (ReadTocMsf(handle, toc)) {
            const QStringList names = {"Morning Arpeggios", "Pentatonic Walk", "Bells"};
            Settings.TrackNumber = int32_t(names.size());
            for (int n = 1; n <= names.size(); ++n)
                Settings.Titles[n] = names[n - 1];
            SaveDiscInfo(DiscKeyFromToc(toc));
        }
        CloseCDHandle(handle);
    }
    SaveSettings(); // the window loads options.ini when it is created
    {
        TMainForm main;
        main.show();
        QApplication::processEvents();
        auto* list = main.findChild<QTreeWidget*>("ListView1");
        if (list->topLevelItemCount() > 1)
            list->setCurrentItem(list->topLevelItem(1));
        ok &= Save(main, out + '/' + prefix + "main.png");
        main.Controller().CloseQuery();
    }
    TfrmNoDeviceHint hint;
    ok &= Save(hint, out + '/' + prefix + "nodevicehint.png");
    return ok ? 0 : 1;
}
