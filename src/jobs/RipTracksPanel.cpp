// The rip windows' track list (see RipTracksPanel.h).
#include "jobs/RipTracksPanel.h"

#include "core/Helpers.h"
#include "jobs/RipPipeline.h"
#include "widgets/FlatGauge.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include <algorithm>

TRipTracksPanel::TRipTracksPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RipTracksPanel"));
    tvTracks = new QTreeWidget;
    tvTracks->setObjectName(QStringLiteral("tvTracks"));
    tvTracks->setHeaderLabels({QStringLiteral("Track"), QStringLiteral("Title"), QStringLiteral("State")});
    tvTracks->setRootIsDecorated(false);
    tvTracks->setUniformRowHeights(true);
    tvTracks->setSelectionMode(QAbstractItemView::NoSelection);
    tvTracks->setFocusPolicy(Qt::NoFocus);
    tvTracks->header()->setStretchLastSection(true);
    tvTracks->setMinimumSize(420, 150);
    lOverall = new QLabel(QStringLiteral("Overall:"));
    lOverall->setObjectName(QStringLiteral("lOverall"));
    pbOverall = new TFlatGauge;
    pbOverall->setObjectName(QStringLiteral("pbOverall"));
    lSummary = new QLabel;
    lSummary->setObjectName(QStringLiteral("lSummary"));
    lSummary->setWordWrap(true);
    lSummary->hide();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(tvTracks, 0, 0, 1, 2);
    grid->addWidget(lOverall, 1, 0);
    grid->addWidget(pbOverall, 1, 1);
    grid->addWidget(lSummary, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

void TRipTracksPanel::Show(const TRipPipeline& rip) {
    const int count = rip.Count();
    if (tvTracks->topLevelItemCount() != count) {
        tvTracks->clear();
        for (int i = 0; i < count; ++i) {
            const TTrackEntry& t = rip.Request().Tracks[size_t(i)];
            new QTreeWidgetItem(tvTracks, {TwoDigits(t.Number), t.Title, QString()});
        }
        tvTracks->resizeColumnToContents(0);
        tvTracks->resizeColumnToContents(1);
        tvTracks->setColumnWidth(1, std::clamp(tvTracks->columnWidth(1) + 12, 120, 260));
    }
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = tvTracks->topLevelItem(i);
        const QString text = rip.StateText(i);
        if (item->text(2) != text) {
            item->setText(2, text);
            item->setToolTip(2, text);
        }
    }
    pbOverall->SetProgress(rip.OverallPercent());
    lSummary->setText(rip.Summary);
    lSummary->setVisible(!rip.Summary.isEmpty());
}
