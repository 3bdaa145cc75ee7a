// Language packs: message look-up, applying a language file to a widget tree, and switching
// the language from the Language menu.
#include "widgets/Language.h"
#include "core/Settings.h"
#include "platform/Prompter.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <ostream>

#include <memory>

// Readable failure output for texts.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

void WriteLanguage(const TTempProgramFolder& folder, const QString& language, const QString& text) {
    ASSERT_TRUE(WriteFile(folder.File("CLan_" + language + ".ini"), text.toUtf8()));
}

// Installs a scripted prompter for the life of the object.
class TPrompterScope {
public:
    TPrompterScope() { SetPrompter(&Scripted); }
    ~TPrompterScope() { SetPrompter(nullptr); }
    TScriptedPrompter Scripted;
};

// ---------------------------------------------------------------------------------------------
// LoadResText

TEST(LoadResTextTest, EnglishInAnyCaseGivesBuiltInTextWithoutReadingAFile) {
    TTempProgramFolder folder;
    // Files that would change the text if they were read.
    const QString bogus = "[ResourceString]\nRES_Play=from the file\n";
    WriteLanguage(folder, "English", bogus);
    WriteLanguage(folder, "english", bogus);
    WriteLanguage(folder, "ENGLISH", bogus);
    for (const char* lan : {"English", "english", "ENGLISH", "eNgLiSh"}) {
        Settings.Lan = lan;
        EXPECT_EQ(LoadResText("RES_Play", "Play "), "Play ") << lan;
        EXPECT_EQ(LoadResText("RES_Unknown_Key", "built in"), "built in") << lan;
    }
}

TEST(LoadResTextTest, OtherLanguageReadsItsFileAtEachLookup) {
    TTempProgramFolder folder;
    Settings.Lan = "German";
    WriteLanguage(folder, "German", "[resourcestring]\nres_play=\" Abspielen \"\nRES_Encoding=Kodieren\n");
    // Sections and keys ignore case; quotes keep the blanks a message is joined with.
    EXPECT_EQ(LoadResText("RES_Play", "Play "), " Abspielen ");
    EXPECT_EQ(LoadResText("RES_Encoding", "Encoding"), "Kodieren");
    // A key the file lacks gives an empty message, not the English text.
    EXPECT_EQ(LoadResText("RES_Decoding", "Decoding"), "");

    // The file is opened for each lookup: a changed file shows at once.
    WriteLanguage(folder, "German", "[ResourceString]\nRES_Encoding=Verschlüsseln\n");
    EXPECT_EQ(LoadResText("RES_Encoding", "Encoding"), QString::fromUtf8("Verschlüsseln"));

    // So does a changed language, and a language without a file gives empty messages.
    Settings.Lan = "French";
    EXPECT_EQ(LoadResText("RES_Encoding", "Encoding"), "");
}

TEST(LoadResTextTest, FileWithoutResourceStringSectionGivesEmptyMessages) {
    TTempProgramFolder folder;
    Settings.Lan = "German";
    WriteLanguage(folder, "German", "[MainForm]\nMainForm=Hauptfenster\nRES_Play=not a message section\n");
    EXPECT_EQ(LoadResText("RES_Play", "Play "), "");
    EXPECT_EQ(LoadResText("RES_Select_Track", "Please select a track at least!"), "");
}

TEST(LoadResTextTest, ShippedGermanFileDecodesUmlautsAndKeepsJoiningBlanks) {
    TTempProgramFolder folder;
    ASSERT_TRUE(QFile::copy(SourceDir() + "/lang/CLan_German.ini", folder.File("CLan_German.ini")));
    Settings.Lan = "German";
    const QString exists = LoadResText("RES_File_Exist", " has existed,overite it?");
    EXPECT_TRUE(exists.startsWith(' ')) << exists.toStdString();
    EXPECT_TRUE(exists.contains(QChar(0xDC))) << exists.toStdString(); // "Ü"
    EXPECT_FALSE(exists.contains('"'));
    EXPECT_FALSE(LoadResText("RES_Select_Track", "Please select a track at least!").isEmpty());
}

// ---------------------------------------------------------------------------------------------
// ApplyLanguage

// A main window with one control of each kind the language files translate.
struct TTestWindow {
    std::unique_ptr<QMainWindow> Window = std::make_unique<QMainWindow>();
    QLabel* Label;
    QPushButton* Button;
    QPushButton* Untranslated;
    QCheckBox* Check;
    QGroupBox* Group;
    QRadioButton* Radio;
    QToolButton* Tool;
    QComboBox* Combo;
    QComboBox* EditCombo;
    QLineEdit* Edit;
    QTreeWidget* Tree;
    QTabWidget* Tabs;
    QStatusBar* PanelBar;
    QLabel* Panel0;
    QLabel* Panel1;
    QStatusBar* SimpleBar;
    QMenu* FileMenu;
    QAction* Open;
    QAction* Separator;
    QAction* Exit;

