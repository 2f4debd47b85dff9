#include "frame/artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace tilt::frame {

QPixmap productPicture(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QRectF dial(s * 0.06, s * 0.06, s * 0.88, s * 0.88);

    // Dial face and rim.
    QRadialGradient face(dial.center(), s * 0.5);
    face.setColorAt(0, QColor(250, 252, 255));
    face.setColorAt(1, QColor(200, 214, 232));
    p.setBrush(face);
    p.setPen(QPen(QColor(40, 70, 110), s * 0.05));
    p.drawEllipse(dial);

    // Tick marks every 30 degrees.
    p.save();
    p.translate(dial.center());
    p.setPen(QPen(QColor(40, 70, 110), s * 0.02, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        p.drawLine(QPointF(0, -s * 0.40), QPointF(0, -s * 0.34));
        p.rotate(30);
    }
    // The tilted horizon and its needle.
    p.rotate(-18);
    p.setPen(QPen(QColor(200, 60, 40), s * 0.045, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-s * 0.30, 0), QPointF(s * 0.30, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 110));
    p.drawEllipse(QPointF(0, 0), s * 0.06, s * 0.06);
    p.restore();
    return pixmap;
}

QIcon productIcon() {
    QIcon icon;
    for (const int size : {16, 32, 64, 128}) {
        icon.addPixmap(productPicture(size));
    }
    return icon;
}

namespace {

const QColor kInk(40, 70, 110);
const QColor kAccent(200, 60, 40);

// A serial plug on its cable.
void drawConnect(QPainter& p, double s) {
    p.setPen(QPen(kInk, s * 0.07, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath cable(QPointF(s * 0.12, s * 0.88));
    cable.cubicTo(QPointF(s * 0.12, s * 0.55), QPointF(s * 0.45, s * 0.75),
                  QPointF(s * 0.45, s * 0.58));
    p.drawPath(cable);
    p.setBrush(QColor(200, 214, 232));
    p.drawRoundedRect(QRectF(s * 0.28, s * 0.30, s * 0.36, s * 0.28), s * 0.05, s * 0.05);
    p.setBrush(kAccent);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(s * 0.34, s * 0.12, s * 0.07, s * 0.18));
    p.drawRect(QRectF(s * 0.51, s * 0.12, s * 0.07, s * 0.18));
}

// An arrow down into a tray.
void drawDownload(QPainter& p, double s) {
    p.setPen(QPen(kInk, s * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(s * 0.14, s * 0.62), QPointF(s * 0.14, s * 0.86),
                              QPointF(s * 0.86, s * 0.86), QPointF(s * 0.86, s * 0.62)}));
    p.setPen(QPen(kAccent, s * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(s * 0.5, s * 0.12), QPointF(s * 0.5, s * 0.66));
    p.drawPolyline(QPolygonF(
        {QPointF(s * 0.30, s * 0.46), QPointF(s * 0.5, s * 0.66), QPointF(s * 0.70, s * 0.46)}));
}

// Three sliders.
void drawConfigure(QPainter& p, double s) {
    const double rows[] = {0.25, 0.5, 0.75};
    const double knobs[] = {0.65, 0.35, 0.55};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(kInk, s * 0.07, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.12, s * rows[i]), QPointF(s * 0.88, s * rows[i]));
        p.setPen(QPen(kInk, s * 0.04));
        p.setBrush(i == 1 ? kAccent : QColor(200, 214, 232));
        p.drawEllipse(QPointF(s * knobs[i], s * rows[i]), s * 0.09, s * 0.09);
    }
}

// A start triangle in a ring.
void drawLaunch(QPainter& p, double s) {
    p.setPen(QPen(kInk, s * 0.07));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawPolygon(QPolygonF(
        {QPointF(s * 0.40, s * 0.30), QPointF(s * 0.72, s * 0.5), QPointF(s * 0.40, s * 0.70)}));
}

}  // namespace

QIcon navigationIcon(NavigationPicture picture) {
    QIcon icon;
    for (const int size : {32, 40, 64, 80}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const double s = size;
        switch (picture) {
            case NavigationPicture::Connect:
                drawConnect(p, s);
                break;
            case NavigationPicture::Download:
                drawDownload(p, s);
                break;
            case NavigationPicture::Configure:
                drawConfigure(p, s);
                break;
            case NavigationPicture::Launch:
                drawLaunch(p, s);
                break;
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace tilt::frame
