#pragma once
// The main window Form1 (unit Quorvel_Main): the current standard's title and picture, the
// dimension fields, free-dimension mode, the 2D/3D choice, how 3D is built and the Draw button.

#include "cad/reporter.h"
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
class TfSelect;

// Start_ACAD of the drawing unit: Is3D, PartName, d, overall length, b, b1, c.
using StartAcadFunction =
    std::function<void(bool, const std::string&, double, double, double, double, double)>;

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    // executablePath names BasePath and so every file the window reads and writes.
    TForm1(MainUnitState& state, Reporter& reporter, StartAcadFunction startAcad,
           const std::string& executablePath, QWidget* parent = nullptr);

    void setSelectDialog(TfSelect* dialog) { m_select = dialog; }

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
    QCheckBox* chb3D;
    QCheckBox* chbSolid; // the 3D stud as a solid through the object model
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
    TfSelect* m_select = nullptr;
    bool m_activated = false;
    bool m_drawing = false;
    int m_pictureIndex = -1;
    QFont m_titleFont;                // the title's design font, before fitting it to the panel
    OuterSize* m_outerSize = nullptr; // the stored outer size, kept under any window manager
};
