// «Спецификация…» end to end: the window and the drawing unit over the session bus against the
// stand-in host, in a drawing made as a designer makes it. The file is checked byte for byte and
// as LibreOffice Calc reads it; the table as ezdxf reads it from the host's DXF.
#include "cad/dbus/dbus_running_objects.h"
#include "free_bus.h"
#include "host_process.h"
#include "main_form_fixture.h"
#include "modal_driver.h"
#include "parts_list_drawing.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>

#include <cmath>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::string> readWith(const char* script, const std::string& file)
{
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QString::fromUtf8(script), QString::fromStdString(file)});
    EXPECT_TRUE(reader.waitForFinished(300000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    std::vector<std::string> lines;
    for (const QString& line : QString::fromUtf8(reader.readAllStandardOutput()).split('\n')) {
        if (!line.isEmpty()) {
            lines.push_back(line.toStdString());
        }
    }
    return lines;
}

class SpecOverDBus : public MainForm {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost());
        MainForm::SetUp();
    }
};

} // namespace

TEST_F(SpecOverDBus, TheDrawingsStudsListedInTheFileAndDrawnAsATable)
{
    const std::string drawingFile = (dir.path() / "drawing" / "plan.dxf").string();
    std::filesystem::create_directories(dir.path() / "drawing");
    // Eight picks for the studs, then the table's top left corner, clear of them.
    QString points;
    for (int i = 0; i < 8; ++i) {
        points += QStringLiteral("0,0;");
    }
    HostProcess host({QStringLiteral("--headless"), QStringLiteral("--points"),
                      points + QStringLiteral("500,500"), QStringLiteral("--dxf"),
                      QString::fromStdString(drawingFile)});
    start();
    DBusRunningObjects objects;
    QuorvelDraw draw(objects, reporter, state.layers);
    ASSERT_NO_THROW(makePartsListDrawing(draw));
    ASSERT_EQ(messageTexts(), std::vector<std::string>{});
    form->setSpecification([&draw] { return draw.Spec_Quorvel(); },
                           [&draw](const PartsList& list) { draw.Draw_Spec_Quorvel(list); });

    // A name typed alone lands in the folder the dialog offers: the drawing's.
    const std::string target = (dir.path() / "drawing" / "parts").string();
    {
        ModalDriver driver({[&](QWidget* modal) {
                                auto* dialog = qobject_cast<QFileDialog*>(modal);
                                ASSERT_NE(dialog, nullptr);
                                // In the drawing's folder, named after it.
                                EXPECT_EQ(
                                    dialog->selectedFiles().value(0).toStdString(),
                                    (dir.path() / "drawing" / "plan - спецификация.csv").string());
                                typeIntoFileDialog(modal, "parts");
                            },
                            [&](QWidget* modal) {
                                ASSERT_NE(qobject_cast<QMessageBox*>(modal), nullptr);
                                QTest::keyClick(modal->focusWidget(), Qt::Key_Return); // «Да»
                            }});
        form->bbSpec->setFocus();
        QTest::keyClick(form->bbSpec, Qt::Key_Return);
    }
    EXPECT_EQ(messageTexts(), std::vector<std::string>{});
    ASSERT_EQ(host.stop(), 0);

    std::ifstream in(target + ".csv", std::ios::binary);
    const std::string csv{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(csv, listedCsv);

    if (std::system("command -v soffice >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "LibreOffice Calc is not installed (scripts/install-deps.sh installs it)";
    }
    const std::vector<std::string> cells = readWith(PARTS_LIST_CALC_SCRIPT, target + ".csv");
    ASSERT_EQ(cells.size(), 7u);
    EXPECT_EQ(cells[4], "n:5 | s:Шпилька М8×40 ГОСТ 22040-76 | n:2 | n:0.0205 | n:0.041");
    EXPECT_EQ(cells[6], " | s:Итого |  |  | n:0.3764");
    double sum = 0;
    for (std::size_t row = 1; row < 6; ++row) {
        const std::string& line = cells[row];
        sum += std::stod(line.substr(line.rfind("n:") + 2));
    }
    EXPECT_NEAR(sum, 0.3764, 1e-12);

    // The table on the main layer, lines and texts, the Cyrillic read back intact.
    std::vector<std::string> texts;
    int tableLines = 0;
    const std::vector<std::string> read = readWith(DXF_CONTENTS_SCRIPT, drawingFile);
    ASSERT_FALSE(read.empty());
    EXPECT_EQ(read[0], "audit errors 0 fixes 0");
    for (const std::string& line : read) {
        if (line.rfind("text 2 ", 0) == 0 && line.find(" 3.5 ") != std::string::npos) {
            texts.push_back(line);
        }
        double x1 = 0;
        double y1 = 0;
        if (std::sscanf(line.c_str(), "line 2 %lf,%lf", &x1, &y1) == 2 && x1 >= 500 && y1 <= 500) {
            ++tableLines;
        }
    }
    // Rows: the section, five names in two rows each; the lines of the rows, the columns and
    // the section's underline.
    EXPECT_EQ(tableLines, 13 + 8 + 1);
    ASSERT_EQ(texts.size(), 7u + 1 + 5 * 2 + 5 + 1);
    EXPECT_EQ(texts[0], "text 2 504.75,485.15 3.5 90.0 Формат");
    EXPECT_EQ(texts[7].substr(texts[7].find(" 0.0 ") + 5), "Стандартные изделия");
    const std::vector<std::string> firstRow = {texts[8], texts[9], texts[10]};
    EXPECT_EQ(firstRow,
              (std::vector<std::string>{"text 2 656.775,471.25 3.5 0.0 1",
                                        "text 2 591.0,471.25 3.5 0.0 Шпилька М8\\U+00D740",
                                        "text 2 591.0,463.25 3.5 0.0 ГОСТ 22032-76"}));
}
