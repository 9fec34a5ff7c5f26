// «Спецификация…» in the window, used by keys as a user does, over a drawing unit that answers
// with the studs a test gives: the save dialog, the file, the question, the messages.
#include "cad/parts_list_csv.h"
#include "main_form_fixture.h"
#include "modal_driver.h"
#include "ui/parts_list_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include <fstream>
#include <iterator>

namespace {

PlacedStud stud(const std::string& name, const std::string& quantity, double d)
{
    StoredStud stored;
    stored.standard = "22032-76";
    stored.d = d;
    stored.L = 100;
    stored.P = 1.75;
    return {stored, name, quantity, "0,0927", "", "2F"};
}

std::string contents(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SpecCommand : public MainForm {
  protected:
    void SetUp() override
    {
        MainForm::SetUp();
        std::filesystem::create_directories(dir.path() / "drawing");
        source.folder = (dir.path() / "drawing").string();
        source.drawingName = "Сборка.dwg";
        source.studs = {stud("Шпилька М12×100 ГОСТ 22032-76", "4", 12),
                        stud("Шпилька М10×100 ГОСТ 22032-76", "1", 10)};
        start();
        form->setSpecification([this] { return collected ? std::optional(source) : std::nullopt; },
                               [this](const PartsList& list) {
                                   visibleWhileDrawing = form->isVisible();
                                   drawn.push_back(list);
                               });
    }

    // The button pressed from the keyboard: Tab from «Изменить…», then Return.
    void pressSpec()
    {
        form->bbEdit->setFocus();
        QTest::keyClick(form->bbEdit, Qt::Key_Tab);
        ASSERT_EQ(form->focusWidget(), form->bbSpec);
        QTest::keyClick(form->bbSpec, Qt::Key_Return);
    }

    // The save dialog: a name typed into its focused field and Return.
    static ModalDriver::Action typeName(std::string name)
    {
        return [name](QWidget* modal) { typeIntoFileDialog(modal, name); };
    }
    static ModalDriver::Action press(Qt::Key key)
    {
        return [key](QWidget* modal) {
            QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, key);
        };
    }

    SpecSource source;
    bool collected = true;
    std::vector<PartsList> drawn;
};

} // namespace

TEST_F(SpecCommand, TypedPathAndReturnSaveTheFileThenYesDrawsTheTable)
{
    // A name typed alone lands in the folder the dialog offers: the drawing's.
    const std::filesystem::path target = dir.path() / "drawing" / "parts";
    {
        ModalDriver driver({[&](QWidget* modal) {
                                auto* dialog = qobject_cast<QFileDialog*>(modal);
                                ASSERT_NE(dialog, nullptr);
                                EXPECT_EQ(dialog->directory().absolutePath().toStdString(),
                                          source.folder);
                                EXPECT_EQ(dialog->selectedFiles().value(0).toStdString(),
                                          source.folder + "/Сборка - спецификация.csv");
                                typeName("parts")(modal);
                            },
                            [&](QWidget* modal) {
                                auto* box = qobject_cast<QMessageBox*>(modal);
                                ASSERT_NE(box, nullptr);
                                EXPECT_EQ(box->text().toStdString(), placeSpecQuestion);
                                EXPECT_EQ(box->defaultButton()->text().toStdString(), "Да");
                                press(Qt::Key_Return)(modal);
                            }});
        pressSpec();
    }
    // ".csv" added to a name typed without it.
    EXPECT_EQ(contents(target.string() + ".csv"), partsListCsv(partsList(source.studs)));
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].lines.size(), 2u);
    EXPECT_FALSE(visibleWhileDrawing);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(messageTexts().empty());
#if QT_CONFIG(accessibility)
    EXPECT_EQ(form->bbSpec->accessibleName(), form->bbSpec->text());
#endif
    EXPECT_TRUE(form->bbSpec->toolTip().startsWith(QStringLiteral("Спецификация шпилек")));
}

TEST_F(SpecCommand, NoStudsCancelAndNoLeaveWhatTheUserChose)
{
    const std::filesystem::path target = dir.path() / "drawing" / "list.csv";
    const struct {
        const char* label;
        bool studs;
        std::vector<ModalDriver::Action> actions;
        bool file;
        std::vector<std::string> messages;
    } rows[] = {
        {"no stud: a message, no dialog, no file", false, {}, false, {std::string(noStudsText)}},
        {"the dialog cancelled: no file, no question", true, {press(Qt::Key_Escape)}, false, {}},
        {"«Нет»: the file, no table",
         true,
         {typeName("list"), press(Qt::Key_Escape)},
         true,
         {}},
        {"a bad quantity: named once the file is written",
         true,
         {typeName("list"), press(Qt::Key_Escape)},
         true,
         {"Количество (QTY) не целое положительное число; шпилька посчитана как одна:\r\n"
          "Шпилька М16×100 ГОСТ 22032-76, блок 2F: «4 шт.»"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::filesystem::remove(target);
        reporter.messages.clear();
        const auto kept = source.studs;
        if (!row.studs) {
            source.studs.clear();
        } else if (!row.messages.empty()) {
            source.studs.push_back(stud("Шпилька М16×100 ГОСТ 22032-76", "4 шт.", 16));
        }
        {
            ModalDriver driver(row.actions);
            pressSpec();
        }
        source.studs = kept;
        EXPECT_EQ(std::filesystem::exists(target), row.file);
        EXPECT_TRUE(drawn.empty());
        EXPECT_EQ(messageTexts(), row.messages);
    }
    // A reported failure of the drawing unit: nothing more.
    reporter.messages.clear();
    collected = false;
    ModalDriver none({});
    pressSpec();
    EXPECT_TRUE(messageTexts().empty());
}

// A file that cannot be written is said with the system's reason.
TEST_F(SpecCommand, AFileThatCannotBeWrittenIsSaid)
{
    const std::string blocker = dir.write("blocker", "a file, not a folder");
    const std::optional<std::string> failure =
        writeSpecFile(QString::fromStdString(blocker + "/list.csv"), "x");
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->starts_with("Не удалось записать файл " + blocker + "/list.csv:\r\n"))
        << *failure;
}
