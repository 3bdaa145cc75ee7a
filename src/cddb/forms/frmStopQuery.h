// The stop window "Query CDDB...": runs the query's thread while it is shown, shows the
// no-match panel or the failure, and ends with "yes" when the titles arrived. Stop abandons
// a running query. The logic is TStopQueryController's.
#pragma once

#include "cddb/StopQueryController.h"

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;

class TfrmStopQuery : public QDialog {
    Q_OBJECT
public:
    TfrmStopQuery(std::unique_ptr<TStopQueryController> controller, QWidget* owner = nullptr);
    ~TfrmStopQuery() override;

    TStopQueryController& Logic() { return *Controller; }

    QLabel* lQuery;
    QLabel* pNoMatch;
    QPushButton* bStop;

    // Escape behaves as the Stop button.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void UpdateControls();

    std::unique_ptr<TStopQueryController> Controller;
    QString NoMatchText;
};
