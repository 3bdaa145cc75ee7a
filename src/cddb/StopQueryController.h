// The stop window of a CDDB query without its widgets: starts the query thread, shows the
// outcome (no match, failure) or ends when the titles arrived, and abandons a running query
// on Stop. An abandoned query leaves no trace: its late result is dropped.
#pragma once

#include "cddb/QueryCddbResult.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

enum class TStopQueryEnd {
    None,   // still open
    Yes,    // the query finished: the query dialog closes too
    Closed, // closed by the user after a no-match or a failure, or the query was abandoned
};

enum class TStopQueryPanel {
    Hidden,
    NoMatch, // the panel's own text: no match found, perhaps...
    Failed,  // FailureText
};

class TStopQueryController : public QObject {
    Q_OBJECT
public:
    explicit TStopQueryController(QObject* parent = nullptr);
    ~TStopQueryController() override;

    uint8_t FirstTrack = 1;
    uint8_t LastTrack = 1;
    int DriveHandle = 0;
    // The server asked; empty for the QueryCDDB/Server setting.
    QString Server;
    // The disc information a finished query is applied to (fields and titles).
    TDiscInfo* Disc = &CurrentDisc;
    // Called on the main thread when a query finished, after its record went into Disc: the
    // track list takes the titles (when HasTitles).
    std::function<void(const TQueryCddbResult&)> OnResult;

    // On show: starts the thread.
    void Start();
    // bStop: abandons a running query and closes; otherwise only closes.
    void StopClick();

    bool Running() const { return QueryRunning; }
    bool LabelVisible() const { return Panel == TStopQueryPanel::Hidden; }
    TStopQueryPanel PanelState() const { return Panel; }
    QString FailureText() const { return Failure; }
    // "Stop" while the query runs, "Close" afterwards.
    QString ButtonCaption() const;
    TStopQueryEnd End() const { return Ending; }
    // What the last report said (empty until one arrived).
    const TQueryCddbResult& LastResult() const { return Result; }

Q_SIGNALS:
    void Changed();
    void Finished(TStopQueryEnd end);

protected:
    bool event(QEvent* e) override;

private:
    void Finish(TStopQueryEnd end);

    TPostGuard Inbox{this};
    bool QueryRunning = false; // the thread frees itself when it ends
    TStopQueryPanel Panel = TStopQueryPanel::Hidden;
    QString Failure;
    TStopQueryEnd Ending = TStopQueryEnd::None;
    TQueryCddbResult Result;
};
