// TFlatGauge: a flat progress bar from 0 to 100 that paints itself. It shows its percentage
// text only once progress is known, so a step that has not reported yet shows an empty bar
// rather than a misleading "0%".
#pragma once

#include <QWidget>

class TFlatGauge : public QWidget {
    Q_OBJECT
public:
    explicit TFlatGauge(QWidget* parent = nullptr);

    int Progress() const { return Value; }
    bool ProgressKnown() const { return Known; }
    // The text drawn over the bar: "42%", or empty while progress is unknown.
    QString Text() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public Q_SLOTS:
    // Clamped to 0..100; makes the progress known.
    void SetProgress(int percent);
    // Back to an empty bar without text (a new step starts).
    void Reset();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int Value = 0;
    bool Known = false;
};
