// The CDDB protocol pieces that both query paths share (the HTTP component and the drive
// library's CDDB functions): the disc id and the query numbers of a table of contents, the
// hello field, URL escaping, and the lines and match entries of an answer.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Start sectors of a disc, counted from the first track's start at 00:02:00 (sector 0), one
// per track followed by the lead-out.
using TCddbToc = std::vector<int32_t>;

// The protocol offsets start at the lead-in: a track's offset is its sector + 150.
constexpr int32_t CddbLeadInSectors = 150;

// Eight lower-case hexadecimal digits; "ffffffff" when the TOC holds no track.
QString CddbDiscId(const TCddbToc& toc);
// "n off1 ... offn seconds": the track count, each track's offset and the disc length in
// seconds counted from the lead-in ((lead-out + 150) div 75). Empty when the TOC holds no track.
QString CddbQueryNumbers(const TCddbToc& toc);

// The four hello fields joined by "+": user and host (the e-mail address with "@" as "+"),
// client name and version. Blanks inside a field would split it and become "_".
QString CddbHello(const QString& email, const QString& clientName, const QString& version);

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
