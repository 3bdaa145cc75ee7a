// INI profile files with the Windows profile rules: sections and keys compared without
// regard to case, values trimmed, the first occurrence of a key wins, integers that do not
// parse give the caller's default. Saving is atomic (temporary file + rename).
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class TIniFile {
public:
    explicit TIniFile(const QString& path);

    const QString& FileName() const { return Path; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList Sections() const;
    QStringList Keys(const QString& section) const;

    // Values come back exactly as written (quoted where the reading rules would change them;
    // line breaks become blanks). A section or key that could not be read back (empty, blanks
    // at either end, a line break, "]" in a section, "=" or a leading "[" or ";" in a key) is
    // refused: false, nothing stored.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInteger(const QString& section, const QString& key, int value);
    bool WriteBool(const QString& section, const QString& key, bool value);
    void EraseSection(const QString& section);

    // Writes the file atomically; false when it could not be written.
    bool UpdateFile() const;

    // Parses an integer as the profile functions do: optional sign, decimal digits or 0x hex,
    // surrounding blanks ignored. False for anything else.
    static bool ParseInteger(const QString& text, int& value);
    static bool IsStorableName(const QString& name, bool section);

private:
    struct TEntry {
        QString Key;
        QString Value;
    };
    struct TSection {
        QString Name;
        std::vector<TEntry> Entries;
    };

    void Load();
    const TSection* FindSection(const QString& name) const;
    TSection* FindSection(const QString& name);

    QString Path;
    std::vector<TSection> SectionList;
};
