// Animated start button (see AfStartButton.h).
#include "widgets/AfStartButton.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int Margin = 4;
constexpr int Gap = 6;
} // namespace

TAfStartButton::TAfStartButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    Timer.setInterval(80);
    connect(&Timer, &QTimer::timeout, this, &TAfStartButton::Advance);
}

void TAfStartButton::SetAnimated(bool animated) {
    if (animated == Timer.isActive())
        return;
    if (animated) {
        Timer.start();
    } else {
        Timer.stop();
        CurrentFrame = 0;
    }
    update();
}

void TAfStartButton::Advance() {
    CurrentFrame = (CurrentFrame + 1) % FrameCount;
    update();
}

QSize TAfStartButton::sizeHint() const {
    const int sign = fontMetrics().height() + 8;
    const int textWidth = text().isEmpty() ? 0 : Gap + fontMetrics().horizontalAdvance(text());
    return {2 * Margin + sign + textWidth + 4, 2 * Margin + sign};
}

QSize TAfStartButton::minimumSizeHint() const {
    return sizeHint();
}

void TAfStartButton::enterEvent(QEnterEvent* event) {
    Hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TAfStartButton::leaveEvent(QEvent* event) {
    Hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TAfStartButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const bool enabled = isEnabled();

    QColor face = pal.color(QPalette::Button);
    if (isDown())
        face = pal.color(QPalette::Midlight);
    else if (Hovered && enabled)
        face = pal.color(QPalette::Light);
    p.setPen(hasFocus() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);

    const int sign = height() - 2 * Margin;
    const QRectF circle(Margin, Margin, sign, sign);
    const QColor accent = enabled ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid);
    p.setPen(QPen(accent, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle.adjusted(2, 2, -2, -2));
    if (Timer.isActive()) {
        // A quarter arc that turns one step per frame.
        p.setPen(QPen(accent, 3, Qt::SolidLine, Qt::RoundCap));
        const int start = 90 * 16 - CurrentFrame * (360 * 16 / FrameCount);
        p.drawArc(circle.adjusted(2, 2, -2, -2), start, -90 * 16);
    }
    QPainterPath triangle;
    const QPointF c = circle.center();
    const qreal r = sign * 0.22;
    triangle.moveTo(c.x() - r * 0.7, c.y() - r);
    triangle.lineTo(c.x() + r, c.y());
    triangle.lineTo(c.x() - r * 0.7, c.y() + r);
    triangle.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawPath(triangle);

    if (!text().isEmpty()) {
        p.setPen(enabled ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Mid));
        const QRect textRect(int(circle.right()) + Gap, 0, width() - int(circle.right()) - Gap - Margin, height());
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text());
    }
}
