#include "main_form_fixture.h"
#include "ui/about_box.h"
#include "ui/main_report.h"
#include "ui/qt_text.h"
#include "ui/quorvel_version.h"
#include "ui/settings_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

TEST_F(MainForm, StartsWithTheFirstStandardLoaded)
{
    start();
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(form->windowTitle().toStdString(), "Тремикон - Quorvel v.1.1");
    EXPECT_EQ(form->LName->text().toStdString(),
              "Шпильки с ввинчиваемым концом длиной 1d\nКласс точности В\nГОСТ 22032-76");
    EXPECT_EQ(form->pictureIndex(), 0);
    EXPECT_FALSE(form->Image->pixmap().isNull());
    EXPECT_EQ(text(form->cbDiam), "2");
    EXPECT_EQ(form->cbDiam->count(), 20);
    EXPECT_EQ(text(form->cbLenght), "10");
    EXPECT_EQ(text(form->eB), "8.2");
    EXPECT_EQ(text(form->eB1), "2");
    EXPECT_EQ(text(form->eC), "0.3");
    EXPECT_EQ(form->LPitch->text().toStdString(), "0.4");
    EXPECT_FALSE(form->LPitch->isVisible());
    EXPECT_TRUE(form->eB1->isVisible());
    EXPECT_FALSE(form->eB->isEnabled());
    EXPECT_EQ(state.GostNumber, "22032-76");
    EXPECT_EQ(state.DiamTablePath, base() + "_22032-76.dat");
    EXPECT_EQ(state.LengthTablePath, base() + "_ris_1.dat");
    EXPECT_EQ(form->chb3D->toolTip().toStdString(), "Двухмерная деталь");
}

TEST_F(MainForm, ChangingTheStandard)
{
    start();
    type(form->cbDiam, "12");
    ASSERT_EQ(text(form->cbDiam), "12");

    chooseStandard(0, true); // OK on the current standard reloads nothing
    EXPECT_EQ(text(form->cbDiam), "12");

    chooseStandard(10, false); // Cancel after moving the selection
    EXPECT_EQ(state.GostIndex, 0);
    EXPECT_EQ(text(form->cbDiam), "12");

    chooseStandard(10, true);
    EXPECT_EQ(state.GostIndex, 10);
    EXPECT_EQ(form->pictureIndex(), 1);
    EXPECT_FALSE(form->eB1->isVisible());
    EXPECT_FALSE(form->LB1->isVisible());
    EXPECT_EQ(text(form->cbDiam), "2");
    EXPECT_EQ(text(form->eB), "Полная");
    EXPECT_NE(form->LName->text().toStdString().find("ГОСТ 22042-76"), std::string::npos);
    EXPECT_TRUE(reporter.messages.empty());

    // The dialog opens on the current standard and keeps the size it had when it closed.
    QTimer::singleShot(0, select.get(), [this] {
        EXPECT_EQ(select->lbGost->currentRow(), 10);
        select->resize(700, 320);
        select->reject();
    });
    form->sbGostClick();
    EXPECT_EQ(state.SelectWidth, select->frameGeometry().width());
    EXPECT_EQ(state.SelectHeight, select->frameGeometry().height());
    EXPECT_EQ(select->width(), 700);
}

TEST_F(MainForm, SelectionItemsAreTheFixedTexts)
{
    start();
    ASSERT_EQ(select->lbGost->count(), 12);
    EXPECT_EQ(select->lbGost->item(0)->text().toStdString(),
              "C ввинчиваемыми концами 1*d,    класс точности В ГОСТ 22032-76");
    EXPECT_EQ(select->lbGost->item(11)->text().toStdString(),
              "Для деталей с гладкими отв.,    класс точности А ГОСТ 22043-76");
    const int column = static_cast<int>(select->lbGost->item(0)->text().indexOf("класс"));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(select->lbGost->item(i)->text().indexOf("класс"), column) << i;
    }
}