    TTestWindow() {
        QMainWindow* w = Window.get();
        w->setObjectName("MainForm");
        w->setWindowTitle("Discwright");
        auto* central = new QWidget(w);
        auto* layout = new QVBoxLayout(central);
        w->setCentralWidget(central);
        auto named = [&](auto* widget, const char* name) {
            widget->setObjectName(name);
            layout->addWidget(widget);
            return widget;
        };
        Label = named(new QLabel("Output folder:"), "lbFolder");
        Button = named(new QPushButton("&Start"), "btStart");
        Untranslated = named(new QPushButton("&Help"), "btHelp");
        Check = named(new QCheckBox("Keep WAV"), "ckbKeepWav");
        Group = named(new QGroupBox("Format"), "GroupBox1");
        Radio = new QRadioButton("MP3", Group);
        Radio->setObjectName("rbMp3");
        Tool = named(new QToolButton(), "tbHome");
        Tool->setText("Home");
        Combo = named(new QComboBox(), "cbFormat");
        Combo->addItems({"MP3", "WAV", "OGG"});
        EditCombo = named(new QComboBox(), "cbServer");
        EditCombo->setEditable(true);
        EditCombo->setEditText("freedb.org");
        Edit = named(new QLineEdit("/music"), "eFolder");
        Tree = named(new QTreeWidget(), "lvTracks");
        Tree->setHeaderLabels({"No.", "Title", "Length"});
        Tabs = named(new QTabWidget(), "pcOptions");
        Tabs->addTab(new QWidget, "Output");
        Tabs->addTab(new QWidget, "Encoder");
        SimpleBar = named(new QStatusBar(), "StatusBar2");
        SimpleBar->showMessage("Ready");

        PanelBar = w->statusBar();
        PanelBar->setObjectName("StatusBar1");
        // Created on the window, as the main window does; adding moves it into the bar.
        Panel0 = new QLabel("Idle", w);
        Panel0->setObjectName("StatusPanel1");
        PanelBar->addWidget(Panel0, 1);
        Panel1 = new QLabel("00:00", PanelBar);
        PanelBar->addPermanentWidget(Panel1);

        FileMenu = w->menuBar()->addMenu("&File");
        FileMenu->setObjectName("miFile");
        Open = FileMenu->addAction("&Open...");
        Open->setObjectName("miOpen");
        Separator = FileMenu->addSeparator();
        Separator->setObjectName("N1");
        Exit = FileMenu->addAction("E&xit");
        Exit->setObjectName("miExit");
    }
};

const char* const GermanCaptions = R"([MainForm]
MainForm=Hauptfenster
lbFolder=Ausgabeordner:
btStart=&Starten
ckbKeepWav=WAV behalten
GroupBox1=Ausgabeformat
rbMp3=MP3-Datei
tbHome=Startseite
cbFormat_Item0=MP3-Datei
cbFormat_Item2=Ogg-Datei
cbServer_Text=cddb.example.org
eFolder=must not be applied to an edit
lvTracks_Column0=Nr.
lvTracks_Column1=Titel
pcOptions_Page0=Ausgabe
pcOptions_Page1=Kodierer
StatusBar1_Panel0=Bereit
StatusBar2=Kein Laufwerk

[Menu_MainForm]
miFile=&Datei
miOpen=Ö&ffnen...
N1=must not be applied to a separator
miExit=&Beenden
)";

