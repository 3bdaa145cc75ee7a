// Renders the dialogs to PNG files so their layout can be looked at without a screen:
//   dw_screenshots OUTPUT_FOLDER [LANGUAGE] [--dark]
// Run under QT_QPA_PLATFORM=offscreen (scripts/screenshots does; with QT_SCALE_FACTOR=2 for a
// screen of twice the density). --dark renders under a dark palette, as a desktop's dark theme
// gives it. Settings, language files and
// a disc-image drive live in a temporary program folder; nothing of the user's is read. The
// main window shows the disc image named by DW_DEMO_DISC (scripts/demo-disc makes one), or a
// test image when it is not set; the job windows rip its first track. The CDDB windows talk
// to a server of our own on 127.0.0.1, and the Ogg player plays into SDL's disk driver (to
// /dev/null), so nothing reaches the network or the speakers.
#include "app/MainForm.h"
#include "app/NoDeviceHint.h"
#include "app/OptionSetForm.h"
#include "audio/NewResampleWavForm.h"
#include "cd/CDIn.h"
#include "cd/DiscKey.h"
#include "cd/akrip32.h"
#include "cddb/CddbTestServer.h"
#include "cddb/QueryCDDBThread.h"
#include "cddb/forms/frmQueryCDDB.h"
#include "cddb/forms/frmStopQuery.h"
#include "cddb/protocol/CddbHttp.h"
#include "core/DiscInfo.h"
#include "core/Settings.h"
#include "fixtures/DiscImage.h"
#include "jobs/DriveLibrarySource.h"
#include "jobs/RipForm.h"
#include "jobs/RipProgressForm.h"
#include "metadata/forms/ReleaseChooserForm.h"
#include "record/NewRecordFileForm.h"
#include "record/RecordForm.h"
#include "support/TestSupport.h"
#include "tags/EditTrackNameForm.h"
#include "tags/Genres.h"
#include "tags/ID3EditForm.h"
#include "vorbis/OggPlayerForm.h"
#include "vorbis/VorbisTestSupport.h"
#include "widgets/FlatGauge.h"
#include "widgets/Language.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QPixmap>
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

// The index of the disc-image drive in the drive list (physical drives come first).
int ImageDriveIndex() {
    TCDDriveList list{};
    list.Capacity = MaxCDDrives;
    GetCDList(&list);
    for (int i = 0; i < list.Count; ++i)
        if (list.Drives[i].Adapter == 1)
            return i;
    return 0;
}

// A job window once its gauge has moved; the job is stopped afterwards.
template <class TForm> bool SaveDuringJob(TForm& form, const QString& path) {
    form.show();
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    // A step of a short track is over in moments: the picture is taken the moment the gauge
    // shows, before another event can start the next step.
    QPixmap picture;
    WaitUntil([&] {
        const int progress = form.Gauge()->Progress();
        if (form.isVisible() && progress > 0 && progress < 100)
            picture = form.grab();
        return !picture.isNull() || !form.isVisible();
    });
    const bool ok = !picture.isNull() && picture.save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "no progress shown for", qPrintable(path));
    form.Job().Stop();
    WaitUntil([&] { return form.IsOver() || !form.isVisible(); }, 5000);
    form.accept();
    return ok;
}

// The job window and the CD rip window ripping the first track of the image drive to MP3.
bool SaveJobWindows(const QString& out, const QString& prefix, const QString& title) {
    bool ok = true;
    TRipRequest request = TRipRequest::From(Settings, CurrentDisc);
    request.SetTracks({{1, title}});
    if (const int handle = OpenCDDriveAt(ImageDriveIndex())) {
        TRipForm rip(nullptr, std::make_unique<TRipPipeline>(
                                  request, std::make_unique<TDriveLibrarySource>(request, handle), TRipWindow::Job));
        ok &= SaveDuringJob(rip, out + '/' + prefix + "rip.png");
        CloseCDHandle(handle);
    }
    TCDIn cdIn;
    cdIn.SetDriveIndex(ImageDriveIndex());
    TfrmCDRip cdRip(nullptr, request, cdIn);
    ok &= SaveDuringJob(cdRip, out + '/' + prefix + "cdrip.png");
    return ok;
}