TEST_F(MainForm, TypingCompletesOrLeavesNoItemSelected)
{
    start();
    type(form->cbDiam, "1");
    EXPECT_EQ(text(form->cbDiam), "10"); // the first item that begins with "1"
    EXPECT_EQ(form->cbDiam->itemIndex(), 7);
    EXPECT_EQ(text(form->eB1), "10");
    EXPECT_EQ(text(form->cbLenght), "16");
    EXPECT_EQ(text(form->eB), "8");

    type(form->cbLenght, "4");
    EXPECT_EQ(text(form->cbLenght), "40");
    EXPECT_EQ(text(form->eB), "26");

    type(form->cbLenght, "x"); // begins no item
    EXPECT_EQ(form->cbLenght->itemIndex(), -1);
    EXPECT_EQ(text(form->eB), "26");
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, tableReadReport("LenghtChange", base() + "_ris_1.dat"));
    EXPECT_EQ(reporter.messages[0].caption, "Error");

    type(form->cbDiam, "q");
    EXPECT_EQ(form->cbDiam->itemIndex(), -1);
    EXPECT_EQ(text(form->eB1) + text(form->eC) + form->LPitch->text().toStdString(), "");
    EXPECT_EQ(form->cbLenght->count(), 0);
    EXPECT_EQ(text(form->cbLenght), "");
    EXPECT_EQ(reporter.messages.back().text,
              tableReadReport("SetDataDetal", base() + "_ris_1.dat"));
}

TEST_F(MainForm, FreeDimensionModeOnAndOff)
{
    start();
    form->chbCastom->click();
    EXPECT_TRUE(form->eDiam->isVisible());
    EXPECT_FALSE(form->cbDiam->isVisible());
    EXPECT_EQ(text(form->eDiam), "2");
    EXPECT_EQ(text(form->eLenght), "10");
    EXPECT_TRUE(form->eB->isEnabled());
    form->eB->setText("5");
    form->eB1->setText("6");
    form->chbCastom->click();
    EXPECT_FALSE(form->eDiam->isVisible());
    EXPECT_FALSE(form->eB->isEnabled());
    EXPECT_EQ(text(form->eB), "8.2");
    EXPECT_EQ(text(form->eB1), "2");
}

TEST_F(MainForm, DrawHandsOverTheNumbersAndThePartName)
{
    start();
    type(form->cbDiam, "12");
    type(form->cbLenght, "40");
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].PartName, "Шпилька_M12x40_ГОСТ_22032-76");
    EXPECT_EQ(draws[0].L, 52); // 40 + b1
    EXPECT_EQ(draws[0].b, 30);
    EXPECT_EQ(draws[0].b1, 12);
    EXPECT_EQ(draws[0].c, 1.6);
    EXPECT_FALSE(draws[0].is3D);
    EXPECT_FALSE(visibleWhileDrawing);
    EXPECT_TRUE(form->isVisible());

    // Free dimensions: the typed values, and the name carries the typed d and L.
    form->chbCastom->click();
    form->eDiam->setText("16");
    form->eLenght->setText("80");
    form->eB->setText("Полная");
    form->chb3D->click();
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[1].PartName, "Шпилька_M16x80_ГОСТ_22032-76");
    EXPECT_EQ(draws[1].b, 40);
    EXPECT_EQ(draws[1].b1, 40);
    EXPECT_EQ(draws[1].L, 120);
    EXPECT_TRUE(draws[1].is3D);
    EXPECT_EQ(form->chb3D->toolTip().toStdString(), "Трехмерная деталь (только для MDT6)");
}

