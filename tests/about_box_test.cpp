#include "ui/about_box.h"

#include <QLabel>

#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/sysinfo.h>
#endif

TEST(AboutBox, ShowsTheAvailableMemoryAsAFigure)
{
    const QString line = AboutDlg::memoryText();
    const QString prefix = QStringLiteral("Available Memory: ");
    const QString suffix = QStringLiteral(" KB");
    ASSERT_TRUE(line.startsWith(prefix) && line.endsWith(suffix)) << line.toStdString();
    bool isNumber = false;
    const qint64 kilobytes =
        line.mid(prefix.size(), line.size() - prefix.size() - suffix.size()).toLongLong(&isNumber);
    ASSERT_TRUE(isNumber) << line.toStdString();
    EXPECT_GT(kilobytes, 0);
#ifdef __linux__
    // No more than the machine has, as the kernel tells it through another door.
    struct sysinfo info {};
    ASSERT_EQ(sysinfo(&info), 0);
    EXPECT_LE(kilobytes, static_cast<qint64>(info.totalram) * info.mem_unit / 1024);
#endif
}
