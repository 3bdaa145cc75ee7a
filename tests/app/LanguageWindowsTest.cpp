// Every language of the Language menu on the windows themselves (offscreen): switching to it in
// the main window leaves each text its file translates showing the translation (the main
// window, its menus and the options dialog, then every dialog as it opens), and the
// accelerators of each menu, and of each dialog page, are unique.
#include "app/About.h"
#include "app/MainFixture.h"
#include "app/MainForm.h"
#include "app/NoDeviceHint.h"
#include "app/OptionSetForm.h"
#include "audio/NewResampleWavForm.h"
#include "cddb/forms/frmQueryCDDB.h"
#include "core/Settings.h"
#include "platform/IniFile.h"
#include "record/NewRecordFileForm.h"
#include "record/RecordForm.h"
#include "tags/EditTrackNameForm.h"
#include "tags/ID3EditForm.h"
#include "vorbis/OggPlayerForm.h"
#include "widgets/Language.h"
#include "widgets/ManualWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace {

// The text a window shows for a key of its language section; `found` false for a key that
// names nothing (a misspelt key would leave its control untranslated for good).
QString ShownText(QWidget& window, const QString& key, bool menus, bool& found) {
    found = true;
    if (menus) {
        if (auto* menu = window.findChild<QMenu*>(key))
            return menu->title();
        if (auto* action = window.findChild<QAction*>(key))
            return action->text();
        found = false;
        return {};
    }
    if (key == window.objectName())
        return window.windowTitle();
    const QRegularExpression part(QStringLiteral("^(.*)_(Column|Page|Item)(\\d+)$"));
    if (const auto m = part.match(key); m.hasMatch()) {
        const QString name = m.captured(1);
        const int index = m.captured(3).toInt();
        if (auto* tree = window.findChild<QTreeWidget*>(name); tree && m.captured(2) == "Column")
            return tree->headerItem()->text(index);
        if (auto* tabs = window.findChild<QTabWidget*>(name); tabs && m.captured(2) == "Page")
            return tabs->tabText(index);
        if (auto* combo = window.findChild<QComboBox*>(name); combo && m.captured(2) == "Item")
            return combo->itemText(index);
    }
    if (auto* label = window.findChild<QLabel*>(key))
        return label->text();
    if (auto* button = window.findChild<QAbstractButton*>(key))
        return button->text();
    if (auto* group = window.findChild<QGroupBox*>(key))
        return group->title();
    found = false;
    return {};
}

// Every key of the window's sections in the language file shows its value.
void ExpectTranslated(QWidget& window, const TIniFile& file, const std::string& language) {
    const QString section = window.objectName();
    for (const bool menus : {false, true}) {
        const QString name = menus ? "Menu_" + section : section;
        for (const QString& key : file.Keys(name)) {
            // The main window's caption carries the version and stays as it is.
            if (!menus && key == QLatin1String("MainForm"))
                continue;
            bool found = false;
            const QString shown = ShownText(window, key, menus, found);
            EXPECT_TRUE(found) << language << ": " << name.toStdString() << '/' << key.toStdString()
                               << " names nothing";
            if (found) {
                EXPECT_EQ(shown.toStdString(), file.ReadString(name, key, QString()).toStdString())
                    << language << ": " << name.toStdString() << '/' << key.toStdString();
            }
        }
    }
}

QChar Accelerator(QString text) {
    text.remove(QStringLiteral("&&"));
    const qsizetype at = text.indexOf('&');
    return at >= 0 && at + 1 < text.size() ? text[at + 1].toUpper() : QChar();
}

// The accelerators of the texts are unique.
void ExpectUnique(const QStringList& texts, const std::string& where) {
    std::map<QChar, QString> seen;
    for (const QString& text : texts) {
        const QChar key = Accelerator(text);
        if (key.isNull())
            continue;
        const auto [it, inserted] = seen.emplace(key, text);
        EXPECT_TRUE(inserted) << where << ": \"" << text.toStdString() << "\" and \"" << it->second.toStdString()
                              << "\" share an accelerator";
    }
}

