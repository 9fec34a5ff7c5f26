#include "host/window/canvas_widget.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace cadhost {

QColor colorOfIndex(int index)
{
    switch (index) {
    case 1:
        return Qt::red;
    case 2:
        return QColor(200, 170, 0); // yellow, darkened to show on white
    case 3:
        return QColor(0, 160, 0);
    case 4:
        return QColor(0, 170, 170);
    case 5:
        return Qt::blue;
    case 6:
        return Qt::magenta;
    case 7:
        return Qt::black;
    default:
        return Qt::darkGray;
    }
}

CanvasWidget::CanvasWidget(const CadDrawing& drawing, QWidget* parent)
    : QWidget(parent), m_drawing(drawing)
{
    setMinimumSize(400, 300);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
}

void CanvasWidget::setPicking(bool picking)
{
    m_picking = picking;
    setCursor(picking ? Qt::CrossCursor : Qt::ArrowCursor);
}

void CanvasWidget::followZoomWindow()
{
    const std::optional<Rect> area =
        m_drawing.zoomWindow ? m_drawing.zoomWindow : m_drawing.extents();
    if (area) {
        const double width = std::max(area->max.x - area->min.x, 1e-9);
        const double height = std::max(area->max.y - area->min.y, 1e-9);
        m_scale = std::min(this->width() / width, this->height() / height) * 0.95;
        m_centre = {(area->min.x + area->max.x) / 2, (area->min.y + area->max.y) / 2};
    }
    update();
}

QPointF CanvasWidget::toScreen(Vec2 p) const
{
    return {width() / 2.0 + (p.x - m_centre.x) * m_scale,
            height() / 2.0 - (p.y - m_centre.y) * m_scale};
}

Vec2 CanvasWidget::toWorld(QPointF p) const
{
    return {m_centre.x + (p.x() - width() / 2.0) / m_scale,
            m_centre.y - (p.y() - height() / 2.0) / m_scale};
}

void CanvasWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto penFor = [this](std::size_t layer) {
        return QPen(colorOfIndex(m_drawing.layers.at(layer).color), 1.5);
    };
    for (const Polyline& polyline : m_drawing.polylines) {
        QPolygonF polygon;
        for (Vec2 v : polyline.vertices) {
            polygon << toScreen(v);
        }
        painter.setPen(penFor(polyline.layer));
        if (polyline.closed) {
            painter.drawPolygon(polygon);
        } else {
            painter.drawPolyline(polygon);
        }
    }
    for (const Region& region : m_drawing.regions) { // a flat area: its boundary
        QPolygonF polygon;
        for (Vec2 v : region.loop) {
            polygon << toScreen(v);
        }
        painter.setPen(penFor(region.layer));
        painter.drawPolygon(polygon);
    }
    for (const Line& line : m_drawing.lines) {
        painter.setPen(penFor(line.layer));
        painter.drawLine(toScreen(line.from), toScreen(line.to));
    }
    // A block reference shows its block's entities at its place, on their own layers.
    for (const Insert& insert : m_drawing.inserts) {
        if (const Block* block = blockNamed(m_drawing.blocks, insert.block)) {
            for (const Line& line : insertLines(*block, insert)) {
                painter.setPen(penFor(line.layer));
                painter.drawLine(toScreen(line.from), toScreen(line.to));
            }
        }
    }
    for (const Part& part : m_drawing.parts) {
        for (const Line& line : sideView(part)) {
            painter.setPen(penFor(line.layer));
            painter.drawLine(toScreen(line.from), toScreen(line.to));
        }
    }
    for (const Text& text : m_drawing.texts) {
        drawText(painter, text, penFor(text.layer));
    }
    for (const Insert& insert : m_drawing.inserts) {
        if (const Block* block = blockNamed(m_drawing.blocks, insert.block)) {
            for (const Text& text : insertTexts(*block, insert)) {
                drawText(painter, text, penFor(text.layer));
            }
        }
    }
    if (m_picking) {
        painter.setPen(QPen(Qt::darkGreen, 1, Qt::DashLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

// A text on its base line at its height in drawing units, turned by its rotation, in the box
// textCorners gives it: the font's cap height scaled to the text's height, its width to the box.
void CanvasWidget::drawText(QPainter& painter, const Text& text, const QPen& pen) const
{
    const double pixels = text.height * m_scale;
    if (pixels < 2) {
        return; // too small to read at this zoom
    }
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    const double capHeight = QFontMetricsF(font).capHeight();
    if (capHeight > 0) {
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels * pixels / capHeight))));
    }
    painter.save();
    painter.setPen(pen);
    painter.setFont(font);
    painter.translate(toScreen(text.at));
    painter.rotate(-text.rotation * 180.0 / 3.14159265358979323846); // the screen's y runs down
    const QString shown = QString::fromStdString(text.text);
    const std::array<Vec2, 4> box = textCorners(text);
    const double advance = QFontMetricsF(font).horizontalAdvance(shown);
    if (advance > 0) {
        const double length = std::hypot(box[1].x - box[0].x, box[1].y - box[0].y) * m_scale;
        painter.scale(length / advance, 1);
    }
    painter.drawText(QPointF(0, 0), shown);
    painter.restore();
}

void CanvasWidget::mousePressEvent(QMouseEvent* event)
{
    m_dragFrom = event->position();
    m_dragged = false;
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragFrom) {
        return;
    }
    const QPointF delta = event->position() - *m_dragFrom;
    if (std::abs(delta.x()) + std::abs(delta.y()) > 3) {
        m_dragged = true;
    }
    if (m_dragged) {
        m_centre = {m_centre.x - delta.x() / m_scale, m_centre.y + delta.y() / m_scale};
        m_dragFrom = event->position();
        update();
    }
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_picking && !m_dragged && event->button() == Qt::LeftButton) {
        emit picked(toWorld(event->position()));
    }
    m_dragFrom.reset();
}

void CanvasWidget::wheelEvent(QWheelEvent* event)
{
    const Vec2 anchor = toWorld(event->position());
    const double factor = event->angleDelta().y() > 0 ? 1.25 : 0.8;
    m_scale *= factor;
    const Vec2 after = toWorld(event->position());
    m_centre = {m_centre.x + anchor.x - after.x, m_centre.y + anchor.y - after.y};
    update();
}

} // namespace cadhost
