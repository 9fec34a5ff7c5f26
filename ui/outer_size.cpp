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
    // The size the window had until now may still come back from the window system once, in
    // answer to an earlier request; it is not a resize by the user.
    m_ownSizes = {m_window->size()};
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
        position.setX(
            std::max(area.left(), std::min(position.x(), area.right() + 1 - size.width())));
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
    const QSize frame = m_window->frameGeometry().size() - m_window->size();
    // While a window manager reframes a window the frame can read as smaller than the window
    // for a moment; such a reading is no frame.
    return frame.width() >= 0 && frame.height() >= 0 ? frame : m_frame;
}

void OuterSize::resizeInner()
{
    m_frame = frameSize();
    const QSize inner = (m_wanted - m_frame)
                            .boundedTo(m_wanted)
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
            // framed the window: that moves the window's inner part, or else comes before the
            // window is first painted or activated.
            if (m_window->isVisible() && frameSize() != m_frame) {
                resizeInner();
            }
            break;
        case QEvent::Paint:
            // Not resized while it paints: after the painting.
            if (!m_checkQueued && m_window->isVisible() && frameSize() != m_frame) {
                m_checkQueued = true;
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        m_checkQueued = false;
                        if (m_following && m_window->isVisible() && frameSize() != m_frame) {
                            resizeInner();
                        }
                    },
                    Qt::QueuedConnection);
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
