// The stop window's logic (see StopQueryController.h).
#include "cddb/StopQueryController.h"

#include "cddb/DriveLibraryCddb.h"
#include "cddb/QueryCDDBThread.h"
#include "core/LanguageText.h"
#include "core/Settings.h"

TStopQueryController::TStopQueryController(QObject* parent) : QObject(parent) {}

TStopQueryController::~TStopQueryController() = default;

void TStopQueryController::Start() {
    if (QueryRunning || Ending != TStopQueryEnd::None)
        return;
    std::vector<TCddbOptionCall> options = QueryCddbOptionCalls(Settings);
    if (!Server.isEmpty())
        for (TCddbOptionCall& call : options)
            if (call.Option == CDDB_OPT_SERVER)
                call.Text = Server;
    auto* thread = new TQueryCDDBThread(FirstTrack, LastTrack, DriveHandle, Inbox.Handle(), std::move(options));
    QueryRunning = true;
    thread->start();
    Q_EMIT Changed();
}

void TStopQueryController::StopClick() {
    if (QueryRunning) {
        // The library call cannot be interrupted: the thread runs on, reporting nowhere.
        Inbox.Detach();
        QueryRunning = false;
    }
    Finish(TStopQueryEnd::Closed);
}

QString TStopQueryController::ButtonCaption() const {
    return Panel == TStopQueryPanel::Hidden ? ResText("RES_CDDB_Stop", "Stop") : ResText("RES_CDDB_Close", "Close");
}

void TStopQueryController::Finish(TStopQueryEnd end) {
    if (Ending != TStopQueryEnd::None)
        return;
    Ending = end;
    Q_EMIT Changed();
    Q_EMIT Finished(end);
}

bool TStopQueryController::event(QEvent* e) {
    if (e->type() != CddbResultEventType)
        return QObject::event(e);
    auto* report = dynamic_cast<TCddbFinishedEvent*>(e);
    // A report of an abandoned query, or one after the window ended, is dropped.
    if (!report || !QueryRunning || Ending != TStopQueryEnd::None)
        return true;
    QueryRunning = false;
    Result = report->Result;
    switch (report->WParam) {
    case CddbResultNoMatch:
        Panel = TStopQueryPanel::NoMatch;
        Q_EMIT Changed();
        break;
    case CddbResultFailed:
        Panel = TStopQueryPanel::Failed;
        Failure = ResText("RES_CDDB_QueryFailed", "The CDDB query failed:") + QStringLiteral("\r\n") + Result.Error;
        Q_EMIT Changed();
        break;
    default:
        ApplyDiscRecord(DiscRecordOf(Result), *Disc, FirstTrack, LastTrack - FirstTrack + 1);
        if (OnResult)
            OnResult(Result);
        Finish(TStopQueryEnd::Yes);
        break;
    }
    return true;
}
