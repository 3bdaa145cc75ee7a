// The HTTP exchange of the CDDB component (see CDDBQuery.h).
#include "cddb/CDDBQuery.h"

#include "cddb/CDDBInfo.h"
#include "cddb/protocol/CddbHttp.h"
#include "cddb/protocol/CddbProtocol.h"

#include <algorithm>

QString TCDDBQuery::BuildUrl(const QString& command, const QString& data) const {
    QString d = data;
    d.replace(' ', '+');
    QString script = Owner->Script;
    if (!script.startsWith('/'))
        script.prepend('/');
    return Owner->Server + script + QStringLiteral("?cmd=cddb+") + CddbUrlEscape(command) + '+' + CddbUrlEscape(d) +
           QStringLiteral("&hello=") +
           CddbUrlEscape(
               CddbHello(Owner->EffectiveEmail(), Owner->EffectiveApplicationName(), Owner->ApplicationVersion)) +
           QStringLiteral("&proto=5");
}

bool TCDDBQuery::HttpGet(const QString& url, QString& text) {
    text.clear();
    QByteArray body;
    QString error;
    const QString agent = Owner->EffectiveApplicationName() + '/' + Owner->ApplicationVersion;
    if (!CddbHttpGet(url, agent, THttpProxy(), body, error)) {
        LastError = error;
        return false;
    }
    text = CddbAnswerText(body);
    return true;
}

int TCDDBQuery::ParseQueryAnswer(const QString& text) {
    int result = -2;
    Matches.clear();
    Lines = CddbAnswerLines(text);
    for (qsizetype i = 0; i < Lines.size(); ++i) {
        const int code = CddbLineCode(Lines[i]);
        result = code;
        if (code == 200) {
            Matches << Lines[i].mid(4);
        } else if (code == 210 || code == 211) {
            for (++i; i < Lines.size() && !Lines[i].startsWith('.'); ++i)
                Matches << Lines[i];
            break;
        }
    }
    return result;
}

int TCDDBQuery::Query(const QString& discId, const QString& queryString) {
    LastDiscId = discId;
    LastQueryString = queryString;
    RecordRead = false;
    LastError.clear();
    QString answer;
    if (!HttpGet(BuildUrl(QStringLiteral("query"), discId + ' ' + queryString), answer))
        return -1;
    const int result = ParseQueryAnswer(answer);
    if ((result == 200 || result == 210 || result == 211) && !Matches.isEmpty())
        Read(0);
    else
        LastError = result == -2 ? QStringLiteral("empty answer") : Lines.value(0);
    return result;
}

bool TCDDBQuery::Read(int index) {
    if (Matches.isEmpty() || index < 0 || index > std::min<int>(int(Matches.size()) - 1, 255))
        return false;
    QString category;
    QString discId;
    QString title;
    SplitMatch(Matches[index], category, discId, title);
    if (!CddbIsReadableMatch({category, discId, title})) {
        LastError = QStringLiteral("malformed match: ") + Matches[index];
        return false;
    }
    QString answer;
    if (!HttpGet(BuildUrl(QStringLiteral("read"), category + ' ' + discId), answer))
        return false;
    // Only an entry is a record; "401 not found" and the like leave the last record in place.
    Lines = CddbAnswerLines(answer);
    if (Lines.isEmpty() || CddbLineCode(Lines[0]) != 210) {
        LastError = Lines.isEmpty() ? QStringLiteral("empty answer") : Lines[0];
        return false;
    }
    ParseRecord(answer);
    RecordRead = true;
    return true;
}

void TCDDBQuery::SplitMatch(const QString& line, QString& category, QString& discId, QString& title) {
    const TCddbMatch m = CddbSplitMatch(line);
    category = m.Category;
    discId = m.DiscId;
    title = m.Title;
}
