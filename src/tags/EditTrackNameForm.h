// TfrmEditTrackName: the title dialog ("Rename &Title" of the main window, or a double-click on
// a track row). A thin view over TEditTrackName.
//
// Use: TfrmEditTrackName dlg(mainWindow); dlg.SetTitle(rowTitle);
//      if (dlg.exec() == QDialog::Accepted) rowTitle = dlg.Title();
#pragma once

#include "tags/EditTrackName.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

class TfrmEditTrackName : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditTrackName(QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    QString Title() const { return State.Title(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    TEditTrackName State;
    QLineEdit* eName;
    QPushButton* bOK;
};
