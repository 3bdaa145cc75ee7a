// The user's Wine registry (see WineRegistry.h).
#include "platform/WineRegistry.h"

#include "platform/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

// A key path as written in a header ("Software\\\\Wine" with doubled backslashes, \xNNNN for
// other characters) back to its plain form.
QString UnescapeName(const QByteArray& raw) {
    QString out;
    const QString text = QString::fromUtf8(raw);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != '\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[++i];
        if (next == 'x') {
            qsizetype j = i + 1;
            QString hex;
            while (j < text.size() && hex.size() < 4 && QStringLiteral("0123456789abcdefABCDEF").contains(text[j]))
                hex += text[j++];
            bool ok = false;
            const uint code = hex.toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(code));
                i = j - 1;
                continue;
            }
        }
        out += next;
    }
    return out;
}

// The plain key path of a header line "[path] time", or empty when the line is no header.
QString HeaderKey(const QByteArray& line) {
    if (!line.startsWith('['))
        return QString();
    QByteArray raw;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            raw += c;
            raw += line[++i];
        } else if (c == ']') {
            return UnescapeName(raw);
        } else {
            raw += c;
        }
    }
    return QString();
}

// A key as callers write it ("\Software\X\"), compared as the registry compares.
QString NormalKey(QString key) {
    key.replace('/', '\\');
    while (key.startsWith('\\'))
        key.remove(0, 1);
    while (key.endsWith('\\'))
        key.chop(1);
    return key.toLower();
}

// The name of a value line ("name"=... or @=...); false for other lines.
bool ValueName(const QByteArray& line, QString& name) {
    if (line.startsWith("@=")) {
        name.clear();
        return true;
    }
    if (!line.startsWith('"'))
        return false;
    QByteArray raw;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            raw += c;
            raw += line[++i];
        } else if (c == '"') {
            if (i + 1 >= line.size() || line[i + 1] != '=')
                return false;
            name = UnescapeName(raw);
            return true;
        } else {
            raw += c;
        }
    }
    return false;
}

// Hex values go on over several lines, each but the last ending in a backslash.
bool ContinuesOnNextLine(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    return trimmed.endsWith('\\') && !trimmed.endsWith('"');
}

} // namespace

QString WineUserRegistryPath() {
    const QByteArray prefix = qgetenv("WINEPREFIX");
    const QString folder = prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : QFile::decodeName(prefix);
    return QDir::cleanPath(folder) + QStringLiteral("/user.reg");
}

bool IsWineProgramRunning(const QString& exeName) {
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.isEmpty() || !pid[0].isDigit())
            continue;
        QFile cmdline(proc.filePath(pid + QStringLiteral("/cmdline")));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        // Under Wine the Windows program is the first or (after the loader) the second word.
        const QList<QByteArray> words = cmdline.readAll().split('\0');
        for (int i = 0; i < std::min<int>(2, int(words.size())); ++i) {
            QString word = QFile::decodeName(words[i]);
            word.replace('\\', '/');
            if (word.section('/', -1).compare(exeName, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

TWineRegistry::TWineRegistry(const QString& path) : Path(path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = f.readAll();
    Lines = content.split('\n');
    // split() leaves an empty last element for a file ending in a line break; Save adds it back.
    if (!Lines.isEmpty() && Lines.last().isEmpty())
        Lines.removeLast();
    IsLoaded = true;
}

TWineRegistry::TKeyRange TWineRegistry::FindKey(const QString& key) const {
    TKeyRange range;
    const QString wanted = NormalKey(key);
    for (int i = 0; i < Lines.size(); ++i) {
        if (range.Header >= 0) {
            if (Lines[i].startsWith('[')) {
                range.End = i;
                return range;
            }
            continue;
        }
        const QString name = HeaderKey(Lines[i]);
        if (!name.isEmpty() && NormalKey(name) == wanted)
            range.Header = i;
    }
    if (range.Header >= 0)
        range.End = int(Lines.size());
    return range;
}

bool TWineRegistry::FindValue(const TKeyRange& range, const QString& name, int& line, int& count) const {
    for (int i = range.Header + 1; i < range.End; ++i) {
        QString found;
        if (!ValueName(Lines[i], found))
            continue;
        int n = 1;
        while (i + n - 1 < range.End && ContinuesOnNextLine(Lines[i + n - 1]) && i + n < range.End)
            ++n;
        if (found.compare(name, Qt::CaseInsensitive) == 0) {
            line = i;
            count = n;
            return true;
        }
        i += n - 1;
    }
    return false;
}

bool TWineRegistry::KeyExists(const QString& key) const {
    return FindKey(key).Header >= 0;
}

bool TWineRegistry::DeleteKey(const QString& key) {
    const TKeyRange range = FindKey(key);
    if (range.Header < 0)
        return false;
    const QString prefix = NormalKey(key) + '\\';
    for (const QByteArray& line : Lines) {
        const QString name = HeaderKey(line);
        if (!name.isEmpty() && NormalKey(name).startsWith(prefix))
            return false;
    }
    Lines.remove(range.Header, range.End - range.Header);
    Changed = true;
    return true;
}

bool TWineRegistry::DeleteValue(const QString& key, const QString& name) {
    const TKeyRange range = FindKey(key);
    int line = 0;
    int count = 0;
    if (range.Header < 0 || !FindValue(range, name, line, count))
        return false;
    Lines.remove(line, count);
    Changed = true;
    return true;
}

QList<QString> TWineRegistry::ValueNames(const QString& key) const {
    QList<QString> names;
    const TKeyRange range = FindKey(key);
    for (int i = range.Header + 1; range.Header >= 0 && i < range.End; ++i) {
        QString name;
        if (ValueName(Lines[i], name))
            names << name;
    }
    return names;
}

bool TWineRegistry::Save() {
    if (!Changed)
        return true;
    QByteArray text;
    for (const QByteArray& line : Lines)
        text += line + '\n';
    QSaveFile f(Path);
    QString why;
    if (!OpenSaveFile(f, why) || !WriteAll(f, text.constData(), text.size(), why) || !CommitSaveFile(f, why))
        return false;
    Changed = false;
    return true;
}
