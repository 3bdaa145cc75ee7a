// The GUI's start-up checks without a screen: when the environment and the Qt arguments leave
// no display, and the program's pages, which are sections of the shipped manual.
#include "platform/DisplayCheck.h"
#include "platform/ProductPages.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QMap>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString Reason(const QMap<QByteArray, QByteArray>& env, const QStringList& args = {}) {
    return MissingDisplayReason([&](const char* name) { return env.value(name); }, args);
}

TEST(DisplayCheckTest, OnlyPlatformsThatNeedADisplayServerWantOne) {
    const QString none = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    // Qt's default platform, and xcb or wayland asked for, need a display server.
    EXPECT_EQ(Reason({}), none);
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "xcb"}}), none);
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "wayland;xcb"}}), none);
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "wayland-egl"}}), none);
    EXPECT_EQ(Reason({}, {"-platform", "xcb:nograb"}), none);
    // Any of the variables leaves it to Qt.
    EXPECT_EQ(Reason({{"DISPLAY", ":0"}}), "");
    EXPECT_EQ(Reason({{"WAYLAND_DISPLAY", "wayland-0"}}), "");
    EXPECT_EQ(Reason({{"WAYLAND_SOCKET", "5"}}), "");
    EXPECT_EQ(Reason({}, {"-display", ":1"}), "");
    // Platforms without a display server, or one of them among the choices.
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "offscreen"}}), "");
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "xcb;vnc"}}), "");
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "Minimal"}}), "");
    // The command line wins over the environment, with one dash or two.
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "xcb"}}, {"-platform", "offscreen"}), "");
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "xcb"}}, {"--platform", "offscreen"}), "");
    EXPECT_EQ(Reason({{"QT_QPA_PLATFORM", "offscreen"}}, {"-platform", "xcb"}), none);

    EXPECT_EQ(NoDisplayLine(none), "discwright: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); run "
                                   "discwright-cli for the command line, or scripts/run to try the demo disc\n");
}

// Every page is a section the manual has, and no link is left to the web site that never
// existed.
TEST(ProductPagesTest, PagesAreSectionsOfTheShippedManual) {
    const QString manual = QString::fromUtf8(ReadFile(SourceDir() + "/help/index.html"));
    const QString source = QString::fromUtf8(ReadFile(SourceDir() + "/src/platform/ProductPages.cpp"));
    QStringList anchors;
    for (auto m = QRegularExpression(R"re(ManualSection\("([a-z]+)"\))re").globalMatch(source); m.hasNext();)
        anchors << m.next().captured(1);
    anchors.removeDuplicates();
    EXPECT_EQ(anchors, QStringList({"about", "updates", "translating"}));
    for (const QString& anchor : anchors)
        EXPECT_TRUE(manual.contains(QStringLiteral("id=\"%1\"").arg(anchor))) << anchor.toStdString();

    for (const char* folder : {"/src", "/lang", "/help"}) {
        QDirIterator it(SourceDir() + folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            EXPECT_FALSE(ReadFile(path).contains("discwright.example.org")) << path.toStdString();
        }
    }
    // A test program has no manual beside it: no page, rather than a page that is not there.
    EXPECT_EQ(HelpFilePath(), "");
    EXPECT_EQ(HomePageUrl(), "");
}

} // namespace
