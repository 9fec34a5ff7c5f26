#pragma once
// The main window Form1 (unit Quorvel_Main): the current standard's title and picture, the
// dimension fields, free-dimension mode, the 2D/3D choice, how 3D is built, the Draw button, and
// the edit in place: a placed stud picked, shown, and replaced by the next drawing.

#include "cad/reporter.h"
#include "cad/stud_block.h"
#include "model/dimension_tables.h"
#include "model/stud_dimensions.h"
#include "ui/main_unit_state.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class CompletingComboBox;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class OuterSize;
class RunInput;
class TfSelect;

// Start_ACAD of the drawing unit: Is3D, PartName, d, overall length, b, b1, c, and the block to
// place the 2D stud as (none: loose lines).
using StartAcadFunction = std::function<void(bool, const std::string&, double, double, double,
                                             double, double, const StudBlock*)>;
// The edit in place as the drawing unit offers it. pick: «Изменить…», the sizes of the stud
// picked in the CAD window; none when the pick was cancelled or refused (the drawing unit has
// said why), which also leaves no stud to replace. pending: whether the next drawing of a block
// still replaces the stud picked. forget: it does not.
struct StudEditing {
    std::function<std::optional<StoredStud>()> pick;
    std::function<bool()> pending;
    std::function<void()> forget;
};

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    // executablePath names BasePath and so every file the window reads and writes.
    TForm1(MainUnitState& state, Reporter& reporter, StartAcadFunction startAcad,
           const std::string& executablePath, QWidget* parent = nullptr);

    void setSelectDialog(TfSelect* dialog) { m_select = dialog; }
    void setEditing(StudEditing editing);

    // Event handlers and procedures, public so that tests can drive them as the user would.
    void FormActivate();
    void SetPicture();
    void WorkForm();
    void SetDataDetal();
    void LenghtChange();
    void cbDiamChange();
    void cbLenghtChange();
    void chbCastomClick();
    void chb3DClick();
    void chbSolidClick();
    void sbGostClick();
    void bbDrawClick();
    void bbEditClick();
    // Shows a picked stud: its standard, its sizes (table mode when they are a row of the
    // tables, else free dimensions) and its 2D/3D state.
    void showStud(const StoredStud& stud);
    // The stud that «Чертить» will replace, shown above the stud's picture while the drawing
    // unit still has one to replace; dropReplacement (its button, or Esc) forgets it.
    void showReplacement();
    void dropReplacement();
    bool replacing() const;
    void bbAboutClick();
    void BitBtn3Click();
    // Shows the mass of 1000 steel studs of the sizes on screen in LMass, or nothing when they
    // are not valid numbers or the pitch of the d on screen is not in the table.
    void showMass();

    int pictureIndex() const { return m_pictureIndex; }

    QLabel* LName;
    QToolButton* sbGost;
    CompletingComboBox* cbDiam;
    QLineEdit* eDiam;
    QCheckBox* chbCastom;
    CompletingComboBox* cbLenght;
    QLineEdit* eLenght;
    QLineEdit* eB;
    QLabel* LB1;
    QLineEdit* eB1;
    QLineEdit* eC;
    QFrame* Panel2;
    QLabel* Image;
    QLabel* LPitch;
    QLabel* LMass;
    QLabel* LReplace;          // «Чертить» will replace the stud picked, and which one
    QToolButton* sbNoReplace; // forgets the stud picked
    QCheckBox* chb3D;
    QCheckBox* chbSolid; // the 3D stud as a solid through the object model
    QCheckBox* chbBlock;
    QPushButton* bbEdit;
    QPushButton* bbAbout;
    QPushButton* bbDraw;
    QPushButton* BitBtn3;

  signals:
    void closed(); // the window has closed; the application ends

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Runs a draw or a pick with the window hidden, then shows it again; a failure that is no
    // automation failure gets the application's own error report. Input made meanwhile is
    // dropped (RunInput).
    void runWhileHidden(const std::function<void()>& work);
    // Whether the window's choices draw a block, the only thing that can replace a placed stud.
    bool drawsBlock() const;
    // A check box clicked: a choice that draws no block forgets the stud picked.
    void optionClicked();
    // After a change of standard: the picked stud's d and L selected in the new tables, or, when
    // they are not there (or free dimensions are on), the stud picked forgotten.
    void keepReplacementSizes(const std::optional<std::pair<double, double>>& sizes);
    // Selects d and then L in the lists by their values; false when either is not there.
    bool selectTableRow(double d, double L);
    // Lays out the texts above and below the stud's picture, in the room the picture leaves.
    void placePictureTexts();
    void FormCreate(const std::string& executablePath);
    void ReadIni();
    bool FormClose(); // writes the settings file
    void buildControls();
    void tableError(const char* procedure, const std::string& file);
    std::optional<std::string> selectedItem(const CompletingComboBox* box) const;
    FieldTexts fieldTexts() const;
    std::optional<double> pitchOf(double d) const;
    bool fillList(CompletingComboBox* box, const TableRead<std::vector<std::string>>& items,
                  const char* procedure, const std::string& file);

    MainUnitState& m_state;
    Reporter& m_reporter;
    StartAcadFunction m_startAcad;
    StudEditing m_editing;
    StoredStud m_picked; // the stud picked last, as the replacement line names it
    RunInput* m_runInput = nullptr;
    TfSelect* m_select = nullptr;
    bool m_activated = false;
    bool m_drawing = false;
    int m_pictureIndex = -1;
    QFont m_titleFont;                // the title's design font, before fitting it to the panel
    OuterSize* m_outerSize = nullptr; // the stored outer size, kept under any window manager
};