TEST_F(MainForm, EnterDrawsAndEscapeCloses)
{
    start();
    QTest::keyClick(form->cbDiam->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(draws.size(), 1u);
    QTest::keyClick(form->chb3D, Qt::Key_Enter);
    EXPECT_EQ(draws.size(), 2u);
    QSignalSpy closed(form.get(), &TForm1::closed);
    QTest::keyClick(form->cbLenght->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(MainForm, DrawPlainHoleCopiesBIntoB1)
{
    start();
    chooseStandard(11, true);
    form->bbDrawClick(); // d 2, L 10: "Полная"
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].L, 10);
    EXPECT_EQ(draws[0].b, 5);
    EXPECT_EQ(draws[0].b1, 5);

    form->chbCastom->click();
    form->eB->setText("7");
    form->eB1->setText("99");
    form->bbDrawClick();
    EXPECT_EQ(text(form->eB1), "7");
    EXPECT_EQ(draws.back().b1, 7);
    EXPECT_EQ(draws.back().L, 10);
}

TEST_F(MainForm, DrawRefusesBadAndZeroValues)
{
    start();
    form->chbCastom->click();
    form->eC->setText("1,6");
    form->bbDrawClick();
    form->eC->setText("1.6");
    form->eB->setText("0");
    form->bbDrawClick();
    EXPECT_TRUE(draws.empty());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(reporter.messages.size(), 2u);
    EXPECT_EQ(reporter.messages[0].caption, "Error");
    EXPECT_EQ(reporter.messages[0].text,
              "Модуль     : Quorvel_Main\r\nПроцедура: bbDrawClick\r\nОшибка    : Преобразование "
              "размеров! (EConvertError)\r\nПроверьте числовые значения");
    EXPECT_EQ(reporter.messages[1].caption, "Warning");
    EXPECT_EQ(reporter.messages[1].text,
              "Ошибка в размерах шпильки!\r\nОдно из числовых значений равно нулю");

    form->eB->setText("-3"); // negative values pass
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].b, -3);

    // Each value is finite, their sum is not: refused before anything reaches the host.
    form->eLenght->setText("1e308");
    form->eB->setText("1e308");
    form->eB1->setText("1e308");
    reporter.messages.clear();
    form->bbDrawClick();
    EXPECT_EQ(draws.size(), 1u);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{std::string(conversionReport)});
}

TEST_F(MainForm, WindowShowsAgainWhenAnErrorEscapesTheDrawing)
{
    form = std::make_unique<TForm1>(
        state, reporter,
        [](bool, const std::string&, double, double, double, double, double, const StudBlock*) {
            throw std::runtime_error("host gone");
        },
        base());
    form->show();
    form->bbDrawClick();
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, "host gone");
}

TEST_F(MainForm, TableFailuresNameTheFile)
{
    std::filesystem::remove(dir.path() / "quorvel.dat");
    start();
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{tableReadReport("WorkForm", base() + ".dat")});

    TempDir other;
    dir.write("quorvel.dat", "T1\r\nT2\r\n22032-76\r\nris_1\r\n\r\n");
    std::filesystem::remove(dir.path() / "quorvel_22032-76.dat");
    reporter.messages.clear();
    form->WorkForm();
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{tableReadReport("WorkForm", base() + "_22032-76.dat")});
    EXPECT_EQ(form->cbDiam->count(), 0);
    EXPECT_EQ(text(form->cbDiam), "");

    // Header only: empty fields, and the length list fails for want of a selected diameter.
    dir.write("quorvel_22032-76.dat", "d   b1    P     c\r\n");
    reporter.messages.clear();
    form->WorkForm();
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{tableReadReport("SetDataDetal", base() + "_ris_1.dat")});
    EXPECT_EQ(text(form->eB1) + text(form->eC), "");

    // A diameter without lengths.
    dir.write("quorvel_22032-76.dat", "d   b1    P     c\r\n7   7     1     1\r\n");
    reporter.messages.clear();
    form->eB->setText("kept");
    form->WorkForm();
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{tableReadReport("LenghtChange", base() + "_ris_1.dat")});
    EXPECT_EQ(text(form->eB), "kept");

    // A catalogue cut short inside the record: the catalogue is named, not a file derived from
    // the missing lines, and the title stays.
    const QString title = form->LName->text();
    for (const char* catalogue : {"T1\r\nT2\r\n22032-76\r\n",
                                  // A number that is a path of its own would read tables from
                                  // elsewhere and go into the part name the CAD program gets.
                                  "T1\r\nT2\r\n../../x\r\nris_1\r\n\r\n"}) {
        dir.write("quorvel.dat", catalogue);
        reporter.messages.clear();
        form->WorkForm();
        EXPECT_EQ(messageTexts(),
                  std::vector<std::string>{tableReadReport("WorkForm", base() + ".dat")});
        EXPECT_EQ(form->LName->text(), title);
    }
}

TEST_F(MainForm, FirstRunWritesEveryKey)
{
    start();
    EXPECT_EQ(form->frameGeometry().width(), 455);
    EXPECT_EQ(form->frameGeometry().height(), 250);
    QSignalSpy closed(form.get(), &TForm1::closed);
    form->BitBtn3Click();
    EXPECT_EQ(closed.count(), 1);
    const std::string ini = settingsPath(base());
    const Settings saved = readSettings(ini);
    EXPECT_EQ(saved.mainWidth, 455);
    EXPECT_EQ(saved.mainHeight, 250);
    EXPECT_EQ(saved.cadApplication, "AutoCAD.Application");
    std::ifstream in(ini, std::ios::binary);
    int lines = 0;
    for (std::string line; std::getline(in, line);) {
        lines += line.find('=') != std::string::npos;
    }
    EXPECT_EQ(lines, 13);
    EXPECT_FALSE(saved.solid3D);
    EXPECT_FALSE(saved.asBlock);
}

