// The diameter and length boxes used with the keyboard: keys go to the focused box itself, as
// they do from a real keyboard, not to its inner line edit.
#include "main_form_fixture.h"
#include "ui/main_report.h"

#include <QApplication>

namespace {

struct Key {
    Qt::Key key;
    const char* typed; // text typed instead of a key when not null
};

constexpr Key bs{Qt::Key_Backspace, nullptr};
constexpr Key del{Qt::Key_Delete, nullptr};
constexpr Key home{Qt::Key_Home, nullptr};
constexpr Key up{Qt::Key_Up, nullptr};
constexpr Key down{Qt::Key_Down, nullptr};
constexpr Key keys(const char* text)
{
    return {Qt::Key_unknown, text};
}

} // namespace

TEST_F(MainForm, DiameterBoxFromTheKeyboard)
{
    // Diameters of ГОСТ 22032-76 in list order: 2, 2.5, 3, 4, 5, 6, 8, 10, 12, 14, ...
    const struct {
        const char* label;
        std::vector<Key> keys; // after Ctrl+A in the box
        const char* text;
        int item;
        const char* b1; // shows that the diameter's row was loaded, or the fields emptied
    } rows[] = {
        {"typing completes", {keys("1")}, "10", 7, "10"},
        {"typing on past the completion", {keys("12")}, "12", 8, "12"},
        {"backspace removes the completed part", {keys("1"), bs}, "1", -1, ""},
        {"backspace does not complete again", {keys("12"), bs}, "1", -1, ""},
        {"a second backspace empties the box", {keys("12"), bs, bs}, "", -1, ""},
        {"deleting to an item's whole text selects it", {keys("2.5"), bs, bs}, "2", 0, "2"},
        {"delete at the start", {keys("12"), home, del}, "2", 0, "2"},
        {"typing after a deletion completes again", {keys("12"), bs, keys("4")}, "14", 9, "14"},
        {"down picks the next item", {keys("12"), down}, "14", 9, "14"},
        {"up picks the one before", {keys("12"), up, up}, "8", 6, "8"},
    };
    start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->cbDiam->setFocus();
    QWidget* focused = QApplication::focusWidget();
    ASSERT_EQ(focused, form->cbDiam); // the box, not its line edit, takes the keyboard
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        type(form->cbDiam, "8"); // a known state with an item selected
        QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier);
        for (const Key& key : row.keys) {
            if (key.typed != nullptr) {
                QTest::keyClicks(focused, key.typed);
            } else {
                QTest::keyClick(focused, key.key);
            }
        }
        EXPECT_EQ(text(form->cbDiam), row.text);
        EXPECT_EQ(form->cbDiam->itemIndex(), row.item);
        EXPECT_EQ(text(form->eB1), row.b1);
        if (row.item < 0) {
            EXPECT_EQ(form->cbLenght->count(), 0);
            EXPECT_EQ(reporter.messages.back().text,
                      tableReadReport("SetDataDetal", base() + "_ris_1.dat"));
        }
    }
}

TEST_F(MainForm, LengthBoxBackspaceLeavesNoItemSelected)
{
    start();
    type(form->cbDiam, "10");
    ASSERT_GT(form->cbLenght->count(), 1);
    const QString first = form->cbLenght->itemText(0);
    const QString second = form->cbLenght->itemText(1);
    QTest::keyClick(form->cbLenght, Qt::Key_Down);
    EXPECT_EQ(form->cbLenght->boxText(), second);
    const std::string b = text(form->eB);

    type(form->cbLenght, qPrintable(second));
    QTest::keyClick(form->cbLenght, Qt::Key_Backspace);
    EXPECT_EQ(form->cbLenght->boxText(), second.chopped(1));
    EXPECT_EQ(form->cbLenght->itemIndex(), -1);
    EXPECT_EQ(text(form->eB), b); // kept when no row matches
    ASSERT_FALSE(reporter.messages.empty());
    EXPECT_EQ(reporter.messages.back().text,
              tableReadReport("LenghtChange", base() + "_ris_1.dat"));

    QTest::keyClick(form->cbLenght, Qt::Key_Down); // from no item to the first
    EXPECT_EQ(form->cbLenght->boxText(), first);
    EXPECT_EQ(form->cbLenght->itemIndex(), 0);
}
