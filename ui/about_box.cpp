#include "ui/about_box.h"

#include "ui/pictures.h"
#include "ui/qt_text.h"
#include "ui/quorvel_version.h"
#include "ui/settings_file.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSysInfo>
#include <QUrl>
#include <QVBoxLayout>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// "Quorvel" in bold 22-point Arial with sunken lettering: a light copy below right, the dark
// text above it.
QPixmap sunkenTitle(const QString& text, const QPalette& palette)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(22);
    font.setBold(true);
    const QFontMetrics metrics(font);
    QPixmap pixmap(metrics.horizontalAdvance(text) + 4, metrics.height() + 4);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::Light));
    painter.drawText(2, metrics.ascent() + 2, text);
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawText(1, metrics.ascent() + 1, text);
    return pixmap;
}

} // namespace

AboutDlg::AboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    const double scale = logicalDpiX() / 96.0;
    setFixedWidth(static_cast<int>(440 * scale));

    auto* icon = new QLabel(this);
    const QPixmap gear = applicationPixmap();
    icon->setPixmap(gear.scaled(gear.size() * 2));
    icon->setFrameStyle(QFrame::Box | QFrame::Plain);
    icon->setLineWidth(1);
    auto* shadow = new QGraphicsDropShadowEffect(icon);
    shadow->setColor(Qt::gray);
    shadow->setOffset(4, 4);
    shadow->setBlurRadius(0);
    icon->setGraphicsEffect(shadow);

    auto* name = new QLabel(this);
    name->setPixmap(sunkenTitle(QStringLiteral("Quorvel"), palette()));
    auto* version = new QLabel(QStringLiteral("Версия ") + toQt(quorvelVersion), this);
    auto* description = new QLabel(QStringLiteral("Шпильки резьбовые"), this);
    auto* author = new QLabel(toQt(authorText), this);
    emailLink = new QLabel(
        QStringLiteral("<a href=\"mailto:%1\" style=\"color:blue\">%1</a>").arg(toQt(authorEmail)),
        this);
    emailLink->setTextFormat(Qt::RichText);
    emailLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(emailLink, &QLabel::linkActivated, this, &AboutDlg::openMail);

    auto* texts = new QVBoxLayout;
    for (QWidget* widget : {static_cast<QWidget*>(name), static_cast<QWidget*>(version),
                            static_cast<QWidget*>(description), static_cast<QWidget*>(author),
                            static_cast<QWidget*>(emailLink)}) {
        texts->addWidget(widget);
    }
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* line = new QFrame(this);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    memoryLine = new QLabel(memoryText(), this);
    platformLine = new QLabel(platformText(), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addWidget(memoryLine);
    layout->addWidget(platformLine);
    layout->addLayout(bottom);
    setWindowIcon(applicationIcon());
}

void AboutDlg::openMail()
{
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + toQt(authorEmail)))) {
        emailLink->setEnabled(false);
    }
}

QString AboutDlg::memoryText()
{
    // Free memory the system could hand to programs now.
    qint64 kilobytes = -1;
#ifdef _WIN32
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status) != 0) {
        kilobytes = static_cast<qint64>(status.ullAvailPhys / 1024);
    }
#else
    // Read line by line to the end: files under /proc report a size of 0, so a reader that
    // trusts the size sees nothing.
    std::ifstream meminfo("/proc/meminfo");
    for (std::string line; std::getline(meminfo, line);) {
        std::istringstream fields(line);
        std::string name;
        qint64 value = -1;
        if (fields >> name >> value && name == "MemAvailable:" && value >= 0) {
            kilobytes = value;
            break;
        }
    }
#endif
    return QStringLiteral("Available Memory: %1 KB")
        .arg(kilobytes >= 0 ? QString::number(kilobytes) : QStringLiteral("?"));
}

QString AboutDlg::platformText()
{
    return QStringLiteral("Platform, CPU: %1, %2 x %3")
        .arg(QSysInfo::prettyProductName())
        .arg(std::thread::hardware_concurrency())
        .arg(QSysInfo::currentCpuArchitecture());
}