// «- тело» chooses how the 3D stud is built; it can be reached and changed only while «- 3D» is
// checked, by the keyboard as by the mouse, and it is kept in the settings file.
TEST_F(MainForm, SolidChoiceFollowsThe3DBoxAndIsKept)
{
    writeIni("[Общая]\r\nВид_3D=0\r\nТело_3D=1\r\n");
    start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_TRUE(form->chbSolid->isChecked());
    EXPECT_FALSE(form->chbSolid->isEnabled());

    form->chb3D->setFocus();
    QTest::keyClick(form->chb3D, Qt::Key_Space);
    ASSERT_TRUE(form->chb3D->isChecked());
    EXPECT_TRUE(form->chbSolid->isEnabled());
    EXPECT_EQ(form->chbSolid->toolTip().toStdString(),
              "Трехмерное тело через объектную модель (любая программа с интерфейсом "
              "автоматизации AutoCAD)");
    QTest::keyClick(form->chb3D, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->chbSolid);
    QTest::keyClick(form->chbSolid, Qt::Key_Space);
    EXPECT_FALSE(form->chbSolid->isChecked());
    EXPECT_EQ(form->chbSolid->toolTip().toStdString(),
              "Трехмерная деталь командами модуля деталей (нужен MDT6)");
    EXPECT_EQ(form->chb3D->toolTip().toStdString(), "Трехмерная деталь (только для MDT6)");
    form->bbDrawClick();
    form->chbSolid->click();
    form->bbDrawClick();
    form->chb3D->click(); // 2D: the solid box is kept, but greyed out
    EXPECT_FALSE(form->chbSolid->isEnabled());
    EXPECT_TRUE(form->chbSolid->isChecked());
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_TRUE(draws[0].is3D);
    EXPECT_FALSE(draws[0].solid3D);
    EXPECT_TRUE(draws[1].is3D);
    EXPECT_TRUE(draws[1].solid3D);
    EXPECT_FALSE(draws[2].is3D);

    form->close();
    const Settings saved = readSettings(settingsPath(base()));
    EXPECT_FALSE(saved.is3D);
    EXPECT_TRUE(saved.solid3D);
}

TEST_F(MainForm, SettingsAreReadAndWrittenBack)
{
    writeIni("[Общая]\r\nВысота1=слово\r\nШирина1=500\r\nВид_3D=1\r\nВысота2=-5\r\nБлок=1\r\n"
             "[Слои]\r\nОсновной=Контур\r\nТонкий=Тонкие\r\nОсевой=Оси\r\n"
             "[CAD]\r\nApplication=OtherCad.Application\r\n");
    start();
    EXPECT_TRUE(form->chb3D->isChecked());
    EXPECT_TRUE(form->chbBlock->isChecked());
    EXPECT_EQ(form->chb3D->toolTip().toStdString(), "Трехмерная деталь (только для MDT6)");
    EXPECT_EQ(form->frameGeometry().height(), 250);
    EXPECT_EQ(form->frameGeometry().width(), 500);
    EXPECT_EQ(state.layers.LayerMain, "Контур");
    EXPECT_EQ(state.layers.LayerAxis, "Оси");
    EXPECT_EQ(state.cadApplication, "OtherCad.Application");
    form->resize(520, 300);
    const int heightAtClose = form->frameGeometry().height();
    form->close();
    const Settings saved = readSettings(settingsPath(base()));
    EXPECT_EQ(saved.mainHeight, heightAtClose); // the actual height replaces the word
    EXPECT_GE(saved.mainHeight, 300);
    EXPECT_EQ(saved.SelectHeight, -5); // kept as read while the dialog was never opened
    EXPECT_EQ(saved.layers.LayerThin, "Тонкие");
    EXPECT_EQ(saved.cadApplication, "OtherCad.Application");
    EXPECT_TRUE(saved.asBlock);
}

