// Every title, caption and label of the two windows is readable whole: no text is wider (or
// taller) than its widget, for each of the twelve standards. Run once per screen resolution
// (QT_FONT_DPI 96 and 120) by the build's test list.
#include "main_form_fixture.h"
#include "ui/text_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>

namespace {

// The text of each label, check box and button that fits its widget, or a description of
// those that do not.
std::vector<std::string> clippedTexts(const QWidget* window, const QWidget* skip)
{
    std::vector<std::string> clipped;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label == skip || label->text().isEmpty()) {
            continue;
        }
        const QSize extent = textExtent(label->font(), label->text());
        const QSize room = label->contentsRect().size();
        if (extent.width() > room.width() || extent.height() > room.height()) {
            clipped.push_back(label->text().toStdString() + " needs " +
                              std::to_string(extent.width()) + "x" +
                              std::to_string(extent.height()) + ", has " +
                              std::to_string(room.width()) + "x" + std::to_string(room.height()));
        }
    }
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty()) {
            continue;
        }
        const QSize hint = button->sizeHint();
        if (hint.width() > button->width()) {
            clipped.push_back(button->text().toStdString() + " needs " +
                              std::to_string(hint.width()) + ", has " +
                              std::to_string(button->width()));
        }
    }
    return clipped;
}

} // namespace

TEST_F(MainForm, NoTextIsWiderThanItsWidget)
{
    const QByteArray dpi = qgetenv("QT_FONT_DPI");
    start();
    if (!dpi.isEmpty()) {
        // The resolution the run asked for is the one the window works at.
        EXPECT_NEAR(form->logicalDpiY() * form->devicePixelRatioF(), dpi.toDouble(), 0.5);
    }
    for (int index = 0; index < 12; ++index) {
        SCOPED_TRACE("GostIndex " + std::to_string(index));
        state.GostIndex = static_cast<GostIndexValue>(index);
        form->WorkForm();
        ASSERT_TRUE(reporter.messages.empty());
        ASSERT_TRUE(form->LName->text().endsWith(
            QString::fromUtf8(TfSelect::itemTexts[index]).right(8))); // "22032-76" ...
        EXPECT_EQ(clippedTexts(form.get(), form->LPitch), std::vector<std::string>{});
        // The mass is measured too, for the smallest stud and for the largest.
        EXPECT_FALSE(form->LMass->text().isEmpty());
        form->cbDiam->setItemIndex(form->cbDiam->count() - 1);
        form->cbDiamChange();
        form->cbLenght->setItemIndex(form->cbLenght->count() - 1);
        form->cbLenghtChange();
        EXPECT_FALSE(form->LMass->text().isEmpty());
        EXPECT_EQ(clippedTexts(form.get(), form->LPitch), std::vector<std::string>{});
    }

    // The stud «Чертить» will replace, with as long a designation as a stud gets (a fine pitch
    // and a decimal comma), in the room above the picture.
    StoredStud longest;
    longest.standard = "22041-76";
    longest.d = 2.5;
    longest.L = 160;
    longest.b = 17;
    longest.b1 = 6;
    longest.c = 0.3;
    longest.P = 0.35;
    picked = longest;
    form->bbEditClick();
    ASSERT_TRUE(form->LReplace->isVisible());
    EXPECT_TRUE(form->LReplace->text().endsWith(QStringLiteral("М2,5×0,35×160 ГОСТ 22041-76")));
    EXPECT_EQ(clippedTexts(form.get(), form->LPitch), std::vector<std::string>{});

    select->show();
    EXPECT_EQ(clippedTexts(select.get(), nullptr), std::vector<std::string>{});
    // The standards' names in the list are whole, without a horizontal scroll.
    const int room = select->lbGost->viewport()->width();
    for (int row = 0; row < select->lbGost->count(); ++row) {
        const QString item = select->lbGost->item(row)->text();
        EXPECT_LE(textExtent(select->lbGost->font(), item).width(), room) << row;
    }
    select->hide();
}

TEST(TextFit, KeepsTheDesignSizeWhenTheTextFitsAndShrinksOnlyAsFarAsNeeded)
{
    QFont font;
    font.setBold(true);
    font.setPixelSize(15);
    const QString title = QStringLiteral("Шпильки с ввинчиваемым концом длиной 1,25d\nКласс\nГОСТ");
    const QSize natural = textExtent(font, title);
    const struct {
        const char* label;
        QSize box;
        bool designSize;
    } rows[] = {
        {"roomy box", natural + QSize(40, 40), true},
        {"exact box", natural, true},
        {"one pixel too narrow", natural - QSize(1, 0), false},
        {"two thirds of the width", QSize(natural.width() * 2 / 3, natural.height()), false},
        {"one pixel too low", natural - QSize(0, 1), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const QFont fitted = fittedFont(font, title, row.box);
        const QSize extent = textExtent(fitted, title);
        EXPECT_LE(extent.width(), row.box.width());
        EXPECT_LE(extent.height(), row.box.height());
        EXPECT_EQ(fitted.pixelSize() == 15, row.designSize);
        EXPECT_TRUE(fitted.bold());
        if (!row.designSize) {
            // The largest size that fits: one pixel more would not.
            QFont larger = fitted;
            larger.setPixelSize(fitted.pixelSize() + 1);
            const QSize largerExtent = textExtent(larger, title);
            EXPECT_TRUE(largerExtent.width() > row.box.width() ||
                        largerExtent.height() > row.box.height());
        }
    }
    // A box too small for any size gives the smallest, never a size of 0 or below.
    EXPECT_EQ(fittedFont(font, title, QSize(3, 3)).pixelSize(), 6);
}
