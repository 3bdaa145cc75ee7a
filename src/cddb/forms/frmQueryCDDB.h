// The query dialog "Query CDDB": server, script, hello fields and proxy; Query opens the
// stop window, whose "yes" end closes this dialog too. The logic is TQueryCddbController's.
//
//   TfrmQueryCDDB dialog(mainWindow);
//   dialog.FirstTrack = toc.FirstTrack; dialog.LastTrack = toc.LastTrack;
//   dialog.DriveHandle = CDHandle;
//   dialog.SetOnResult([&](const TQueryCddbResult& r) { ...titles into the track list... });
//   dialog.exec();
#pragma once

#include "cddb/QueryCddbController.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmQueryCDDB : public QDialog {
    Q_OBJECT
public:
    explicit TfrmQueryCDDB(QWidget* owner = nullptr);

    uint8_t FirstTrack = 1;
    uint8_t LastTrack = 1;
    int DriveHandle = 0;
    // Applies a finished query's titles to the track list (see TStopQueryController).
    void SetOnResult(std::function<void(const TQueryCddbResult&)> onResult) {
        Controller.OnResult = std::move(onResult);
    }
    TQueryCddbController& Logic() { return Controller; }

    QComboBox* cbServer;
    QLineEdit* eScript;
    QLineEdit* eEmail;
    QLineEdit* eClientName;
    QCheckBox* cbProxy;
    QLineEdit* eAddress;
    QLineEdit* ePort;
    QPushButton* bDefault;
    QPushButton* bQuery;
    QPushButton* bClose;
    QLabel* imgPicture;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void UpdateControls();
    void bQueryClick();

    TQueryCddbController Controller;
    bool Updating = false;
};
