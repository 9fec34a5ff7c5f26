// The sizes and the place of the two windows: the stored outer size comes back unchanged, a
// stored size never exceeds the screen, and the main window opens at its design position.
#include "main_form_fixture.h"
#include "ui/settings_file.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

QSize available()
{
    return QGuiApplication::primaryScreen()->availableGeometry().size();
}

} // namespace

TEST_F(MainForm, StoredSizesComeBackUnchangedAfterAStartAndAClose)
{
    const QSize screen = available();
    const struct {
        const char* label;
        int mainWidth, mainHeight, selectWidth, selectHeight; // as stored
        int wantMainWidth, wantMainHeight, wantSelectWidth, wantSelectHeight;
    } rows[] = {
        {"defaults", 455, 250, 645, 275, 455, 250, 645, 275},
        {"other sizes", 520, 330, 500, 300, 520, 330, 500, 300},
        {"the largest integer", 2147483647, 2147483647, 2147483647, 2147483647, screen.width(),
         screen.height(), screen.width(), screen.height()},
        {"just over the screen", screen.width() + 1, screen.height() + 1, screen.width() + 1,
         screen.height() + 1, screen.width(), screen.height(), screen.width(), screen.height()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        writeIni("[Общая]\r\nВысота1=" + std::to_string(row.mainHeight) + "\r\nШирина1=" +
                 std::to_string(row.mainWidth) + "\r\nВысота2=" + std::to_string(row.selectHeight) +
                 "\r\nШирина2=" + std::to_string(row.selectWidth) + "\r\n");
        state = MainUnitState{};
        start();
        EXPECT_EQ(form->frameGeometry().size(), QSize(row.wantMainWidth, row.wantMainHeight));
        QTimer::singleShot(0, select.get(), [this, &row] {
            EXPECT_EQ(select->frameGeometry().size(),
                      QSize(row.wantSelectWidth, row.wantSelectHeight));
            select->bbOk->click();
        });
        form->sbGostClick();
        form->close();
        const Settings saved = readSettings(settingsPath(base()));
        EXPECT_EQ(saved.mainWidth, row.wantMainWidth);
        EXPECT_EQ(saved.mainHeight, row.wantMainHeight);
        EXPECT_EQ(saved.SelectWidth, row.wantSelectWidth);
        EXPECT_EQ(saved.SelectHeight, row.wantSelectHeight);
    }
}

TEST_F(MainForm, ResizedWindowsStoreTheirNewOuterSize)
{
    start();
    form->resize(500, 300);
    QTimer::singleShot(0, select.get(), [this] {
        select->resize(600, 280);
        select->reject(); // a size changed by the user holds even when the dialog is cancelled
    });
    form->sbGostClick();
    const QSize mainOuter = form->frameGeometry().size();
    const QSize selectOuter = select->frameGeometry().size();
    EXPECT_EQ(select->size(), QSize(600, 280));
    EXPECT_GT(selectOuter.width(), 600); // the frame is counted
    form->close();
    const Settings saved = readSettings(settingsPath(base()));
    EXPECT_EQ(QSize(saved.mainWidth, saved.mainHeight), mainOuter);
    EXPECT_EQ(QSize(saved.SelectWidth, saved.SelectHeight), selectOuter);
}

TEST_F(MainForm, MainWindowOpensAtItsDesignPosition)
{
    start();
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(158, 156));
    form->close();

    // A window as large as the screen is moved only as far as it must to stay on it.
    writeIni("[Общая]\r\nШирина1=2147483647\r\n");
    start();
    EXPECT_EQ(form->frameGeometry().left(), 0);
    EXPECT_EQ(form->frameGeometry().top(), 156);
}
