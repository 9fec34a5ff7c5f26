#include "ui/text_fit.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QStringList>

#include <algorithm>

QSize textExtent(const QFont& font, const QString& text)
{
    const QFontMetrics metrics(font);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString& line : lines) {
        width =
            std::max({width, metrics.horizontalAdvance(line), metrics.boundingRect(line).width()});
    }
    return {width, metrics.lineSpacing() * static_cast<int>(lines.size())};
}

QFont fittedFont(const QFont& font, const QString& text, QSize box, int minimumPixelSize)
{
    QFont fitted = font;
    for (int size = font.pixelSize(); size > minimumPixelSize; --size) {
        fitted.setPixelSize(size);
        const QSize extent = textExtent(fitted, text);
        if (extent.width() <= box.width() && extent.height() <= box.height()) {
            return fitted;
        }
    }
    fitted.setPixelSize(std::min(font.pixelSize(), minimumPixelSize));
    return fitted;
}

void widenButtonsToText(QWidget* window)
{
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->text().isEmpty() && button->sizeHint().width() > button->width()) {
            button->resize(button->sizeHint().width(), button->height());
        }
    }
}
