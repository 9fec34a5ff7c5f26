// The edit in place as the window shows it: the stud «Чертить» will replace, kept or dropped by
// what the user does next; and click bursts on the buttons that start a run.
#include "main_form_fixture.h"
#include "model/number_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QThread>
#include <QToolButton>

namespace {

// The stud picked: М12×25 ГОСТ 22032-76, a 2D block of table sizes.
StoredStud pickedStud()
{
    StoredStud stud;
    stud.standard = "22032-76";
    stud.d = 12;
    stud.L = 25;
    stud.b = 15.5;
    stud.b1 = 12;
    stud.c = 1.6;
    stud.P = 1.75;
    return stud;
}

void pressSpace(QWidget* widget)
{
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_Space);
}

} // namespace

// After «Изменить…» has picked a stud, the window shows that «Чертить» will replace it. A change
// that still draws a block keeps it (sizes, free dimensions, the solid, another standard that
// lists the stud's d and L, which stay chosen); a change that draws no block, Esc, the drop
// button, a standard that cannot show the stud's sizes and a second pick that gives no stud
// drop it, and «Чертить» then draws a new stud. A failed replacement is still shown.
TEST_F(MainForm, PendingReplacementIsShownUntilDoneOrDropped)
{
    const std::string caption = "«Чертить» заменит\nМ12×25 ГОСТ 22032-76";
    const struct {
        const char* label;
        std::function<void()> act;
        bool kept;
        const char* standard; // of the block drawn
        const char* L;        // of the block drawn
    } rows[] = {
        {"nothing else", [] {}, true, "22032-76", "25"},
        {"another length typed", [this] { type(form->cbLenght, "30"); }, true,
         "22032-76", "30"},
        {"free dimensions", [this] { pressSpace(form->chbCastom); }, true, "22032-76",
         "25"},
        {"3D as a solid",
         [this] {
             form->chbSolid->setChecked(true); // chosen at an earlier 3D drawing
             pressSpace(form->chb3D);
         },
         true, "22032-76", "25"},
        {"another standard listing d 12 and L 25",
         [this] { chooseStandard(8, true); }, true, "22040-76", "25"},
        {"3D by the part commands", [this] { pressSpace(form->chb3D); }, false,
         nullptr, nullptr},
        {"«- блоком» unticked", [this] { pressSpace(form->chbBlock); }, false,
         nullptr, nullptr},
        {"Esc", [this] { QTest::keyClick(form->cbLenght->lineEdit(), Qt::Key_Escape); },
         false, "22032-76", "25"},
        {"the drop button",
         [this] { QTest::mouseClick(form->sbNoReplace, Qt::LeftButton); }, false,
         "22032-76", "25"},
        {"the drop button reached by Tab from «Изменить…», and Return",
         [this] {
             QTest::keyClick(form->bbEdit, Qt::Key_Tab);
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
         },
         false, "22032-76", "25"},
        {"a plain-hole standard, whose M12 starts at 40",
         [this] { chooseStandard(10, true); }, false, "22042-76", "40"},
        {"another standard in free-dimension mode",
         [this] {
             pressSpace(form->chbCastom);
             chooseStandard(8, true);
         },
         false, "22040-76", "25"},
        {"a second pick on no stud",
         [this] {
             picked.reset();
             QTest::mouseClick(form->bbEdit, Qt::LeftButton);
         },
         false, "22032-76", "25"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        draws.clear();
        picked = pickedStud();
        start();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        EXPECT_FALSE(form->LReplace->isVisible());
        QTest::mouseClick(form->bbEdit, Qt::LeftButton);
        ASSERT_TRUE(form->LReplace->isVisible());
        EXPECT_EQ(form->LReplace->text().toStdString(), caption);
        EXPECT_TRUE(form->chbBlock->isChecked());

        row.act();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->LReplace->isVisible(), row.kept);
        EXPECT_EQ(form->sbNoReplace->isVisible(), row.kept);
        if (row.kept) {
            EXPECT_EQ(form->LReplace->text().toStdString(), caption);
        }
        QTest::mouseClick(form->bbDraw, Qt::LeftButton);
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].replaced, row.kept);
        EXPECT_EQ(draws[0].block.has_value(), row.standard != nullptr);
        if (draws[0].block) {
            EXPECT_EQ(draws[0].block->stored.standard, row.standard);
            EXPECT_EQ(numberText(draws[0].block->stored.L), row.L);
        }
        EXPECT_FALSE(form->LReplace->isVisible()); // done, or dropped before
        EXPECT_TRUE(reporter.messages.empty());
    }

    // A replacement that fails stays to be done, and is shown so.
    draws.clear();
    picked = pickedStud();
    replacementFails = true;
    start();
    QTest::mouseClick(form->bbEdit, Qt::LeftButton);
    QTest::mouseClick(form->bbDraw, Qt::LeftButton);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_FALSE(draws[0].replaced);
    EXPECT_TRUE(form->LReplace->isVisible());
    EXPECT_EQ(form->LReplace->text().toStdString(), caption);
}

