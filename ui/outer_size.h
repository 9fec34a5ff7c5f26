#pragma once
// Keeps a top-level window at an outer size (frame and title bar included, screen pixels), the
// size the settings file stores. Window managers that frame a window only after it is first
// shown report the frame late; the size is applied again once the frame is known, so that a
// window started and closed without resizing gives back exactly the size it was given.

#include <QObject>
#include <QPoint>
#include <QSize>

#include <vector>

class QWidget;

class OuterSize : public QObject {
    Q_OBJECT
  public:
    // Watches window (a top-level widget) for the rest of its life.
    explicit OuterSize(QWidget* window);

    // The largest outer size that fits the available area of the window's screen, or of the
    // primary screen before the window is shown; an empty size when there is no screen.
    [[nodiscard]] QSize screenLimit() const;

    // Sizes the window to outer, raised to the window's minimum and reduced to the screen's
    // available area: a stored size must never give an invisible window or one larger than the
    // screen.
    void apply(QSize outer);

    // Moves the window's outer top-left corner to position, shifted as little as needed to keep
    // the window inside the screen's available area. Window managers may place it elsewhere.
    void place(QPoint position);

    // The outer size to store: the size last applied while nobody else has resized the window
    // since, else the window's present outer size.
    [[nodiscard]] QSize toStore() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    [[nodiscard]] QSize frameSize() const; // outer size minus inner size, as known now
    void resizeInner();

    QWidget* m_window;
    QSize m_wanted;                // outer size, bounded
    QSize m_frame;                 // the frame the last resize allowed for
    std::vector<QSize> m_ownSizes; // inner sizes the window had or was given since apply()
    bool m_following = false;      // the window still has the size last applied
    bool m_checkQueued = false;    // a look at the frame is due after the present painting
};
