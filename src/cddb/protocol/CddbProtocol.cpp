// CDDB protocol pieces shared by both query paths (see CddbProtocol.h).
#include "cddb/protocol/CddbProtocol.h"

#include <QSysInfo>

#include <algorithm>

namespace {

bool IsUnreserved(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == '+' || c == '/' || c == ':' || c == '@' || c == '!' || c == '*' || c == '(' ||
           c == ')' || c == ',' || c == ';' || c == '=' || c == '\'';
}

QString HelloField(QString text) {
    text = text.trimmed();
    for (QChar& c : text)
        if (c.isSpace() || c == '+')
            c = '_';
    return text;
}

} // namespace

QString LocalCddbAddress() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    QString host = QSysInfo::machineHostName();
    return (user.isEmpty() ? QStringLiteral("discwright") : user) + '@' +
           (host.isEmpty() ? QStringLiteral("localhost") : host);
}

QString CddbHello(const QString& email, const QString& clientName, const QString& version) {
    QString user = HelloField(email.trimmed().isEmpty() ? LocalCddbAddress() : email);
    user.replace('@', '+');
    return user + '+' + HelloField(clientName) + '+' + HelloField(version);
}

QString CddbUrlEscape(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (IsUnreserved(c.unicode())) {
            out += c;
            continue;
        }
        for (const char byte : QString(c).toUtf8())
            out += QStringLiteral("%%1").arg(uint8_t(byte), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString CddbAnswerText(const QByteArray& body) {
    return QString::fromLatin1(body);
}

QStringList CddbAnswerLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

int CddbLineCode(const QString& line) {
    // Digits only: a sign or a blank would let "-1"/"-2" pass for this side's own results
    // (transfer failed, empty answer).
    const QString head = line.left(3);
    if (head.isEmpty() || !std::all_of(head.begin(), head.end(), [](QChar c) { return c >= '0' && c <= '9'; }))
        return 500;
    return head.toInt();
}

TCddbMatch CddbSplitMatch(const QString& line) {
    TCddbMatch m;
    const qsizetype first = line.indexOf(' ');
    if (first < 0) {
        m.Category = line;
        return m;
    }
    m.Category = line.left(first);
    const QString rest = line.mid(first + 1);
    const qsizetype second = rest.indexOf(' ');
    if (second < 0) {
        m.DiscId = rest;
        return m;
    }
    m.DiscId = rest.left(second);
    m.Title = rest.mid(second + 1);
    return m;
}

bool CddbIsReadableMatch(const TCddbMatch& match) {
    if (match.Category.isEmpty() || match.Category.size() > 64 || match.DiscId.isEmpty() || match.DiscId.size() > 8)
        return false;
    for (const QChar c : match.Category)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != '-' && c != '_')
            return false;
    for (const QChar c : match.DiscId)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}
