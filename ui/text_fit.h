#pragma once
// Fitting a text of several lines into a fixed box by its font size, for titles read from data
// files whose length the window's design cannot know.

#include <QFont>
#include <QSize>
#include <QString>

// Width and height that text takes in font: the widest line (ink or advance, whichever is
// wider, so that bold overhangs count) and the line spacing times the number of lines.
[[nodiscard]] QSize textExtent(const QFont& font, const QString& text);

// font at its own pixel size when text fits box, else at the largest smaller pixel size at which
// it fits, but never below minimumPixelSize. Lines are separated by '\n'.
[[nodiscard]] QFont fittedFont(const QFont& font, const QString& text, QSize box,
                               int minimumPixelSize = 6);

class QWidget;

// Widens each check box and button of window whose caption needs more room than the design
// gave it, keeping its left edge: the platform's font may be wider than the design's.
void widenButtonsToText(QWidget* window);
