#include "ui/pictures.h"

#include <QBitmap>
#include <QImage>

static void initPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace {

QPixmap resource(const char* name)
{
    static const bool loaded = (initPictures(), true);
    (void)loaded;
    return QPixmap(QStringLiteral(":/pictures/") + QLatin1String(name));
}

} // namespace

QPixmap studPicture(int index)
{
    QPixmap picture = resource(index == 1 ? "stud_1.pbm" : "stud_0.pbm");
    const QImage image = picture.toImage().convertToFormat(QImage::Format_RGB32);
    picture.setMask(QBitmap::fromImage(image.createMaskFromColor(qRgb(255, 255, 255))));
    return picture;
}

QPixmap applicationPixmap()
{
    return resource("quorvel.xpm");
}

QIcon applicationIcon()
{
    return QIcon(applicationPixmap());
}

QIcon arrowDownIcon()
{
    return QIcon(resource("arrow_down.xpm"));
}

QIcon questionIcon()
{
    return QIcon(resource("question.xpm"));
}
