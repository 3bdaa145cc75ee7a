// TEditTrackName: the title dialog's state without widgets: the title being edited and whether
// it may be confirmed (an empty title may not).
#pragma once

#include <QObject>
#include <QString>

class TEditTrackName : public QObject {
    Q_OBJECT
public:
    explicit TEditTrackName(QObject* parent = nullptr) : QObject(parent) {}

    QString Title() const { return Text; }
    void SetTitle(const QString& title);
    bool CanConfirm() const { return !Text.isEmpty(); }

Q_SIGNALS:
    void CanConfirmChanged(bool canConfirm);

private:
    QString Text;
};