// One click burst is one run. The second click of a double click, or a second Return, made
// while the run goes on reaches the window either during the run or, queued by the window
// system, once the window is back; neither starts another run, and the double click's own event
// is no click either. A click made once the window is back is a run of its own.
TEST_F(MainForm, ClickBurstsAreOneRun)
{
    enum class Second { QueuedClick, ClickDuringRun, DoubleClickEvent, QueuedReturn };
    const struct {
        const char* label;
        QPushButton* TForm1::*button;
        Second second;
        int after;  // ms after the first click's release (or the first Return)
        int runMs;  // how long the run takes
        int runs;
    } rows[] = {
        {"double click on «Чертить»", &TForm1::bbDraw, Second::QueuedClick, 80, 200, 1},
        {"double click on «Изменить…»", &TForm1::bbEdit, Second::QueuedClick, 150, 200, 1},
        {"second click while the run goes on", &TForm1::bbDraw, Second::ClickDuringRun, 100, 200,
         1},
        {"double click after a quick run", &TForm1::bbDraw, Second::DoubleClickEvent, 120, 0, 1},
        {"Return pressed twice", &TForm1::bbDraw, Second::QueuedReturn, 60, 200, 1},
        {"a click once the window is back", &TForm1::bbDraw, Second::QueuedClick, 600, 200, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        start();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        draws.clear();
        picks = 0;
        QPushButton* button = (*form).*row.button;
        const auto click = [&](int stamp) { // the release's stamp
            QTest::lastMouseTimestamp = stamp - 3; // a click takes three steps of its clock
            QTest::mouseClick(button, Qt::LeftButton);
        };
        const auto pressReturn = [](QWidget* to, int stamp) {
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier);
                key.setTimestamp(static_cast<quint64>(stamp));
                QApplication::sendEvent(to, &key);
            }
        };
        const int first = QTest::lastMouseTimestamp + 10000;
        QWidget* typing = form->cbLenght->lineEdit();
        int runsSeen = 0;
        duringRun = [&] {
            if (++runsSeen > 1) {
                return;
            }
            QThread::msleep(static_cast<unsigned long>(row.runMs));
            const int second = first + row.after;
            if (row.second == Second::ClickDuringRun) {
                click(second);
            } else if (row.second == Second::QueuedClick) {
                QTimer::singleShot(0, form.get(), [&click, second] { click(second); });
            } else if (row.second == Second::QueuedReturn) {
                // To the widget that had the focus: it has it again once the window is back.
                QTimer::singleShot(0, form.get(), [&pressReturn, &typing, second] {
                    pressReturn(typing, second);
                });
            }
        };
        if (row.second == Second::QueuedReturn) {
            typing->setFocus();
            pressReturn(typing, first);
        } else {
            click(first);
        }
        if (row.second == Second::DoubleClickEvent) {
            QTest::lastMouseTimestamp = first + row.after - 1;
            QTest::mouseDClick(button, Qt::LeftButton);
            QTest::mouseRelease(button, Qt::LeftButton);
        }
        QTest::qWait(50); // what the window system had queued arrives
        EXPECT_EQ(static_cast<int>(draws.size()) + picks, row.runs);
        EXPECT_TRUE(form->isVisible());
        duringRun = nullptr;
    }
}