// Each menu of the window (the Language menu lists the languages by their own names and is
// left out), the menu bar's titles, and the buttons, group boxes and labels of each page of
// the window (a widget outside the pages of a tab widget is on every page).
void ExpectUniqueAccelerators(QWidget& window, const std::string& language) {
    const std::string where = language + ", " + window.objectName().toStdString();
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        if (menu->objectName() == QLatin1String("miLanguage"))
            continue;
        QStringList texts;
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                texts << action->text();
        ExpectUnique(texts, where + " menu " + menu->objectName().toStdString());
    }
    if (auto* main = qobject_cast<QMainWindow*>(&window)) {
        QStringList titles;
        for (QAction* action : main->menuBar()->actions())
            titles << action->text();
        ExpectUnique(titles, where + " menu bar");
    }
    // The page a widget lies on, or null for the window itself.
    const auto pageOf = [&window](QWidget* w) -> QWidget* {
        for (QWidget* p = w; p && p != &window; p = p->parentWidget())
            if (qobject_cast<QStackedWidget*>(p->parentWidget()) &&
                qobject_cast<QTabWidget*>(p->parentWidget()->parentWidget()))
                return p;
        return nullptr;
    };
    std::map<QWidget*, QStringList> pages;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            text = group->title();
        else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy())
            text = label->text();
        if (!text.isEmpty())
            pages[pageOf(w)] << text;
    }
    const QStringList common = pages[nullptr];
    for (const auto& [page, texts] : pages)
        if (page)
            ExpectUnique(common + texts, where + " page " + page->objectName().toStdString());
    ExpectUnique(common, where);
}

class LanguageWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const QFileInfo& file : QDir(SourceDir() + "/lang").entryInfoList({"CLan_*.ini"}, QDir::Files))
            ASSERT_TRUE(QFile::copy(file.filePath(), F.Folder.File(file.fileName())));
        Disc = F.Disc("album", {{300, false}, {200, false}});
        F.WriteOptions({Disc.CuePath});
    }
    void TearDown() override {
        // The next test starts left to right with Qt's own texts.
        ApplyApplicationLanguage(QStringLiteral("English"));
    }

    TMainFixture F;
    TDiscImage Disc;
};

TEST_F(LanguageWindowsTest, EveryLanguageTranslatesTheWindowsItHasTextsFor) {
    TMainForm form;
    form.show();
    const QMenu* languages = form.findChild<QMenu*>("miLanguage");
    ASSERT_NE(languages, nullptr);
    int switched = 0;
    for (QAction* item : languages->actions()) {
        if (item->isSeparator() || item->objectName() == QLatin1String("miOther"))
            continue;
        const QString language = item->objectName().mid(2);
        const std::string name = language.toStdString();
        const QString path = F.Folder.File("CLan_" + language + ".ini");
        ASSERT_TRUE(QFile::exists(path)) << "the Language menu offers " << name << " but it has no file";
        item->trigger();
        ASSERT_EQ(Settings.Lan, language);
        ++switched;
        const TIniFile file(path);
        EXPECT_EQ(QApplication::layoutDirection(),
                  file.ReadString("Language", "Direction", QString()) == QLatin1String("RightToLeft") ? Qt::RightToLeft
                                                                                                      : Qt::LeftToRight)
            << name;
        ExpectTranslated(form, file, name);
        ExpectUniqueAccelerators(form, name);

        // Every dialog takes the language when it is shown.
        std::vector<std::unique_ptr<QWidget>> dialogs;
        dialogs.push_back(std::make_unique<TOptionSetForm>(&form.Controller(), &form));
        dialogs.push_back(std::make_unique<TfrmID3Edit>(&form));
        dialogs.push_back(std::make_unique<TfrmEditTrackName>(&form));
        dialogs.push_back(std::make_unique<TfrmNoDeviceHint>(&form));
        dialogs.push_back(std::make_unique<TfrmAbout>(&form));
        dialogs.push_back(std::make_unique<TfrmNewRecordFile>(&form));
        dialogs.push_back(std::make_unique<TfrmRecord>(&form));
        dialogs.push_back(std::make_unique<TfrmOggPlayer>(&form));
        dialogs.push_back(std::make_unique<TfrmQueryCDDB>(&form));
        dialogs.push_back(std::make_unique<TfrmResample>(&form));
        dialogs.push_back(std::make_unique<TfrmManual>(&form));
        for (const auto& dialog : dialogs) {
            // The manual window deletes itself when closed; here it is owned by the test.
            dialog->setAttribute(Qt::WA_DeleteOnClose, false);
            dialog->show();
            ExpectTranslated(*dialog, file, name);
            ExpectUniqueAccelerators(*dialog, name);
            dialog->hide();
        }
    }
    EXPECT_EQ(switched, 21);
    form.Controller().CloseQuery();
}

} // namespace
