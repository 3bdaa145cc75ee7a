// The thread of the query dialog: the whole CDDB exchange through the drive library's CDDB
// functions, off the main thread. It reports once to its stop window with WM_CDDB_RESULT
// (a TCddbFinishedEvent carrying what it read) and frees itself when it ends.
#pragma once

#include "cddb/QueryCddbResult.h"
#include "core/Settings.h"

#include <QThread>

#include <cstdint>
#include <memory>
#include <vector>

// One CDDBSetOption call.
struct TCddbOptionCall {
    int Option;
    QString Text;
    int Number;
};
// The options a query sets, in order, from the QueryCDDB settings.
std::vector<TCddbOptionCall> QueryCddbOptionCalls(const TSettings& settings);

class TQueryCDDBThread : public QThread {
    Q_OBJECT
public:
    // `options` are taken on the main thread (QueryCddbOptionCalls of the settings).
    TQueryCDDBThread(uint8_t firstTrack, uint8_t lastTrack, int driveHandle, TGuardedReceiver notifyWindow,
                     std::vector<TCddbOptionCall> options);
    ~TQueryCDDBThread() override;

    uint8_t FirstTrack;
    uint8_t LastTrack;
    int DriveHandle;
    // The stop window; it detaches when it abandons the query or goes away, and a thread that
    // finishes later then posts nowhere.
    TGuardedReceiver NotifyWindow;

    // Query threads that have not ended yet (abandoned ones included).
    static int RunningCount();

protected:
    void run() override;

private:
    std::vector<TCddbOptionCall> Options;
};
