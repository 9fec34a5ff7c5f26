// The standard dialog used with mouse and keyboard: an item stays selected whatever the user
// does, and OK takes the selected item.
#include "main_form_fixture.h"

#include <functional>

TEST_F(MainForm, StandardDialogAlwaysHasASelectedItem)
{
    start();
    QListWidget* list = select->lbGost;
    const auto click = [list](int row, Qt::KeyboardModifiers modifiers) {
        const QPoint centre = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, centre);
    };
    const struct {
        const char* label;
        std::function<void()> act;
        int selected; // the row selected afterwards, and the GostIndex that OK gives
    } rows[] = {
        {"a click selects", [&] { click(4, {}); }, 4},
        {"ctrl+click on the selected item keeps it", [&] { click(0, Qt::ControlModifier); }, 0},
        {"ctrl+click on another item selects it", [&] { click(7, Qt::ControlModifier); }, 7},
        {"ctrl+space on the selected item keeps it",
         [&] { QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier); }, 0},
        {"down selects the next item", [&] { QTest::keyClick(list, Qt::Key_Down); }, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        state.GostIndex = 0;
        select->show(); // opens on GostIndex 0
        ASSERT_EQ(list->selectedItems().size(), 1);
        row.act();
        ASSERT_EQ(list->selectedItems().size(), 1);
        EXPECT_EQ(list->row(list->selectedItems().front()), row.selected);
        QTest::keyClick(select.get(), Qt::Key_Return); // OK
        EXPECT_FALSE(select->isVisible());
        EXPECT_EQ(state.GostIndex, row.selected);
    }
}
