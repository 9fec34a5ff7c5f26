#pragma once
// One click burst is one run. While the main window is away for a run (a drawing, a pick), the
// window system queues what the user does to it, the second click of a double click or a key
// pressed twice, and delivers it once the window is back, where it would start a second run.
// Input is told apart by the window system's time stamps: what was stamped after the input that
// started the run and before the window came back belongs to the run and is dropped. A double
// click on the buttons that start runs counts as one click.

#include <QElapsedTimer>
#include <QList>
#include <QObject>

class QAbstractButton;
class QWidget;

class RunInput : public QObject {
    Q_OBJECT
  public:
    // Watches the input to window and its children for the window's life.
    explicit RunInput(QWidget* window);

    // The buttons whose double click is one click.
    void startsRuns(QList<QAbstractButton*> buttons);

    // A run begins, started by the input seen last; it ends when the window is back.
    void runStarted();
    void runEnded();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* m_window;
    QList<QAbstractButton*> m_buttons;
    quint64 m_lastInput = 0; // the stamp of the latest input to the window
    quint64 m_runFrom = 0;   // the stamp of the input that started the last run
    quint64 m_runUntil = 0;  // the last stamp that belongs to that run
    QElapsedTimer m_run;
};
