#pragma once
// The main window and the standard dialog over a copy of the shipped tables in a fresh folder,
// with a recording reporter, a recorded Start_ACAD and an edit in place that answers the pick
// with `picked` and replaces the stud as the drawing unit does (a block takes the place of the
// stud picked unless `replacementFails`; any other drawing forgets it); and helpers that use the
// boxes as a user does, by keys sent to the box itself.

#include "model/cp1251.h"
#include "recording_reporter.h"
#include "temp_dir.h"
#include "ui/completing_combo_box.h"
#include "ui/main_form.h"
#include "ui/select_form.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct DrawCall {
    bool is3D;
    std::string PartName;
    double d, L, b, b1, c;
    bool solid3D; // the state's choice when the drawing was started
    std::optional<StudBlock> block;
    bool replaced; // the block took the place of the stud picked
};

// Selects the box's text with Ctrl+A and types over it, keys going to the box as a keyboard
// sends them.
inline void type(CompletingComboBox* box, const char* keys)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, keys);
}

inline std::string text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

inline std::string text(const CompletingComboBox* box)
{
    return box->boxText().toStdString();
}

class MainForm : public ::testing::Test {
  protected:
    void SetUp() override
    {
        const std::filesystem::path shipped = QCoreApplication::applicationDirPath().toStdString();
        for (const auto& entry : std::filesystem::directory_iterator(shipped)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("quorvel", 0) == 0 && entry.path().extension() == ".dat") {
                std::filesystem::copy_file(entry.path(), dir.path() / name);
            }
        }
    }

    std::string base() const { return (dir.path() / "quorvel").string(); }

    void writeIni(const std::string& utf8) { dir.write("quorvel.ini", utf8ToCp1251(utf8)); }

    void start()
    {
        select.reset(); // a child of the form: goes first
        form.reset();
        form = std::make_unique<TForm1>(
            state, reporter,
            [this](bool is3D, const std::string& name, double d, double L, double b, double b1,
                   double c, const StudBlock* block) {
                visibleWhileDrawing = form->isVisible();
                const bool asBlock = block != nullptr && (!is3D || state.solid3D);
                const bool replaced = asBlock && pending && !replacementFails;
                pending = asBlock && pending && replacementFails;
                draws.push_back({is3D, name, d, L, b, b1, c, state.solid3D,
                                 block ? std::optional<StudBlock>(*block) : std::nullopt,
                                 replaced});
                if (duringRun) {
                    duringRun();
                }
            },
            base());
        form->setEditing({[this] {
                              ++picks;
                              pending = picked.has_value();
                              if (duringRun) {
                                  duringRun();
                              }
                              return picked;
                          },
                          [this] { return pending; }, [this] { pending = false; }});
        select = std::make_unique<TfSelect>(state, form.get());
        form->setSelectDialog(select.get());
        form->show();
    }

    // Shows the standard dialog from the main window, picks a row and closes it with OK or Cancel.
    void chooseStandard(int row, bool ok)
    {
        QTimer::singleShot(0, select.get(), [this, row, ok] {
            select->lbGost->setCurrentRow(row);
            (ok ? select->bbOk : select->bbCancel)->click();
        });
        form->sbGostClick();
    }

    std::vector<std::string> messageTexts() const
    {
        std::vector<std::string> texts;
        for (const Message& message : reporter.messages) {
            texts.push_back(message.text);
        }
        return texts;
    }

    TempDir dir;
    MainUnitState state;
    RecordingReporter reporter;
    std::vector<DrawCall> draws;
    bool visibleWhileDrawing = true;
    std::optional<StoredStud> picked; // what «Изменить…» picks; none: cancelled or refused
    int picks = 0;
    bool pending = false; // the drawing unit still has the stud picked to replace
    bool replacementFails = false;
    std::function<void()> duringRun; // what happens while a drawing or a pick runs
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TfSelect> select;
};
