// The manual without a web browser: a page the desktop cannot open shows in the program's own
// window at its section; with a browser nothing else opens; what is not a page of the manual is
// left to the desktop alone.
#include "widgets/ManualWindow.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class ManualWindowTest : public ::testing::Test {
protected:
    ~ManualWindowTest() override { SetUrlOpener(nullptr); }
    QUrl Section(const char* anchor) const {
        QUrl url = QUrl::fromLocalFile(SourceDir() + "/help/index.html");
        url.setFragment(anchor);
        return url;
    }
    QWidget Owner;
    QStringList Opened;
};

TEST_F(ManualWindowTest, WithoutABrowserTheManualOpensInAWindowOfTheProgram) {
    SetUrlOpener([this](const QUrl& url) {
        Opened << url.toString();
        return false;
    });
    ASSERT_TRUE(OpenInDesktop(&Owner, Section("about").toString()));
    auto* window = Owner.findChild<TfrmManual*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Browser()->source(), Section("about"));
    EXPECT_TRUE(window->Browser()->toPlainText().contains("Discwright"));
    EXPECT_EQ(Opened.size(), 1);

    // Another section goes to the same window.
    ASSERT_TRUE(OpenInDesktop(&Owner, Section("translating").toString()));
    EXPECT_EQ(Owner.findChildren<TfrmManual*>().size(), 1);

    // A folder the desktop cannot open is not the manual's business.
    EXPECT_FALSE(OpenInDesktop(&Owner, SourceDir() + "/help"));
}

TEST_F(ManualWindowTest, WithABrowserOnlyTheBrowserOpensThePage) {
    SetUrlOpener([this](const QUrl& url) {
        Opened << url.toString();
        return true;
    });
    ASSERT_TRUE(OpenInDesktop(&Owner, Section("about").toString()));
    EXPECT_EQ(Opened, QStringList{Section("about").toString()});
    EXPECT_EQ(Owner.findChild<TfrmManual*>(), nullptr);
}

} // namespace
