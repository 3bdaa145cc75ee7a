// File conversions side by side (see ConvertBatch.h).
#include "jobs/ConvertBatch.h"

#include <algorithm>

TConvertBatch::TConvertBatch(TJobKind jobKind, const QStringList& files, const QString& outputFolder, int32_t lanes,
                             TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma, QObject* parent)
    : TJobController(parent), JobKind(jobKind), JobList(files) {
    const int32_t count = std::clamp<int32_t>(std::min<int32_t>(lanes, int32_t(files.size())), 1, 64);
    for (int32_t n = 0; n < count; ++n) {
        // The first lane runs on the given wrappers, the others on their own.
        auto lane =
            std::make_unique<TConvertJob>(jobKind, files, outputFolder, n == 0 ? mp3 : nullptr, n == 0 ? wma : nullptr);
        TConvertJob* job = lane.get();
        if (count > 1) {
            job->TakeEntry = [this] { return NextEntry < int(Results.size()) ? NextEntry++ : -1; };
            if (n > 0)
                job->TemporarySuffix = QStringLiteral("-%1").arg(n + 1);
        }
        connect(job, &TJobController::Changed, this, [this, job] { OnLaneChanged(*job); });
        connect(job, &TJobController::CloseRequested, this, &TConvertBatch::OnLaneEnded);
        Lanes.push_back(std::move(lane));
    }
    Results = Lanes.front()->Results;
    InitText = Lanes.front()->InitText;
    GroupCaption = Lanes.front()->GroupCaption;
}

TConvertBatch::~TConvertBatch() {
    Finish();
}

void TConvertBatch::Start() {
    NextEntry = 0;
    LanesEnded = 0;
    for (auto& lane : Lanes)
        lane->Start();
    ShowEarliest();
}

void TConvertBatch::OnLaneChanged(TConvertJob& lane) {
    // The lane's entries that ended are the batch's.
    for (size_t i = 0; i < Results.size(); ++i)
        if (lane.Results[i].Ended && !Results[i].Ended)
            Results[i] = lane.Results[i];
    Stalled = std::any_of(Lanes.begin(), Lanes.end(), [](const auto& l) { return l->Stalled; });
    if (!lane.Finished && lane.Current >= 0 && lane.Current < int(Results.size()))
        Q_EMIT StepProgress(lane.Current + 1, lane.Caption, lane.Progress);
    ShowEarliest();
}

void TConvertBatch::ShowEarliest() {
    const TConvertJob* shown = nullptr;
    for (const auto& lane : Lanes)
        if (!lane->Finished && (!shown || lane->Current < shown->Current))
            shown = lane.get();
    if (shown) {
        Caption = shown->Caption;
        GroupCaption = shown->GroupCaption;
        InitText = shown->InitText;
        Progress = shown->Progress;
    }
    Q_EMIT Changed();
}

void TConvertBatch::OnLaneEnded() {
    for (const auto& lane : Lanes)
        OnLaneChanged(*lane);
    if (++LanesEnded < int32_t(Lanes.size()))
        return;
    Finished = true;
    EndJob();
}

void TConvertBatch::Stop() {
    if (Finished)
        return;
    for (auto& lane : Lanes)
        lane->Stop();
    Finish();
    EndJob();
}

void TConvertBatch::Finish() {
    for (auto& lane : Lanes)
        lane->Finish();
    Finished = true;
}

QStringList TConvertBatch::FilesWritten() const {
    QStringList files;
    for (const TJobEntryResult& r : Results)
        if (r.Ok)
            files << r.Output;
    return files;
}
