// TAfStartButton: the start button of the job windows. A flat button with a round "play" sign
// before its caption; while animated (a job runs) an arc turns around the sign, so the user
// sees that work goes on even when no progress is reported.
#pragma once

#include <QAbstractButton>
#include <QTimer>

class TAfStartButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int FrameCount = 12;

    explicit TAfStartButton(const QString& text = QString(), QWidget* parent = nullptr);

    void SetAnimated(bool animated);
    bool Animated() const { return Timer.isActive(); }
    // The animation frame, 0 to FrameCount - 1; stays 0 while not animated.
    int Frame() const { return CurrentFrame; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public Q_SLOTS:
    // The next animation frame (the timer calls it).
    void Advance();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QTimer Timer;
    int CurrentFrame = 0;
    bool Hovered = false;
};
