// TfrmReleaseChooser: the modal window that lists a lookup's candidates (one row each: artist,
// title, year, country, format, label, barcode, tracks) and lets the user pick one; Cancel
// picks none and changes nothing.
#pragma once

#include "metadata/ReleaseChooser.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

class TfrmReleaseChooser : public QDialog {
    Q_OBJECT
public:
    TfrmReleaseChooser(TReleaseChooser& chooser, const QString& source, QWidget* owner = nullptr);

    QLabel* lHint = nullptr;
    QTreeWidget* lvReleases = nullptr;
    QPushButton* bOK = nullptr;
    QPushButton* bCancel = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    TReleaseChooser& Chooser;
};

// Shows the window for `chooser`; the index of the candidate picked, or -1.
int ChooseRelease(QWidget* owner, TReleaseChooser& chooser, const QString& source);
