#include "ui/outer_size.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

OuterSize::OuterSize(QWidget* window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
}

QSize OuterSize::screenLimit() const
{
    const QScreen* screen = m_window->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry().size() : QSize();
}

void OuterSize::apply(QSize outer)
{
    m_wanted = outer.expandedTo(m_window->minimumSize());
    if (const QSize limit = screenLimit(); limit.isValid() && !limit.isEmpty()) {
        m_wanted = m_wanted.boundedTo(limit);
    }
    m_ownSizes.clear();
    m_following = true;
    resizeInner();
}

void OuterSize::place(QPoint position)
{
    const QScreen* screen = m_window->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        const QSize size = m_window->frameGeometry().size().expandedTo(m_wanted);
        position.setX(std::max(area.left(), std::min(position.x(), area.right() + 1 - size.width())));
        position.setY(
            std::max(area.top(), std::min(position.y(), area.bottom() + 1 - size.height())));
    }
    m_window->move(position);
}

QSize OuterSize::toStore() const
{
    return m_following ? m_wanted : m_window->frameGeometry().size();
}

QSize OuterSize::frameSize() const
{
    return m_window->frameGeometry().size() - m_window->size();
}

void OuterSize::resizeInner()
{
    m_frame = frameSize();
    const QSize inner = (m_wanted - m_frame)
                            .expandedTo(m_window->minimumSize())
                            .boundedTo(m_window->maximumSize());
    m_ownSizes.push_back(inner);
    m_window->resize(inner);
}

bool OuterSize::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && m_following) {
        switch (event->type()) {
        case QEvent::Resize:
            // A size this object did not ask for was set by the user, the window manager or
            // the program: from now on the window's own size is the one to store.
            if (std::find(m_ownSizes.begin(), m_ownSizes.end(), m_window->size()) ==
                m_ownSizes.end()) {
                m_following = false;
            }
            break;
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::WindowActivate:
            // The frame becomes known at the showing, or only once the window manager has
            // framed the window: that moves its inner part, or else comes before it activates
            // the window.
            if (m_window->isVisible() && frameSize() != m_frame) {
                resizeInner();
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
