// The shipped language files against the sources: every message key the program looks up is
// in every file, every translation has everything the English file has (arguments, joining
// blanks, accelerators, filter patterns), and the English file's messages match the built-in
// texts they stand for.
#include "platform/IniFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <ostream>

#include <map>
#include <utility>
#include <vector>

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

// Every shipped language file (lang/CLan_*.ini), by language name.
QStringList ShippedLanguages() {
    QStringList languages;
    for (const QFileInfo& file : QDir(SourceDir() + "/lang").entryInfoList({"CLan_*.ini"}, QDir::Files, QDir::Name))
        languages << file.completeBaseName().mid(5);
    return languages;
}

// The "%1" .. "%9" of a text, sorted: a translation uses each argument the English text has.
QStringList Placeholders(const QString& text) {
    QStringList found;
    for (auto m = QRegularExpression(QStringLiteral("%[1-9]")).globalMatch(text); m.hasNext();)
        found << m.next().captured();
    found.sort();
    return found;
}

// The accelerator letters of a text ("&&" is a literal ampersand).
int Accelerators(QString text) {
    return int(text.remove(QStringLiteral("&&")).count('&'));
}

// The patterns of a Qt name filter list: "Sound file(*.wav) (*.wav);;Any file(*.*) (*)" ->
// "(*.wav)", "(*)". A translation changes the descriptions only.
QStringList FilterPatterns(const QString& filter) {
    QStringList patterns;
    for (const QString& part : filter.split(QStringLiteral(";;"))) {
        const qsizetype open = part.lastIndexOf('(');
        patterns << (open < 0 ? QString() : part.mid(open));
    }
    return patterns;
}

TEST(LanguageKeysTest, EveryKeyUsedInTheSourcesIsInEveryShippedFile) {
    const QStringList languages = ShippedLanguages();
    // English and the 20 other languages of the Language menu.
    EXPECT_EQ(languages.size(), 21) << languages.join(' ').toStdString();
    std::vector<std::pair<QString, TIniFile>> files;
    for (const QString& language : languages) {
        files.emplace_back(language, ShippedFile(language));
        ASSERT_TRUE(files.back().second.SectionExists(Messages)) << language.toStdString();
    }

    // Any quoted message key counts, so keys kept in tables are checked as well as direct calls.
    const QRegularExpression key(QStringLiteral("\"(RES_[A-Za-z0-9_]+)\""));
    for (const TSourceFile& file : SourceFiles()) {
        for (auto m = key.globalMatch(file.Text); m.hasNext();) {
            const QRegularExpressionMatch match = m.next();
            const QString name = match.captured(1);
            const std::string where =
                (file.Name + ':' + QString::number(LineOf(file.Text, match.capturedStart())) + ' ' + name)
                    .toStdString();
            for (const auto& [language, ini] : files)
                EXPECT_TRUE(ini.ValueExists(Messages, name))
                    << "not in CLan_" << language.toStdString() << ".ini: " << where;
        }
    }
}

// A translation has every key of the English file and no others, none empty, with the same
// arguments, the blanks that join it to a file name or number, an accelerator where the English
// text has one, and the patterns of file filters unchanged.
TEST(LanguageKeysTest, EveryShippedFileTranslatesEveryEnglishKeyAndNoOthers) {
    const TIniFile english = ShippedFile("English");
    ASSERT_FALSE(english.Sections().isEmpty());
    for (const QString& language : ShippedLanguages()) {
        if (language == QLatin1String("English"))
            continue;
        const TIniFile file = ShippedFile(language);
        for (const QString& section : english.Sections()) {
            for (const QString& name : english.Keys(section)) {
                const std::string where = ("CLan_" + language + ".ini " + section + '/' + name).toStdString();
                if (!file.ValueExists(section, name)) {
                    ADD_FAILURE() << "missing: " << where;
                    continue;
                }
                const QString source = english.ReadString(section, name, QString());
                const QString text = file.ReadString(section, name, QString());
                EXPECT_FALSE(text.trimmed().isEmpty()) << "empty: " << where;
                EXPECT_EQ(Placeholders(text), Placeholders(source)) << where;
                if (source.startsWith(' ')) {
                    EXPECT_TRUE(text.startsWith(' ')) << "the leading blank is lost: " << where;
                }
                // A full-width colon brings its own space.
                if (source.endsWith(' ')) {
                    EXPECT_TRUE(text.endsWith(' ') || text.endsWith(QChar(0xFF1A)))
                        << "the trailing blank is lost: " << where;
                }
                EXPECT_EQ(Accelerators(text), Accelerators(source)) << where << ": " << text.toStdString();
                if (name.startsWith(QLatin1String("RES_Filter_"))) {
                    EXPECT_EQ(FilterPatterns(text), FilterPatterns(source)) << where;
                }
            }
        }
        // A key only a translation has is a typo or a leftover.
        for (const QString& section : file.Sections())
            for (const QString& name : file.Keys(section))
                EXPECT_TRUE(english.ValueExists(section, name)) << "unknown key: CLan_" << language.toStdString()
                                                                << ".ini " << (section + '/' + name).toStdString();
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
