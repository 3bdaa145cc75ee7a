// The shipped language files against the sources: every message key the program looks up is
// in both files, the German file translates everything the English one has, and the English
// file's messages match the built-in texts they stand for.
#include "platform/IniFile.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <ostream>

#include <map>

// Readable failure output for texts.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

const QString Messages = QStringLiteral("ResourceString");

TIniFile ShippedFile(const QString& language) {
    return TIniFile(SourceDir() + "/lang/CLan_" + language + ".ini");
}

struct TSourceFile {
    QString Name;
    QString Text;
};

std::vector<TSourceFile> SourceFiles() {
    std::vector<TSourceFile> files;
    QDirIterator it(SourceDir() + "/src", {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.push_back({path.mid(SourceDir().size() + 1), QString::fromUtf8(ReadFile(path))});
    }
    return files;
}

int LineOf(const QString& text, qsizetype offset) {
    return int(text.left(offset).count('\n')) + 1;
}

TEST(LanguageKeysTest, EveryKeyUsedInTheSourcesIsInBothShippedFiles) {
    const TIniFile english = ShippedFile("English");
    const TIniFile german = ShippedFile("German");
    ASSERT_TRUE(english.SectionExists(Messages));
    ASSERT_TRUE(german.SectionExists(Messages));

    // Any quoted message key counts, so keys kept in tables are checked as well as direct calls.
    const QRegularExpression key(QStringLiteral("\"(RES_[A-Za-z0-9_]+)\""));
    for (const TSourceFile& file : SourceFiles()) {
        for (auto m = key.globalMatch(file.Text); m.hasNext();) {
            const QRegularExpressionMatch match = m.next();
            const QString name = match.captured(1);
            const std::string where =
                (file.Name + ':' + QString::number(LineOf(file.Text, match.capturedStart())) + ' ' + name)
                    .toStdString();
            EXPECT_TRUE(english.ValueExists(Messages, name)) << "not in CLan_English.ini: " << where;
            EXPECT_TRUE(german.ValueExists(Messages, name)) << "not in CLan_German.ini: " << where;
        }
    }
}

TEST(LanguageKeysTest, GermanTranslatesEveryEnglishKeyAndNoOthers) {
    const TIniFile english = ShippedFile("English");
    const TIniFile german = ShippedFile("German");
    ASSERT_FALSE(english.Sections().isEmpty());
    for (const QString& section : english.Sections()) {
        for (const QString& name : english.Keys(section)) {
            const std::string where = (section + '/' + name).toStdString();
            EXPECT_TRUE(german.ValueExists(section, name)) << "untranslated: " << where;
            EXPECT_FALSE(german.ReadString(section, name, QString()).trimmed().isEmpty()) << "empty: " << where;
            // A message joined to a file name or number keeps the separating blank.
            if (english.ReadString(section, name, QString()).startsWith(' ')) {
                EXPECT_TRUE(german.ReadString(section, name, QString()).startsWith(' ')) << where;
            }
        }
    }
    // A key only the German file has is a typo or a leftover.
    for (const QString& section : german.Sections()) {
        for (const QString& name : german.Keys(section)) {
            EXPECT_TRUE(english.ValueExists(section, name)) << "unknown key: " << (section + '/' + name).toStdString();
        }
    }
}

TEST(LanguageKeysTest, EnglishMessagesMatchTheBuiltInTexts) {
    const TIniFile english = ShippedFile("English");
    // Values that must start or end with a blank survive the INI reader through their quotes.
    EXPECT_EQ(english.ReadString(Messages, "RES_File_Exist", QString()), " has existed,overite it?");
    EXPECT_EQ(english.ReadString(Messages, "RES_Play", QString()), "Play ");

    // LoadResText("RES_x", "text") and wrappers named ...ResText, with plain or QStringLiteral /
    // QLatin1String literals; texts with escapes or built from pieces are not compared.
    const QRegularExpression call(QStringLiteral(
        R"re(ResText\s*\(\s*(?:(?:QStringLiteral|QLatin1String)\s*\(\s*)?"(RES_[A-Za-z0-9_]+)"\s*\)?\s*,\s*(?:(?:QStringLiteral|QLatin1String)\s*\(\s*)?"([^"\\]*)"\s*\)?\s*\))re"));
    std::map<QString, QString> seen;
    for (const TSourceFile& file : SourceFiles()) {
        for (auto m = call.globalMatch(file.Text); m.hasNext();) {
            const QRegularExpressionMatch match = m.next();
            const QString name = match.captured(1);
            const QString text = match.captured(2);
            const std::string where =
                (file.Name + ':' + QString::number(LineOf(file.Text, match.capturedStart())) + ' ' + name)
                    .toStdString();
            if (!english.ValueExists(Messages, name))
                continue; // reported by the key test
            EXPECT_EQ(english.ReadString(Messages, name, QString()), text) << where;
            // One key, one English text everywhere it is used.
            const auto [it, inserted] = seen.emplace(name, text);
            EXPECT_TRUE(inserted || it->second == text) << where << " differs from an earlier use";
        }
    }
}

} // namespace
