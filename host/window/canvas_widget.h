#pragma once
// Shows the drawing: entities and texts in their layers' colours, parts as side views of their
// solids, with pan (drag), zoom (wheel) and the host's zoom window. A click answers a waiting
// point pick.

#include "host/objects/drawing_names.h"

#include <QPointF>
#include <QWidget>

namespace cadhost {

class CanvasWidget : public QWidget {
    Q_OBJECT
  public:
    explicit CanvasWidget(const CadDrawing& drawing, QWidget* parent = nullptr);

    void setPicking(bool picking);
    void followZoomWindow(); // fit the view to the host's zoom window or the extents

  signals:
    void picked(Vec2 point);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    QPointF toScreen(Vec2 p) const;
    void drawText(QPainter& painter, const Text& text, const QPen& pen) const;
    Vec2 toWorld(QPointF p) const;

    const CadDrawing& m_drawing;
    double m_scale = 4.0; // pixels per drawing unit
    Vec2 m_centre{50, 0}; // drawing point at the widget's centre
    bool m_picking = false;
    std::optional<QPointF> m_dragFrom;
    bool m_dragged = false;
};

// The screen colour of a colour index (7 shows as black on the white canvas).
QColor colorOfIndex(int index);

} // namespace cadhost
