// The query dialog's thread (see QueryCDDBThread.h).
#include "cddb/QueryCDDBThread.h"

#include "cd/akrip32.h"
#include "cddb/DriveLibraryCddb.h"

#include <atomic>

namespace {

std::atomic<int> Running{0};

int PortNumber(const QString& text) {
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok && port > 0 && port < 65536 ? port : 80;
}

} // namespace

std::vector<TCddbOptionCall> QueryCddbOptionCalls(const TSettings& s) {
    std::vector<TCddbOptionCall> calls{
        {CDDB_OPT_SERVER, s.Server, 0},
        {CDDB_OPT_CGI, s.Script, 0},
        {CDDB_OPT_USER, s.Email, 0},
        {CDDB_OPT_AGENT, s.ClientName + QStringLiteral(" ") + QStringLiteral(DW_VERSION), 0},
        {CDDB_OPT_RESERVED, QString(), 0},
    };
    if (s.UseProxy) {
        calls.push_back({CDDB_OPT_USEPROXY, QString(), 1});
        calls.push_back({CDDB_OPT_PROXYPORT, QString(), PortNumber(s.Port)});
        calls.push_back({CDDB_OPT_PROXY, s.ProxyAddress, 0});
    } else {
        // The library keeps its options between queries: a proxy chosen for an earlier
        // query must not stay in use once the box is unchecked.
        calls.push_back({CDDB_OPT_USEPROXY, QString(), 0});
    }
    return calls;
}

TQueryCDDBThread::TQueryCDDBThread(uint8_t firstTrack, uint8_t lastTrack, int driveHandle,
                                   TGuardedReceiver notifyWindow, std::vector<TCddbOptionCall> options)
    : FirstTrack(firstTrack), LastTrack(lastTrack), DriveHandle(driveHandle), NotifyWindow(std::move(notifyWindow)),
      Options(std::move(options)) {
    ++Running;
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

TQueryCDDBThread::~TQueryCDDBThread() = default;

int TQueryCDDBThread::RunningCount() {
    return Running;
}

void TQueryCDDBThread::run() {
    TQueryCddbResult result;
    for (const TCddbOptionCall& call : Options)
        CDDBSetOption(call.Option, call.Text.toLatin1().constData(), call.Number);
    TCDDBMatch matches[MaxCDDBMatches] = {};
    TCDDBQueryRecord query{MaxCDDBMatches, matches};
    const int r = CDDBQuery(DriveHandle, &query);
    result.Status = GetAspiLibError();
    result.StatusLine = CDDBLastError();
    if (r != 1) {
        // A failure is shown as such, never as a finished query.
        result.Code = CddbResultFailed;
        result.Error = CDDBLastError();
    } else if (query.Count < 1) {
        result.Code = CddbResultNoMatch;
    } else {
        for (int k = 0; k < query.Count; ++k)
            result.Matches << QString::fromLatin1(matches[k].Category) + ' ' + QString::fromLatin1(matches[k].DiscId) +
                                  ' ' + QString::fromLatin1(matches[k].Title);
        std::vector<char> buffer(CDDBDiskInfoBytes);
        QString readError;
        for (int k = 0; k < query.Count; ++k) {
            if (CDDBGetDiskInfo(&matches[k], buffer.data(), CDDBDiskInfoBytes) != 1) {
                readError = CDDBLastError();
                continue;
            }
            result.EntryRead = true;
            if (ReadCddbEntry(QString::fromLatin1(buffer.data()), FirstTrack, LastTrack, result))
                break;
        }
        if (!result.EntryRead) {
            result.Code = CddbResultFailed;
            result.Error = readError;
        }
    }
    NotifyWindow.Post(new TCddbFinishedEvent(result));
    --Running;
}
