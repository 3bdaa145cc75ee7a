// TDriveLibrarySource: a rip's tracks read by the drive library's extraction thread
// (cd/ripthread.h), one thread per track, plain reads of ten sectors.
#pragma once

#include "cd/ripthread.h"
#include "jobs/RipRequest.h"
#include "jobs/TrackSource.h"

#include <memory>

class TDriveLibrarySource : public TTrackSource {
    Q_OBJECT
public:
    // `cdHandle` is an open drive of the drive library.
    TDriveLibrarySource(const TRipRequest& request, int cdHandle, QObject* parent = nullptr);
    ~TDriveLibrarySource() override;

    void Start(int32_t index, const QString& wavPath, bool normalize = true) override;
    void Stop() override;
    bool Reading() const override { return Thread && !ReadEnded; }
    void Release() override { Stop(); }
    int Handle() const { return CdHandle; }

protected:
    bool event(QEvent* e) override;

private:
    const TRipRequest Request;
    const int CdHandle;
    std::unique_ptr<TCDRipThread> Thread;
    bool ReadEnded = false;
    TPostGuard Inbox{this};
};
