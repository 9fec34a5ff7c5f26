#pragma once
// The stand-in CAD host's window: canvas, command history, layers, system variables, and the
// point-pick prompt in the status line.

#include "host/window/canvas_widget.h"
#include "host/window/pick_service.h"

#include <QMainWindow>

class QLabel;
class QListWidget;

namespace cadhost {

class HostWindow : public QMainWindow {
    Q_OBJECT
  public:
    HostWindow(CadDrawing& drawing, PickService& server);

  public slots:
    void refresh();
    // The status line asks for a point and the canvas takes a click, until endPickPrompt().
    void showPickPrompt(const QString& prompt);
    void endPickPrompt();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void saveAs();
    void saveAsStep();

    CadDrawing& m_drawing;
    PickService& m_server;
    CanvasWidget* m_canvas;
    QListWidget* m_history;
    QListWidget* m_layers;
    QLabel* m_variables;
    std::size_t m_shownHistory = 0;
    std::size_t m_fittedHistory = 0;
};

// Keeps a host window up to date with a server's signals changed(), pointRequested(prompt) and
// pointAnswered().
template <class Server> void followServer(HostWindow& window, Server& server)
{
    QObject::connect(&server, &Server::changed, &window, &HostWindow::refresh);
    QObject::connect(&server, &Server::pointRequested, &window, &HostWindow::showPickPrompt);
    QObject::connect(&server, &Server::pointAnswered, &window, &HostWindow::endPickPrompt);
}

// A command text with its carriage returns shown as "\r".
QString visibleText(const std::string& text);

} // namespace cadhost
