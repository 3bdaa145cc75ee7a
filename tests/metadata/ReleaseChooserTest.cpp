// The release chooser's window on the offscreen platform: one row per candidate with the facts
// that tell releases apart; OK picks the current row, a double click picks its row, Cancel none.
#include "metadata/forms/ReleaseChooserForm.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

std::vector<TDiscCandidate> TwoCandidates() {
    TDiscCandidate a;
    a.Artist = "Some Band";
    a.Album = "First Album";
    a.Year = "1999";
    a.Country = "GB";
    a.Format = "CD";
    a.Label = "Label One";
    a.Barcode = "5012345678900";
    a.TrackCount = 4;
    TDiscCandidate b = a;
    b.Album = "First Album (Deluxe)";
    b.Country = "US";
    b.Barcode.clear();
    return {a, b};
}

// Runs the window and does `act` once it shows.
int Choose(const std::function<void(TfrmReleaseChooser&)>& act) {
    TReleaseChooser chooser(TwoCandidates());
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TfrmReleaseChooser*>(QApplication::activeModalWidget());
        if (window)
            act(*window);
    });
    return ChooseRelease(nullptr, chooser, "MusicBrainz");
}

} // namespace

TEST(ReleaseChooserTest, RowsAndThePick) {
    TReleaseChooser chooser(TwoCandidates());
    EXPECT_EQ(TReleaseChooser::Columns(),
              QStringList({"Artist", "Title", "Year", "Country", "Format", "Label", "Barcode", "Tracks"}));
    EXPECT_EQ(chooser.Row(1),
              QStringList({"Some Band", "First Album (Deluxe)", "1999", "US", "CD", "Label One", "", "4"}));

    EXPECT_EQ(Choose([](TfrmReleaseChooser& w) {
                  EXPECT_EQ(w.lvReleases->topLevelItemCount(), 2);
                  EXPECT_EQ(w.lvReleases->topLevelItem(0)->text(6), "5012345678900");
                  w.lvReleases->setCurrentItem(w.lvReleases->topLevelItem(1));
                  w.bOK->click();
              }),
              1);
    EXPECT_EQ(Choose([](TfrmReleaseChooser& w) { w.bCancel->click(); }), -1);
    EXPECT_EQ(Choose([](TfrmReleaseChooser& w) {
                  QTreeWidget* list = w.lvReleases;
                  const QPoint at = list->visualItemRect(list->topLevelItem(0)).center();
                  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
                  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
              }),
              0);
}
