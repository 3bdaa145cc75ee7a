// TCDInputSource: a rip's tracks read through the CD input component (cd/CDIn.h) into a WAV
// writer, one track per run: libcdio-paranoia's jitter-corrected reads when the request asks
// for secure reading. The gain pass runs when a track's run has ended, before it is reported.
#pragma once

#include "audio/WaveOut.h"
#include "cd/TrackChecksums.h"
#include "jobs/RipRequest.h"
#include "jobs/TrackSource.h"

class TCDIn;

class TCDInputSource : public TTrackSource {
    Q_OBJECT
public:
    // `cdIn` is the main window's CD input component with its drive chosen.
    TCDInputSource(const TRipRequest& request, TCDIn& cdIn, QObject* parent = nullptr);
    ~TCDInputSource() override;

    void Start(int32_t index, const QString& wavPath, bool normalize = true) override;
    void Stop() override;
    bool Reading() const override { return WaveOut1.Status() != osIdle; }

    // Input = the CD input, PCM, block 512, Microsoft headers only, rewrite.
    TWaveOut WaveOut1;

protected:
    bool event(QEvent* e) override;

private:
    void WaveOut1Done();

    const TRipRequest Request;
    TCDIn& CDIn;
    bool Prepared = false;
    int32_t Index = 0;
    bool NormalizeRun = true;
    bool Failed = false;
    QString Error;
    // Filled on the run's worker thread; read once the run has ended.
    TTrackChecksums Checksums;
    TTrackRead Read;
    TPostGuard Inbox{this};
};
