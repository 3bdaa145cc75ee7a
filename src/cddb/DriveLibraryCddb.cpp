// The CDDB functions of the CD drive library (see DriveLibraryCddb.h): the CDDB HTTP protocol over
// libcurl, with the options its callers set before each query.
#include "cddb/DriveLibraryCddb.h"

#include "cd/DiscKey.h"
#include "cd/akrip32.h"

#include "cddb/protocol/CddbHttp.h"
#include "cddb/protocol/CddbProtocol.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

struct TCddbOptions {
    QString Server;
    QString Script = QStringLiteral("/~cddb/cddb.cgi");
    QString User;
    QString Agent;
    bool UseProxy = false;
    QString ProxyAddress;
    int ProxyPort = 80;
};

// Never destroyed: a query abandoned by its window may still run while the process ends.
std::mutex& OptionsLock() {
    static auto* lock = new std::mutex;
    return *lock;
}
TCddbOptions& Options() {
    static auto* options = new TCddbOptions;
    return *options;
}

TCddbOptions CurrentOptions() {
    std::lock_guard<std::mutex> guard(OptionsLock());
    return Options();
}

// Each query thread has its own last status, so an abandoned query cannot overwrite the
// status of the one that replaced it.
thread_local int LastStatus = 0;
thread_local QString LastErrorText;

void SetStatus(int status, const QString& text) {
    LastStatus = status;
    LastErrorText = text;
}

QString BaseUrl(const TCddbOptions& o) {
    QString server = o.Server.trimmed();
    while (server.endsWith('/'))
        server.chop(1);
    if (!server.contains(QLatin1String("://")))
        server.prepend(QLatin1String("http://"));
    QString script = o.Script.trimmed();
    if (!script.startsWith('/'))
        script.prepend('/');
    return server + script;
}

// "program 1.0": the name is everything before the last blank, the version what follows.
void SplitAgent(const QString& agent, QString& name, QString& version) {
    const QString a = agent.trimmed();
    const qsizetype blank = a.lastIndexOf(' ');
    name = blank < 0 ? a : a.left(blank).trimmed();
    version = blank < 0 ? QString() : a.mid(blank + 1);
}

QString CommandUrl(const TCddbOptions& o, const QString& command) {
    QString name;
    QString version;
    SplitAgent(o.Agent, name, version);
    QString words = command;
    words.replace(' ', '+');
    return BaseUrl(o) + QStringLiteral("?cmd=") + CddbUrlEscape(words) + QStringLiteral("&hello=") +
           CddbUrlEscape(CddbHello(o.User, name, version)) + QStringLiteral("&proto=5");
}

// GETs a command; false with the status set when the server could not be reached or sent
// nothing.
bool Exchange(const TCddbOptions& o, const QString& command, QStringList& lines) {
    QString name;
    QString version;
    SplitAgent(o.Agent, name, version);
    THttpProxy proxy;
    proxy.Use = o.UseProxy;
    proxy.Address = o.ProxyAddress;
    proxy.Port = o.ProxyPort;
    QByteArray body;
    QString error;
    if (!CddbHttpGet(CommandUrl(o, command), name + '/' + version, proxy, body, error)) {
        SetStatus(-1, error);
        return false;
    }
    lines = CddbAnswerLines(CddbAnswerText(body));
    if (lines.isEmpty()) {
        SetStatus(-1, QStringLiteral("empty answer from ") + BaseUrl(o));
        return false;
    }
    SetStatus(CddbLineCode(lines[0]), lines[0]);
    return true;
}

void CopyText(char* to, size_t room, const QString& text) {
    std::memset(to, 0, room);
    const QByteArray bytes = text.toLatin1();
    std::memcpy(to, bytes.constData(), std::min(size_t(bytes.size()), room - 1));
}

} // namespace

