// TRipTracksPanel: the part both rip windows share below their gauge: a list of the rip's
// tracks with where each stands (waiting, reading 40 %, encoding 75 %, done with its AccurateRip
// result, failed and why), an overall bar, and once the rip is over its summary. It only shows
// the pipeline's state; the windows call Show whenever the pipeline changes.
#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;
class TFlatGauge;
class TRipPipeline;

class TRipTracksPanel : public QWidget {
    Q_OBJECT
public:
    explicit TRipTracksPanel(QWidget* parent = nullptr);

    void Show(const TRipPipeline& rip);
    QTreeWidget* Tracks() const { return tvTracks; }
    TFlatGauge* Overall() const { return pbOverall; }
    QLabel* Summary() const { return lSummary; }

private:
    QTreeWidget* tvTracks;
    QLabel* lOverall;
    TFlatGauge* pbOverall;
    QLabel* lSummary;
};