TEST(ApplyLanguageTest, TranslatesEveryKindOfControlAndKeepsTextsWithoutKey) {
    TTempProgramFolder folder;
    WriteLanguage(folder, "German", QString::fromUtf8(GermanCaptions));
    TTestWindow t;
    ApplyLanguage(t.Window.get(), "German");

    EXPECT_EQ(t.Window->windowTitle(), "Hauptfenster");
    // Caption group.
    EXPECT_EQ(t.Label->text(), "Ausgabeordner:");
    EXPECT_EQ(t.Button->text(), "&Starten");
    EXPECT_EQ(t.Check->text(), "WAV behalten");
    EXPECT_EQ(t.Group->title(), "Ausgabeformat");
    EXPECT_EQ(t.Radio->text(), "MP3-Datei");
    EXPECT_EQ(t.Tool->text(), "Startseite");
    EXPECT_EQ(t.Untranslated->text(), "&Help");
    // Combo boxes: items by index, the text of an editable one.
    EXPECT_EQ(t.Combo->itemText(0), "MP3-Datei");
    EXPECT_EQ(t.Combo->itemText(1), "WAV");
    EXPECT_EQ(t.Combo->itemText(2), "Ogg-Datei");
    EXPECT_EQ(t.EditCombo->currentText(), "cddb.example.org");
    // Edits are left alone.
    EXPECT_EQ(t.Edit->text(), "/music");
    // List view columns and page captions.
    EXPECT_EQ(t.Tree->headerItem()->text(0), "Nr.");
    EXPECT_EQ(t.Tree->headerItem()->text(1), "Titel");
    EXPECT_EQ(t.Tree->headerItem()->text(2), "Length");
    EXPECT_EQ(t.Tabs->tabText(0), "Ausgabe");
    EXPECT_EQ(t.Tabs->tabText(1), "Kodierer");
    // Status bars: panels by index, a simple bar by its name.
    EXPECT_EQ(t.Panel0->text(), "Bereit");
    EXPECT_EQ(t.Panel1->text(), "00:00");
    EXPECT_EQ(t.SimpleBar->currentMessage(), "Kein Laufwerk");
    // Menu items from the window's menu section; separators are skipped.
    EXPECT_EQ(t.FileMenu->title(), "&Datei");
    EXPECT_EQ(t.Open->text(), QString::fromUtf8("Ö&ffnen..."));
    EXPECT_EQ(t.Exit->text(), "&Beenden");
    EXPECT_TRUE(t.Separator->text().isEmpty());
}

TEST(ApplyLanguageTest, MissingFileOrOtherWindowsSectionChangesNothing) {
    TTempProgramFolder folder;
    // A section for another window must not leak into this one.
    WriteLanguage(folder, "German",
                  "[OptionSetForm]\nOptionSetForm=Optionen\nbtStart=Los\n"
                  "[Menu_OptionSetForm]\nmiExit=Ende\n");
    for (const char* language : {"German", "Kurdish"}) {
        TTestWindow t;
        ApplyLanguage(t.Window.get(), language);
        EXPECT_EQ(t.Window->windowTitle(), "Discwright") << language;
        EXPECT_EQ(t.Button->text(), "&Start") << language;
        EXPECT_EQ(t.Exit->text(), "E&xit") << language;
        EXPECT_EQ(t.Combo->itemText(0), "MP3") << language;
        EXPECT_EQ(t.Panel0->text(), "Idle") << language;
        EXPECT_EQ(t.SimpleBar->currentMessage(), "Ready") << language;
    }
}

// ---------------------------------------------------------------------------------------------
// SwitchLanguage

// A main window with a Language menu as the main window has it.
struct TLanguageMenuWindow {
    std::unique_ptr<QMainWindow> Window = std::make_unique<QMainWindow>();
    QLabel* Label;
    QMenu* Menu;

    explicit TLanguageMenuWindow(bool useGroup = false) {
        Window->setObjectName("MainForm");
        Window->setWindowTitle("Discwright");
        Label = new QLabel("Output folder:", Window.get());
        Label->setObjectName("lbFolder");
        Window->setCentralWidget(Label);
        Menu = Window->menuBar()->addMenu("&Language");
        Menu->setObjectName("miLanguage");
        auto* group = useGroup ? new QActionGroup(Menu) : nullptr;
        for (const char* name : {"miEnglish", "miGerman", "miFrench", "-", "miOther"}) {
            QAction* a = QString(name) == "-" ? Menu->addSeparator() : Menu->addAction(QString(name).mid(2));
            if (a->isSeparator())
                continue;
            a->setObjectName(name);
            a->setCheckable(true);
            if (group)
                group->addAction(a);
        }
        Item("miEnglish")->setChecked(true);
    }
    QAction* Item(const char* name) const { return Window->findChild<QAction*>(name); }
    QStringList Checked() const {
        QStringList names;
        for (QAction* a : Menu->actions())
            if (a->isChecked())
                names << a->objectName();
        return names;
    }
};

void WriteEnglishAndGerman(const TTempProgramFolder& folder) {
    WriteLanguage(folder, "English",
                  "[MainForm]\nMainForm=Discwright\nlbFolder=Output folder:\n"
                  "[Menu_MainForm]\nmiLanguage=&Language\n");
    WriteLanguage(folder, "German",
                  "[MainForm]\nMainForm=Discwright (Deutsch)\nlbFolder=Ausgabeordner:\n"
                  "[Menu_MainForm]\nmiLanguage=&Sprache\n");
}

