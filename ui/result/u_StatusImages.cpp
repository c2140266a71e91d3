#include "u_StatusImages.h"

#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QPointF>

namespace morvane {

namespace {

const QColor kTickColour(0, 150, 0);
const QColor kCrossColour(210, 0, 0);
constexpr qreal kStrokeWidth = 2.5;

} // namespace

QImage DrawStatusImage(int p_intImageIndex) {
    QImage m_Image(kStatusImageSize, kStatusImageSize, QImage::Format_ARGB32_Premultiplied);
    m_Image.fill(Qt::transparent);
    QPainter m_Painter(&m_Image);
    m_Painter.setRenderHint(QPainter::Antialiasing);
    if (p_intImageIndex == 0) {
        m_Painter.setPen(
            QPen(kTickColour, kStrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF m_arrTick[] = {{3.0, 8.5}, {6.5, 12.0}, {13.0, 4.0}};
        m_Painter.drawPolyline(m_arrTick, 3);
    } else {
        m_Painter.setPen(QPen(kCrossColour, kStrokeWidth, Qt::SolidLine, Qt::RoundCap));
        m_Painter.drawLine(QPointF(4.0, 4.0), QPointF(12.0, 12.0));
        m_Painter.drawLine(QPointF(12.0, 4.0), QPointF(4.0, 12.0));
    }
    m_Painter.end();
    return m_Image;
}

QList<QIcon> BuildStatusImageList() {
    return {QIcon(QPixmap::fromImage(DrawStatusImage(0))),
            QIcon(QPixmap::fromImage(DrawStatusImage(1)))};
}

} // namespace morvane