void CDDBSetOption(int option, const char* text, int number) {
    const QString value = text ? QString::fromLatin1(text) : QString();
    std::lock_guard<std::mutex> guard(OptionsLock());
    TCddbOptions& o = Options();
    switch (option) {
    case CDDB_OPT_SERVER:
        o.Server = value;
        break;
    case CDDB_OPT_PROXY:
        o.ProxyAddress = value;
        break;
    case CDDB_OPT_USEPROXY:
        o.UseProxy = number != 0;
        break;
    case CDDB_OPT_AGENT:
        o.Agent = value;
        break;
    case CDDB_OPT_USER:
        o.User = value;
        break;
    case CDDB_OPT_PROXYPORT:
        o.ProxyPort = number > 0 && number < 65536 ? number : 80;
        break;
    case CDDB_OPT_CGI:
        o.Script = value;
        break;
    default:
        break;
    }
}

int CDDBQuery(int handle, TCDDBQueryRecord* query) {
    if (!query || !query->Matches || query->Count < 1) {
        SetStatus(-1, QStringLiteral("bad query record"));
        return 0;
    }
    const int room = std::min(query->Count, MaxCDDBMatches);
    query->Count = 0;
    TDisc disc;
    if (!ReadDisc(handle, disc) || disc.Empty()) {
        SetStatus(-1, QStringLiteral("No disc, or the table of contents cannot be read"));
        return 0;
    }
    const TCddbOptions options = CurrentOptions();
    QStringList lines;
    if (!Exchange(options, QStringLiteral("cddb query ") + disc.CddbDiscId() + ' ' + disc.CddbQueryNumbers(), lines))
        return 0;
    const int code = CddbLineCode(lines[0]);
    QStringList matches;
    if (code == 200) {
        matches << lines[0].mid(4);
    } else if (code == 210 || code == 211) {
        for (qsizetype i = 1; i < lines.size() && !lines[i].startsWith('.'); ++i)
            matches << lines[i];
    } else if (code != 202) {
        return 0; // the status line says why
    }
    for (const QString& line : matches) {
        const TCddbMatch m = CddbSplitMatch(line);
        if (!CddbIsReadableMatch(m) || query->Count >= room)
            continue;
        TCDDBMatch& record = query->Matches[query->Count++];
        CopyText(record.Category, sizeof record.Category, m.Category);
        CopyText(record.DiscId, sizeof record.DiscId, m.DiscId);
        CopyText(record.Title, sizeof record.Title, m.Title);
    }
    return 1;
}

int CDDBGetDiskInfo(const TCDDBMatch* match, char* buffer, int size) {
    if (!match || !buffer || size < 1) {
        SetStatus(-1, QStringLiteral("bad match record"));
        return 0;
    }
    buffer[0] = 0;
    TCddbMatch m;
    m.Category = QString::fromLatin1(match->Category, qstrnlen(match->Category, sizeof match->Category));
    m.DiscId = QString::fromLatin1(match->DiscId, qstrnlen(match->DiscId, sizeof match->DiscId));
    if (!CddbIsReadableMatch(m)) {
        SetStatus(-1, QStringLiteral("bad match record"));
        return 0;
    }
    QStringList lines;
    if (!Exchange(CurrentOptions(), QStringLiteral("cddb read ") + m.Category + ' ' + m.DiscId, lines))
        return 0;
    if (CddbLineCode(lines[0]) != 210)
        return 0;
    QStringList entry;
    for (qsizetype i = 1; i < lines.size() && lines[i] != QLatin1String("."); ++i)
        entry << lines[i];
    const QByteArray text = (entry.join(QLatin1String("\r\n")) + QLatin1String("\r\n")).toLatin1();
    const size_t n = std::min(size_t(text.size()), size_t(size) - 1);
    std::memcpy(buffer, text.constData(), n);
    buffer[n] = 0;
    return 1;
}

int GetAspiLibError() {
    return LastStatus;
}

QString CDDBLastError() {
    return LastErrorText;
}