TEST_F(MainForm, BlockCarriesTheDesignationAndTheSizes)
{
    start();
    EXPECT_FALSE(form->chbBlock->isChecked()); // loose lines unless chosen
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_FALSE(draws[0].block.has_value());

    form->chbBlock->setFocus();
    QTest::keyClick(form->chbBlock, Qt::Key_Space);
    ASSERT_TRUE(form->chbBlock->isChecked());
    type(form->cbDiam, "12");
    type(form->cbLenght, "100");
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 2u);
    ASSERT_TRUE(draws[1].block.has_value());
    const StudBlock& block = *draws[1].block;
    EXPECT_EQ(block.name, "GOST22032-76_M12x100");
    EXPECT_EQ(block.attributes.at(0).value, "Шпилька М12×100 ГОСТ 22032-76");
    EXPECT_EQ(block.stored.L, 100);
    EXPECT_EQ(draws[1].L, 112);
    EXPECT_EQ(block.stored.P, 1.75);

    // The part commands' 3D part stays a part.
    form->chb3D->setChecked(true);
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_FALSE(draws[2].block.has_value());

    // The object model's solid is a block of its own, flagged as the solid.
    form->chbSolid->setChecked(true);
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 4u);
    ASSERT_TRUE(draws[3].block.has_value());
    EXPECT_EQ(draws[3].block->name, "GOST22032-76_M12x100_3D");
    EXPECT_TRUE(draws[3].block->stored.solid);
}

TEST_F(MainForm, EditShowsThePickedStudInTableOrFreeMode)
{
    start();
    StoredStud table;
    table.standard = "22043-76"; // another standard than the one on screen
    table.d = 16;
    table.L = 80;
    table.b = 40;
    table.b1 = 40;
    table.c = 2;
    table.P = 2;
    StoredStud free = table;
    free.standard = "22032-76";
    free.L = 83;
    free.b = 20.5;
    free.b1 = 16;
    const struct {
        const char* label;
        StoredStud stud;
        bool freeMode;
        const char* d;
        const char* L;
        const char* b;
        const char* title;
    } rows[] = {
        {"a row of the tables", table, false, "16", "80", "Полная", "ГОСТ 22043-76"},
        {"free dimensions", free, true, "16", "83", "20.5", "ГОСТ 22032-76"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        picked = row.stud;
        form->bbEdit->setFocus();
        QTest::keyClick(form->bbEdit, Qt::Key_Return);
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(form->LName->text().endsWith(QString::fromUtf8(row.title)));
        EXPECT_EQ(form->chbCastom->isChecked(), row.freeMode);
        EXPECT_EQ(text(row.freeMode ? form->eDiam : form->cbDiam->lineEdit()), row.d);
        EXPECT_EQ(text(row.freeMode ? form->eLenght : form->cbLenght->lineEdit()), row.L);
        EXPECT_EQ(text(form->eB), row.b);
        EXPECT_TRUE(form->chbBlock->isChecked());
    }
    // A cancelled pick changes nothing.
    picked.reset();
    form->bbEditClick();
    EXPECT_EQ(text(form->eLenght), "83");
#if QT_CONFIG(accessibility)
    EXPECT_EQ(form->bbEdit->accessibleName().toStdString(), "Изменить…");
#endif
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(MainForm, UnwritableSettingsStillLetTheWindowClose)
{
    std::filesystem::create_directory(settingsPath(base()));
    start();
    QSignalSpy closed(form.get(), &TForm1::closed);
    form->close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, "Unable to write to " + settingsPath(base()));
}

TEST(AboutBox, ShowsNameVersionAndSystemLines)
{
    AboutDlg about;
    EXPECT_EQ(about.windowTitle().toStdString(), "О программе");
    EXPECT_TRUE(about.memoryLine->text().startsWith("Available Memory: "));
    EXPECT_TRUE(about.memoryLine->text().endsWith(" KB"));
    EXPECT_TRUE(about.platformLine->text().startsWith("Platform, CPU: "));
    EXPECT_TRUE(about.emailLink->text().contains("mailto:quorvel@example.org"));
    // The project's version, as the Windows version resource carries it.
    const QString version = QStringLiteral("Версия ") + toQt(quorvelVersion);
    const auto labels = about.findChildren<QLabel*>();
    EXPECT_EQ(std::count_if(labels.begin(), labels.end(),
                            [&](const QLabel* label) { return label->text() == version; }),
              1)
        << version.toStdString();
}

// M12 in 22032-76 starts at 25, a starred length whose b the window computes as L - 0.5d - 2P;
// the first length past the starred ones shows the band value.
TEST_F(MainForm, M12StartsAtAStarredTwentyFive)
{
    start();
    type(form->cbDiam, "12");
    ASSERT_EQ(text(form->cbDiam), "12");
    ASSERT_GT(form->cbLenght->count(), 0);
    EXPECT_EQ(form->cbLenght->itemText(0).toStdString(), "25");
    EXPECT_EQ(form->cbLenght->itemText(form->cbLenght->count() - 1).toStdString(), "220");
    EXPECT_EQ(form->cbLenght->itemIndex(), 0);
    EXPECT_EQ(text(form->cbLenght), "25");
    EXPECT_EQ(text(form->eB), "15.5");

    type(form->cbLenght, "35");
    EXPECT_EQ(text(form->eB), "25.5");
    type(form->cbLenght, "38");
    EXPECT_EQ(text(form->eB), "30");
    EXPECT_TRUE(reporter.messages.empty());
}

// The plain-hole list of M16 runs past 300 to 500; the window lists and hands over a
// three-digit length like any other, with the second band on each end.
TEST_F(MainForm, PlainHoleM16ListRunsToFiveHundred)
{
    start();
    chooseStandard(11, true);
    type(form->cbDiam, "16");
    ASSERT_EQ(text(form->cbDiam), "16");
    ASSERT_EQ(form->cbLenght->count(), 36);
    EXPECT_EQ(form->cbLenght->itemText(35).toStdString(), "500");
    EXPECT_EQ(text(form->eB), "Полная"); // 55, threaded over the whole length

    type(form->cbLenght, "500");
    EXPECT_EQ(form->cbLenght->itemIndex(), 35);
    EXPECT_EQ(text(form->eB), "44");
    form->bbDrawClick();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].L, 500);
    EXPECT_EQ(draws[0].b, 44);
    EXPECT_EQ(draws[0].b1, 44);
    EXPECT_TRUE(reporter.messages.empty());
}

