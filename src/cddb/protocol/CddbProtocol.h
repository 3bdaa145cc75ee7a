// The CDDB protocol pieces that both query paths share (the HTTP component and the drive
// library's CDDB functions): the hello field, URL escaping, and the lines and match entries of
// an answer. The disc id and the query numbers come from the disc model (cd/Disc.h).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The four hello fields joined by "+": user and host (the e-mail address with "@" as "+"),
// client name and version. Blanks inside a field would split it and become "_". Without an
// e-mail address the user and host are the login name and the machine's host name, as the
// protocol first meant them (gnudb refuses those: it wants an address it knows).
QString CddbHello(const QString& email, const QString& clientName, const QString& version);
// The login name and host name of this machine as "user@host".
QString LocalCddbAddress();

// Percent-escapes the characters that would end or break a URL's query value ("&", "#",
// "%", blanks, controls, non-ASCII); "+" and the usual unreserved characters stay.
QString CddbUrlEscape(const QString& text);

// Answers are ISO-8859-1 (protocol level 5).
QString CddbAnswerText(const QByteArray& body);
// The lines of an answer: CR LF, LF or CR breaks; a final break does not add an empty line.
QStringList CddbAnswerLines(const QString& text);
// The status code of an answer line: the number its first three characters make when they
// are all digits, or 500.
int CddbLineCode(const QString& line);

// A match line "category discid title" split at its first two blanks.
struct TCddbMatch {
    QString Category;
    QString DiscId;
    QString Title;
};
TCddbMatch CddbSplitMatch(const QString& line);
// True for a category and disc id that can be read back from the server: a category of
// letters, digits, "-" or "_" and a disc id of one to eight hexadecimal digits.
bool CddbIsReadableMatch(const TCddbMatch& match);
