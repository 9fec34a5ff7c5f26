#pragma once
// The stand-in CAD host's window: canvas, command history, layers, system variables, and the
// point-pick prompt in the status line.

#include "host/automation_server.h"
#include "host/canvas_widget.h"

#include <QMainWindow>

class QLabel;
class QListWidget;

namespace cadhost {

class HostWindow : public QMainWindow {
    Q_OBJECT
  public:
    HostWindow(CadDrawing& drawing, AutomationServer& server);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void refresh();
    void saveAs();
    void saveAsStep();

    CadDrawing& m_drawing;
    AutomationServer& m_server;
    CanvasWidget* m_canvas;
    QListWidget* m_history;
    QListWidget* m_layers;
    QLabel* m_variables;
    std::size_t m_shownHistory = 0;
    std::size_t m_fittedHistory = 0;
};

// A command text with its carriage returns shown as "\r".
QString visibleText(const std::string& text);

} // namespace cadhost
