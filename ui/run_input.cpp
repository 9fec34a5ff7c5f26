#include "ui/run_input.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputEvent>
#include <QWidget>

RunInput::RunInput(QWidget* window) : QObject(window), m_window(window)
{
    // On the application, so that input to any child of the window passes here first.
    qApp->installEventFilter(this);
}

void RunInput::startsRuns(QList<QAbstractButton*> buttons)
{
    m_buttons = std::move(buttons);
}

void RunInput::runStarted()
{
    m_runFrom = m_lastInput;
    m_runUntil = m_lastInput;
    m_run.start();
}

void RunInput::runEnded()
{
    // Time stamps count milliseconds as the run's clock does.
    m_runUntil = m_runFrom + static_cast<quint64>(m_run.elapsed());
}

bool RunInput::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        break;
    default:
        return false;
    }
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != m_window) {
        return false;
    }
    const quint64 stamp = static_cast<QInputEvent*>(event)->timestamp();
    // Input without a stamp (0, made by a program) is never taken for the user's.
    if (stamp > m_runFrom && stamp <= m_runUntil) {
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick &&
        m_buttons.contains(qobject_cast<QAbstractButton*>(watched))) {
        return true; // the release that follows finds the button not pressed: no click
    }
    m_lastInput = std::max(m_lastInput, stamp);
    return false;
}
