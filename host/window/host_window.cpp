#include "host/window/host_window.h"

#include "drawing/files/dxf_export.h"
#include "drawing/files/step_export.h"

#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QVBoxLayout>

namespace cadhost {

QString visibleText(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return shown;
}

HostWindow::HostWindow(CadDrawing& drawing, PickService& server)
    : m_drawing(drawing), m_server(server)
{
    setWindowTitle(QStringLiteral("Quorvel stand-in CAD host"));
    m_canvas = new CanvasWidget(drawing, this);
    setCentralWidget(m_canvas);

    auto* side = new QWidget(this);
    auto* layout = new QVBoxLayout(side);
    layout->addWidget(new QLabel(QStringLiteral("Command history"), side));
    m_history = new QListWidget(side);
    m_history->setMinimumWidth(320);
    layout->addWidget(m_history, 3);
    layout->addWidget(new QLabel(QStringLiteral("Layers"), side));
    m_layers = new QListWidget(side);
    layout->addWidget(m_layers, 1);
    m_variables = new QLabel(side);
    layout->addWidget(m_variables);
    auto* dock = new QDockWidget(QStringLiteral("Host"), this);
    dock->setWidget(side);
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    addDockWidget(Qt::RightDockWidgetArea, dock);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Save as &DXF..."), this, &HostWindow::saveAs);
    if (drawing::stepExportAvailable()) {
        file->addAction(QStringLiteral("Save as &STEP..."), this, &HostWindow::saveAsStep);
    }
    file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    statusBar()->showMessage(QStringLiteral("Ready"));

    connect(m_canvas, &CanvasWidget::picked, this, [this](Vec2 point) { m_server.pick(point); });
    resize(1100, 650);
    refresh();
}

void HostWindow::showPickPrompt(const QString& prompt)
{
    statusBar()->showMessage(prompt + QStringLiteral(" (click on the drawing; Esc cancels)"));
    m_canvas->setPicking(true);
    raise();
    activateWindow();
}

void HostWindow::endPickPrompt()
{
    statusBar()->showMessage(QStringLiteral("Ready"));
    m_canvas->setPicking(false);
}

void HostWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_server.waitingForPoint()) {
        m_server.cancelPick();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void HostWindow::refresh()
{
    // The drawing keeps only the latest texts, cut short; the pane shows those not shown yet and
    // drops its oldest rows beyond the same number.
    const std::size_t kept = m_drawing.history.size();
    const std::size_t fresh = std::min(m_drawing.commandCount - m_shownHistory, kept);
    for (std::size_t i = kept - fresh; i < kept; ++i) {
        const HistoryEntry& entry = m_drawing.history[i];
        QString text = visibleText(entry.text);
        if (entry.length > entry.text.size()) {
            text += QStringLiteral("... (%1 bytes)").arg(entry.length);
        }
        auto* item = new QListWidgetItem(text, m_history);
        if (!entry.refusal.empty()) {
            item->setText(
                item->text() +
                QStringLiteral("   [refused: %1]").arg(QString::fromStdString(entry.refusal)));
            item->setForeground(Qt::red);
        } else if (!entry.known) {
            item->setText(item->text() + QStringLiteral("   [unknown: nothing drawn]"));
            item->setForeground(Qt::red);
        }
    }
    m_shownHistory = m_drawing.commandCount;
    while (m_history->count() > static_cast<int>(historyLimit)) {
        delete m_history->takeItem(0);
    }
    m_history->scrollToBottom();
    m_layers->clear();
    for (std::size_t i = 0; i < m_drawing.layers.size(); ++i) {
        const Layer& layer = m_drawing.layers[i];
        auto* item = new QListWidgetItem(
            QStringLiteral("%1%2  (colour %3)")
                .arg(i == m_drawing.activeLayer ? QStringLiteral("* ") : QStringLiteral("  "))
                .arg(QString::fromStdString(layer.name))
                .arg(layer.color),
            m_layers);
        item->setForeground(colorOfIndex(layer.color));
    }
    m_variables->setText(
        QStringLiteral("OSMODE = %1    CMDDIA = %2").arg(m_drawing.osmode).arg(m_drawing.cmddia));
    const std::size_t commands = m_drawing.commandCount;
    if (commands != m_fittedHistory) {
        m_fittedHistory = commands; // each new command shows its zoom window (or the extents)
        m_canvas->followZoomWindow();
    }
    m_canvas->update();
}

void HostWindow::saveAs()
{
    const QString file =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save as DXF"),
                                     QStringLiteral("drawing.dxf"), QStringLiteral("DXF (*.dxf)"));
    if (file.isEmpty()) {
        return;
    }
    if (!drawing::saveDxf(m_drawing, file.toStdString())) {
        QMessageBox::warning(this, QStringLiteral("Save as DXF"),
                             QStringLiteral("Cannot write %1").arg(file));
        return;
    }
    m_drawing.file = QFileInfo(file).absoluteFilePath().toStdString(); // names the document now
}

void HostWindow::saveAsStep()
{
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Save as STEP"),
                                                      QStringLiteral("part.step"),
                                                      QStringLiteral("STEP (*.step *.stp)"));
    if (file.isEmpty()) {
        return;
    }
    try {
        drawing::saveStep(m_drawing, file.toStdString());
    } catch (const drawing::StepSaveError& error) {
        QMessageBox::warning(this, QStringLiteral("Save as STEP"),
                             QStringLiteral("%1 is not written: %2")
                                 .arg(file, QString::fromStdString(error.what())));
    }
}

} // namespace cadhost