// The query dialog, and its stop window while the server keeps it waiting and after it found
// no match.
bool SaveCddbWindows(const QString& out, const QString& prefix) {
    bool ok = true;
    const int handle = OpenCDDriveAt(ImageDriveIndex());
    TfrmQueryCDDB dialog;
    dialog.FirstTrack = 1;
    dialog.LastTrack = 3;
    dialog.DriveHandle = handle;
    ok &= Save(dialog, out + '/' + prefix + "querycddb.png");
    dialog.hide();

    TCddbTestServer server;
    server.Hold(true);
    Settings.Server = server.Host();
    auto controller = std::make_unique<TStopQueryController>();
    controller->FirstTrack = 1;
    controller->LastTrack = 3;
    controller->DriveHandle = handle;
    TfrmStopQuery stop(std::move(controller));
    ok &= Save(stop, out + '/' + prefix + "stopquery.png");
    server.SetAnswer(QStringLiteral("cddb query"), "202 No match for disc ID 1f032003.\r\n");
    server.Release();
    if (WaitUntil([&] { return !stop.Logic().Running(); }, 10000))
        ok &= Save(stop, out + '/' + prefix + "stopquery-nomatch.png");
    else
        ok = false;
    stop.hide();
    WaitUntil([] { return TQueryCDDBThread::RunningCount() == 0; }, 10000);
    CloseCDHandle(handle);
    return ok;
}

// The Ogg player playing a file with comments (oggenc makes it).
bool SaveOggPlayer(const TTempProgramFolder& folder, const QString& out, const QString& prefix) {
    const QString wav = folder.File(QStringLiteral("Opening.wav"));
    WriteFile(wav, MakeWav(MakePcm16(44100 * 20, 2, 7), 2, 44100, 16));
    const QString ogg = MakeOggWithOggenc(
        wav, folder.File(QStringLiteral("Opening.ogg")),
        {"-q", "3", "-a", "The Band", "-t", "Opening", "-l", "Live at Home", "-d", "2003", "-G", "Rock", "-N", "1"});
    if (ogg.isEmpty()) {
        std::fprintf(stderr, "oggenc is missing: no picture of the Ogg player\n");
        return true;
    }
    // Played in real time into nothing.
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", "/dev/null");
    qunsetenv("SDL_DISKAUDIODELAY");
    TfrmOggPlayer player;
    player.ChooseFile = [&](QWidget*) { return ogg; };
    player.show();
    player.BitBtn1->click();
    WaitUntil([&] { return player.Controller().DXAudioOut1.Device().BytesPlayed() > 4 * 44100 * 2; }, 5000);
    const bool ok = Save(player, out + '/' + prefix + "oggplayer.png");
    player.bStop->click();
    WaitUntil([&] { return player.BitBtn1->isEnabled(); }, 5000);
    player.bClose->click();
    return ok;
}

} // namespace