// The mass of 1000 steel studs follows the sizes as they are typed. Expected masses worked by
// hand from the appendix's model, 7.85e-3 × (shank·π·d²/4 + thread·π·d2²/4), d2 = d − 0.649519·P.
TEST_F(MainForm, MassOfAThousandFollowsTheTypedSizes)
{
    start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const auto typeInto = [](QWidget* widget, const char* keys) {
        widget->setFocus();
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused, keys);
    };
    const struct {
        const char* label;
        bool free; // free-dimension mode from this row on
        QWidget* widget;
        const char* keys;
        const char* mass; // empty: no mass shown
    } rows[] = {
        {"M12x25: b = 25 - 6 - 3.5, threads 27.5, shank 9.5", false, form->cbDiam, "12", "28,4"},
        {"M12x100: shank 70 at d, threads 30 + 12 at d2", false, form->cbLenght, "100", "92,7"},
        {"M12x40: shank 10, threads 42", false, form->cbLenght, "40", "39,4"},
        {"free L typed: 100", true, form->eLenght, "100", "92,7"},
        {"a length that is no number", true, form->eLenght, "1OO", ""},
        {"L 160: shank 130", true, form->eLenght, "160", "146"},
        {"free d 16: the pitch of its own table row, 2", true, form->eDiam, "16", "261"},
        {"free d 13, in no table row: no pitch", true, form->eDiam, "13", ""},
        {"free d 12 again", true, form->eDiam, "12", "146"},
        {"a chamfer with a decimal comma: the drawing would refuse it", true, form->eC, "1,6", ""},
        {"chamfer 1.6 again", true, form->eC, "1.6", "146"},
        {"a b that is no number", true, form->eB, "3O", ""},
        {"d 13 typed in the list: no pitch", false, form->cbDiam, "13", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        if (row.free != form->chbCastom->isChecked()) {
            form->chbCastom->click();
        }
        typeInto(row.widget, row.keys);
        const std::string shown = form->LMass->text().toStdString();
        EXPECT_EQ(shown, *row.mass ? "Масса 1000 шт. = " + std::string(row.mass) + " кг" : "");
    }
}
