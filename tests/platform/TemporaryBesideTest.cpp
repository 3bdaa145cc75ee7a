// Temporary files beside another file: exclusive creation, the name's form, names at the
// 255-byte limit, and the reason of a failure.
#include "platform/TemporaryBeside.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QStringList FilesOf(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files, QDir::Name);
}

TEST(TemporaryBesideTest, CreatesANewEmptyFileAndTouchesNoOther) {
    QTemporaryDir dir;
    const QString song = dir.path() + "/song.mp3";
    ASSERT_TRUE(WriteFile(song, "old"));
    QString error;
    const QString first = CreateTemporaryBeside(song, "song.mp3", ".part", error);
    const QString second = CreateTemporaryBeside(song, "song.mp3", ".part", error);
    EXPECT_TRUE(QRegularExpression("^song\\.mp3\\.[0-9a-f]{8}\\.part$").match(QFileInfo(first).fileName()).hasMatch())
        << first.toStdString();
    EXPECT_EQ(QFileInfo(first).path(), dir.path());
    EXPECT_NE(first, second);
    EXPECT_EQ(QFileInfo(first).size(), 0);
    EXPECT_EQ(ReadFile(song), "old");
    EXPECT_EQ(FilesOf(dir).size(), 3);
}

TEST(TemporaryBesideTest, LongNamesKeepTheirFileAndShortenTheStem) {
    QTemporaryDir dir;
    const QString ascii = QString(251, 'n') + ".wav";
    // Two-byte and four-byte characters: a shortened stem never ends in half of one.
    const QString umlauts = QString(125, QChar(0xE4)) + ".wav";
    const QString emoji = QString::fromUtf8("\xF0\x9F\x8E\xB5").repeated(62) + ".wav";
    for (const QString& name : {ascii, umlauts, emoji}) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_LE(QFile::encodeName(name).size(), 255);
        const QString path = dir.path() + '/' + name;
        ASSERT_TRUE(WriteFile(path, "audio"));
        QString error;
        const QString temporary = CreateTemporaryBeside(path, name, ".part", error);
        ASSERT_FALSE(temporary.isEmpty()) << error.toStdString();
        const QByteArray bytes = QFile::encodeName(QFileInfo(temporary).fileName());
        EXPECT_LE(bytes.size(), 255);
        EXPECT_GT(bytes.size(), 240);
        EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes);
        EXPECT_TRUE(name.startsWith(QFileInfo(temporary).fileName().chopped(14)));
        EXPECT_TRUE(QFileInfo::exists(temporary));
        EXPECT_EQ(ReadFile(path), "audio");
    }
}

TEST(TemporaryBesideTest, AFolderThatCannotTakeItGivesTheSystemsReason) {
    QTemporaryDir dir;
    QString error;
    EXPECT_TRUE(CreateTemporaryBeside(dir.path() + "/none/out.wav", "out.wav", ".part", error).isEmpty());
    EXPECT_EQ(error, "No such file or directory");
}

} // namespace