// A dark palette as desktops' dark themes set it (the colours of Fusion's dark scheme).
void UseDarkPalette() {
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(55, 55, 58));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Light, QColor(80, 80, 84));
    dark.setColor(QPalette::Midlight, QColor(65, 65, 68));
    dark.setColor(QPalette::Mid, QColor(110, 110, 115));
    dark.setColor(QPalette::Dark, QColor(25, 25, 27));
    dark.setColor(QPalette::Shadow, QColor(10, 10, 10));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(110, 170, 255));
    dark.setColor(QPalette::PlaceholderText, QColor(140, 140, 140));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    QApplication::setPalette(dark);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool dark = args.removeAll(QStringLiteral("--dark")) > 0;
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: dw_screenshots OUTPUT_FOLDER [LANGUAGE] [--dark]\n");
        return 2;
    }
    if (dark)
        UseDarkPalette();
    const QString out = QDir(args[0]).absolutePath();
    const QString language = args.size() > 1 ? args[1] : QStringLiteral("English");
    QDir().mkpath(out);
    const QString prefix = IsEnglish(language) ? QString() : language.toLower() + '-';

    TTempProgramFolder folder;
    QFile::copy(SourceDir() + "/lang/CLan_" + language + ".ini", folder.File("CLan_" + language + ".ini"));
    Settings.Lan = language;
    // Qt's own texts and the writing direction, as the main window sets them at start.
    ApplyApplicationLanguage(language);
    QDir().mkpath(Settings.OutputFolder);
    Settings.Images = MakeDiscImage(folder.Path(), "Concert", {{75}}).CuePath;
    CurrentDisc.Artist = "The Band";
    CurrentDisc.Album = "Live at Home";
    CurrentDisc.Year = "2003";
    CurrentDisc.Genre = GenreIndexOf("Rock");

    bool ok = true;
    TScreenshotHost host;
    TOptionSetForm options(&host);
    options.show();
    auto* pages = options.findChild<QTabWidget*>("PageControl1");
    const QStringList names = {"output", "mp3", "ogg", "wma", "id3", "cdrom", "flac"};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        ok &= Save(options, out + '/' + prefix + "options-" + names.value(page, QString::number(page)) + ".png");
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
        TDisc disc;
        if (ReadDisc(handle, disc)) {
            const QStringList names = {"Morning Arpeggios", "Pentatonic Walk", "Bells"};
            // The disc's fields above the list.
            CurrentDisc.Artist = "Discwright";
            CurrentDisc.Album = "Discwright Demo";
            CurrentDisc.Year = "2026";
            CurrentDisc.Genre = GenreIndexOf("Ambient");
            CurrentDisc.TrackNumber = int32_t(names.size());
            for (int n = 1; n <= names.size(); ++n)
                CurrentDisc.Titles[n] = names[n - 1];
            SaveDiscInfo(disc.Key());
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
    // The release chooser with two releases of a disc.
    {
        TDiscCandidate first;
        first.Artist = "Some Band feat. Guest";
        first.Album = "First Album";
        first.Year = "1999";
        first.Country = "GB";
        first.Format = "CD";
        first.Label = "Label One, Label Two";
        first.Barcode = "5012345678900";
        first.TrackCount = 12;
        TDiscCandidate second = first;
        second.Artist = "Some Band";
        second.Album = "First Album (Deluxe)";
        second.Year = "2009";
        second.Country = "US";
        second.Format = "Enhanced CD";
        second.Barcode.clear();
        TReleaseChooser chooser({first, second});
        TfrmReleaseChooser window(chooser, "MusicBrainz");
        ok &= Save(window, out + '/' + prefix + "releasechooser.png");
    }
    TfrmNoDeviceHint hint;
    ok &= Save(hint, out + '/' + prefix + "nodevicehint.png");
    hint.hide();

    ok &= SaveJobWindows(out, prefix,
                         CurrentDisc.Titles[1].isEmpty() ? QStringLiteral("Track01") : CurrentDisc.Titles[1]);
    // Short limits: a query of the stop window must not outlive the program.
    SetHttpLimits(2000, 5000);
    ok &= SaveCddbWindows(out, prefix);
    ok &= SaveOggPlayer(folder, out, prefix);

    // The recorder without a document, the format of a new recording, and the Wave File
    // Converter with an input chosen.
    TfrmRecord recorder;
    ok &= Save(recorder, out + '/' + prefix + "record.png");
    recorder.hide();
    TfrmNewRecordFile newRecording;
    ok &= Save(newRecording, out + '/' + prefix + "newrecordfile.png");
    newRecording.hide();
    const QString wav = folder.File("input.wav");
    WriteFile(wav, MakeWav(MakePcm16(44100, 2, 7), 2, 44100, 16));
    TfrmResample converter;
    converter.RunOpenDialog = [&] { return wav; };
    converter.show();
    converter.Button1Click();
    ok &= Save(converter, out + '/' + prefix + "wavtowav.png");
    converter.hide();
    return ok ? 0 : 1;
}
