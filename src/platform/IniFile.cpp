// Reader and writer of INI profile files (see IniFile.h).
#include "platform/IniFile.h"

#include "platform/SaveFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

// Old files written on Windows are in a single-byte code page; anything that is not valid
// UTF-8 is read as Latin-1 so that no byte is lost.
QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// A value enclosed in a matching pair of quotes loses them, as the profile functions do.
QString Unquote(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

// The reader trims values and strips one matching pair of quotes, so a value with blanks at
// either end, or one that is itself enclosed in quotes, is written inside a pair of quotes to
// come back exactly.
QString QuoteIfNeeded(const QString& value) {
    const bool blanks = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return blanks || quoted ? '"' + value + '"' : value;
}

} // namespace

bool TIniFile::IsStorableName(const QString& name, bool section) {
    if (name.isEmpty() || name != name.trimmed() || name.contains('\n') || name.contains('\r'))
        return false;
    if (section)
        return !name.contains(']');
    return !name.contains('=') && !name.startsWith('[') && !name.startsWith(';');
}

TIniFile::TIniFile(const QString& path) : Path(path) {
    Load();
}

void TIniFile::Load() {
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = DecodeText(file.readAll());
    TSection* current = nullptr;
    for (QString line : text.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            const int close = line.indexOf(']');
            const QString name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            current = FindSection(name);
            if (!current) {
                SectionList.push_back({name, {}});
                current = &SectionList.back();
            }
            continue;
        }
        if (!current)
            continue;
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (key.isEmpty())
            continue;
        bool known = false;
        for (const TEntry& e : current->Entries)
            if (e.Key.compare(key, Qt::CaseInsensitive) == 0)
                known = true;
        if (!known)
            current->Entries.push_back({key, Unquote(line.mid(eq + 1).trimmed())});
    }
}

const TIniFile::TSection* TIniFile::FindSection(const QString& name) const {
    for (const TSection& s : SectionList)
        if (s.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(const QString& name) {
    return const_cast<TSection*>(static_cast<const TIniFile*>(this)->FindSection(name));
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries)
            if (e.Key.compare(key, Qt::CaseInsensitive) == 0)
                return e.Value;
    return defaultValue;
}

bool TIniFile::ParseInteger(const QString& text, int& value) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    qlonglong v = 0;
    const bool negative = t.startsWith('-');
    const QString body = (negative || t.startsWith('+')) ? t.mid(1) : t;
    if (body.isEmpty() || body.startsWith('-') || body.startsWith('+'))
        return false;
    if (body.startsWith("0x", Qt::CaseInsensitive))
        v = body.mid(2).toLongLong(&ok, 16);
    else
        v = body.toLongLong(&ok, 10);
    if (!ok)
        return false;
    if (negative)
        v = -v;
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    int value = 0;
    return ParseInteger(ReadString(section, key, QString()), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(const QString& section) const {
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries)
            if (e.Key.compare(key, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

QStringList TIniFile::Sections() const {
    QStringList names;
    for (const TSection& s : SectionList)
        names << s.Name;
    return names;
}

QStringList TIniFile::Keys(const QString& section) const {
    QStringList names;
    if (const TSection* s = FindSection(section))
        for (const TEntry& e : s->Entries)
            names << e.Key;
    return names;
}

bool TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    if (!IsStorableName(section, true) || !IsStorableName(key, false))
        return false;
    // Line breaks would split the entry when the file is read again.
    QString clean = value;
    clean.replace('\r', ' ').replace('\n', ' ');
    TSection* s = FindSection(section);
    if (!s) {
        SectionList.push_back({section, {}});
        s = &SectionList.back();
    }
    for (TEntry& e : s->Entries)
        if (e.Key.compare(key, Qt::CaseInsensitive) == 0) {
            e.Value = clean;
            return true;
        }
    s->Entries.push_back({key, clean});
    return true;
}

bool TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    return WriteString(section, key, QString::number(value));
}

bool TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::EraseSection(const QString& section) {
    for (auto it = SectionList.begin(); it != SectionList.end(); ++it)
        if (it->Name.compare(section, Qt::CaseInsensitive) == 0) {
            SectionList.erase(it);
            return;
        }
}

bool TIniFile::UpdateFile() const {
    QString text;
    for (const TSection& s : SectionList) {
        text += '[' + s.Name + "]\n";
        for (const TEntry& e : s.Entries)
            text += e.Key + '=' + QuoteIfNeeded(e.Value) + '\n';
        text += '\n';
    }
    QSaveFile file(Path);
    const QByteArray bytes = text.toUtf8();
    QString why;
    return OpenSaveFile(file, why) && WriteAll(file, bytes.constData(), bytes.size(), why) && CommitSaveFile(file, why);
}
