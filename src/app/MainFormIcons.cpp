// Tool bar icons (see MainFormIcons.h). Each is drawn on a 32-unit grid and scaled, so one
// drawing serves every size the style asks for.
#include "app/MainFormIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

#include <cmath>

namespace {

void DrawDisc(QPainter& p, QPointF centre, double radius) {
    QRadialGradient shine(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    shine.setColorAt(0, QColor(250, 252, 255));
    shine.setColorAt(0.5, QColor(190, 205, 235));
    shine.setColorAt(1, QColor(120, 140, 190));
    p.setPen(QPen(QColor(70, 85, 130), 1.2));
    p.setBrush(shine);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(QColor(225, 230, 245));
    p.drawEllipse(centre, radius * 0.36, radius * 0.36);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, radius * 0.14, radius * 0.14);
}

void DrawArrowDown(QPainter& p, double x, double top, double bottom, const QColor& colour) {
    QPainterPath arrow;
    arrow.moveTo(x - 3, top);
    arrow.lineTo(x + 3, top);
    arrow.lineTo(x + 3, bottom - 6);
    arrow.lineTo(x + 7, bottom - 6);
    arrow.lineTo(x, bottom);
    arrow.lineTo(x - 7, bottom - 6);
    arrow.lineTo(x - 3, bottom - 6);
    arrow.closeSubpath();
    p.setPen(QPen(colour.darker(160), 1));
    p.setBrush(colour);
    p.drawPath(arrow);
}

void DrawNote(QPainter& p, QPointF at, const QColor& colour) {
    p.setPen(QPen(colour, 1.6));
    p.setBrush(colour);
    p.drawEllipse(at, 3.2, 2.4);
    p.drawLine(at + QPointF(3, 0), at + QPointF(3, -12));
    p.drawLine(at + QPointF(3, -12), at + QPointF(8, -9));
}

void DrawFolder(QPainter& p) {
    QPainterPath back;
    back.moveTo(3, 8);
    back.lineTo(12, 8);
    back.lineTo(15, 11);
    back.lineTo(29, 11);
    back.lineTo(29, 26);
    back.lineTo(3, 26);
    back.closeSubpath();
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(230, 180, 60));
    p.drawPath(back);
    QLinearGradient front(0, 14, 0, 27);
    front.setColorAt(0, QColor(255, 225, 120));
    front.setColorAt(1, QColor(240, 190, 70));
    QPainterPath lid;
    lid.moveTo(6, 14);
    lid.lineTo(31, 14);
    lid.lineTo(28, 26);
    lid.lineTo(3, 26);
    lid.closeSubpath();
    p.setBrush(front);
    p.drawPath(lid);
}

void DrawGear(QPainter& p) {
    const QPointF c(16, 16);
    p.setPen(QPen(QColor(60, 70, 95), 1));
    p.setBrush(QColor(135, 150, 180));
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = M_PI * 2 * i / (teeth * 2);
        const double a1 = M_PI * 2 * (i + 1) / (teeth * 2);
        const double r = i % 2 == 0 ? 14 : 10.5;
        const QPointF from = c + QPointF(std::cos(a0) * r, std::sin(a0) * r);
        const QPointF to = c + QPointF(std::cos(a1) * r, std::sin(a1) * r);
        if (i == 0)
            gear.moveTo(from);
        else
            gear.lineTo(from);
        gear.lineTo(to);
    }
    gear.closeSubpath();
    gear.addEllipse(c, 4.5, 4.5);
    gear.setFillRule(Qt::OddEvenFill);
    p.drawPath(gear);
}

void DrawHouse(QPainter& p) {
    p.setPen(QPen(QColor(120, 80, 50), 1));
    p.setBrush(QColor(245, 230, 200));
    p.drawRect(QRectF(7, 15, 18, 13));
    QPainterPath roof;
    roof.moveTo(3, 16);
    roof.lineTo(16, 4);
    roof.lineTo(29, 16);
    roof.closeSubpath();
    p.setBrush(QColor(200, 60, 50));
    p.drawPath(roof);
    p.setBrush(QColor(110, 75, 45));
    p.drawRect(QRectF(14, 20, 5, 8));
    p.setBrush(QColor(150, 200, 240));
    p.drawRect(QRectF(9, 18, 4, 4));
}

void DrawPower(QPainter& p) {
    QPen pen(QColor(200, 45, 40), 3.2, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 6, 22, 22), 120 * 16, 300 * 16);
    p.drawLine(QPointF(16, 3.5), QPointF(16, 15));
}

void Draw(QPainter& p, TToolIcon which) {
    switch (which) {
    case TToolIcon::Disc:
        DrawDisc(p, {16, 16}, 14);
        break;
    case TToolIcon::Extract:
        DrawDisc(p, {13, 13}, 11.5);
        DrawArrowDown(p, 23, 13, 30, QColor(60, 170, 70));
        break;
    case TToolIcon::Encode: {
        QLinearGradient paper(0, 3, 0, 29);
        paper.setColorAt(0, Qt::white);
        paper.setColorAt(1, QColor(225, 232, 248));
        QPainterPath page;
        page.moveTo(6, 3);
        page.lineTo(20, 3);
        page.lineTo(26, 9);
        page.lineTo(26, 29);
        page.lineTo(6, 29);
        page.closeSubpath();
        p.setPen(QPen(QColor(90, 100, 130), 1));
        p.setBrush(paper);
        p.drawPath(page);
        p.drawLine(QPointF(20, 3), QPointF(20, 9));
        p.drawLine(QPointF(20, 9), QPointF(26, 9));
        DrawNote(p, {12, 23}, QColor(50, 90, 190));
        DrawArrowDown(p, 24, 14, 31, QColor(235, 140, 40));
        break;
    }
    case TToolIcon::Folder:
        DrawFolder(p);
        break;
    case TToolIcon::Record: {
        QRadialGradient red(QPointF(12, 11), 16);
        red.setColorAt(0, QColor(255, 150, 140));
        red.setColorAt(0.6, QColor(220, 40, 35));
        red.setColorAt(1, QColor(150, 20, 20));
        p.setPen(QPen(QColor(120, 20, 20), 1));
        p.setBrush(red);
        p.drawEllipse(QPointF(16, 16), 12, 12);
        break;
    }
    case TToolIcon::Options:
        DrawGear(p);
        break;
    case TToolIcon::Home:
        DrawHouse(p);
        break;
    case TToolIcon::Exit:
        DrawPower(p);
        break;
    }
}

QPixmap Render(TToolIcon which, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    Draw(p, which);
    return pixmap;
}

} // namespace

QIcon ToolIcon(TToolIcon which) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(Render(which, size));
    return icon;
}