TEST(SwitchLanguageTest, ExistingFileSwitchesChecksAndApplies) {
    for (bool useGroup : {false, true}) {
        TTempProgramFolder folder;
        TPrompterScope prompter;
        WriteEnglishAndGerman(folder);
        Settings.Lan = "English";
        TLanguageMenuWindow t(useGroup);

        ASSERT_TRUE(SwitchLanguage(t.Window.get(), t.Item("miGerman")));
        EXPECT_EQ(Settings.Lan, "German");
        EXPECT_EQ(t.Checked(), QStringList{"miGerman"});
        EXPECT_EQ(t.Window->windowTitle(), "Discwright (Deutsch)");
        EXPECT_EQ(t.Label->text(), "Ausgabeordner:");
        EXPECT_EQ(t.Menu->title(), "&Sprache");

        // Back to English: its file is applied too, restoring the English captions.
        ASSERT_TRUE(SwitchLanguage(t.Window.get(), t.Item("miEnglish")));
        EXPECT_EQ(Settings.Lan, "English");
        EXPECT_EQ(t.Checked(), QStringList{"miEnglish"});
        EXPECT_EQ(t.Window->windowTitle(), "Discwright");
        EXPECT_EQ(t.Label->text(), "Output folder:");
        EXPECT_EQ(t.Menu->title(), "&Language");
        EXPECT_TRUE(prompter.Scripted.Shown().isEmpty());
    }
}

TEST(SwitchLanguageTest, MissingFileShowsNotFoundAndChangesNothing) {
    TTempProgramFolder folder;
    TPrompterScope prompter;
    WriteEnglishAndGerman(folder);
    Settings.Lan = "German";
    TLanguageMenuWindow t;
    ASSERT_TRUE(SwitchLanguage(t.Window.get(), t.Item("miGerman")));

    EXPECT_FALSE(SwitchLanguage(t.Window.get(), t.Item("miFrench")));
    const QString frenchPath = QDir::cleanPath(folder.File("CLan_French.ini"));
    ASSERT_EQ(prompter.Scripted.Shown(), QStringList{frenchPath + " can not be found."});
    EXPECT_EQ(prompter.Scripted.Icons(), QList<TPromptIcon>{TPromptIcon::None});
    EXPECT_EQ(Settings.Lan, "German");
    EXPECT_EQ(t.Checked(), QStringList{"miGerman"});
    EXPECT_EQ(t.Label->text(), "Ausgabeordner:");

    // English is no exception when its file is missing.
    QFile::remove(folder.File("CLan_English.ini"));
    EXPECT_FALSE(SwitchLanguage(t.Window.get(), t.Item("miEnglish")));
    ASSERT_EQ(prompter.Scripted.Shown().size(), 2);
    EXPECT_EQ(prompter.Scripted.Shown()[1], QDir::cleanPath(folder.File("CLan_English.ini")) + " can not be found.");
    EXPECT_EQ(Settings.Lan, "German");
    EXPECT_EQ(t.Checked(), QStringList{"miGerman"});
    EXPECT_EQ(t.Window->windowTitle(), "Discwright (Deutsch)");
}

TEST(SwitchLanguageTest, OtherInvitesToTranslateOrBehavesLikeAnyLanguage) {
    TTempProgramFolder folder;
    TPrompterScope prompter;
    Settings.Lan = "English";
    TLanguageMenuWindow t;

    EXPECT_FALSE(SwitchLanguage(t.Window.get(), t.Item("miOther")));
    ASSERT_EQ(prompter.Scripted.Shown().size(), 1);
    const QString text = prompter.Scripted.Shown()[0];
    const QString head = QDir::cleanPath(folder.File("CLan_Other.ini")) + " can not be found.\n\n";
    EXPECT_TRUE(text.startsWith(head)) << text.toStdString();
    EXPECT_GT(text.mid(head.size()).trimmed().size(), 20) << "the invitation follows the blank line";
    EXPECT_EQ(Settings.Lan, "English");

    WriteLanguage(folder, "Other", "[MainForm]\nlbFolder=Dossier de sortie :\n");
    EXPECT_TRUE(SwitchLanguage(t.Window.get(), t.Item("miOther")));
    EXPECT_EQ(prompter.Scripted.Shown().size(), 1);
    EXPECT_EQ(Settings.Lan, "Other");
    EXPECT_EQ(t.Checked(), QStringList{"miOther"});
    EXPECT_EQ(t.Label->text(), "Dossier de sortie :");
}

} // namespace
