// Flat progress bar (see FlatGauge.h).
#include "widgets/FlatGauge.h"

#include <QPainter>

#include <algorithm>

TFlatGauge::TFlatGauge(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString TFlatGauge::Text() const {
    return Known ? QString::number(Value) + '%' : QString();
}

QSize TFlatGauge::sizeHint() const {
    return {160, fontMetrics().height() + 6};
}

QSize TFlatGauge::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 8, fontMetrics().height() + 6};
}

void TFlatGauge::SetProgress(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (Known && percent == Value)
        return;
    Value = percent;
    Known = true;
    update();
}

void TFlatGauge::Reset() {
    Value = 0;
    Known = false;
    update();
}

void TFlatGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    p.fillRect(inner, palette().color(QPalette::Base));
    const int filled = inner.width() * Value / 100;
    const QRect bar(inner.left(), inner.top(), filled, inner.height());
    p.fillRect(bar, palette().color(QPalette::Highlight));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame);

    const QString text = Text();
    if (text.isEmpty())
        return;
    // The text changes colour where the bar passes under it, so it stays readable at any value.
    p.setPen(palette().color(QPalette::Text));
    p.setClipRect(inner.adjusted(filled, 0, 0, 0));
    p.drawText(inner, Qt::AlignCenter, text);
    p.setPen(palette().color(QPalette::HighlightedText));
    p.setClipRect(bar);
    p.drawText(inner, Qt::AlignCenter, text);
}
