#pragma once
// The standard selection dialog fSelect (unit Quorvel_Gost): its only result is the new
// GostIndex; it keeps its own size in SelectHeight and SelectWidth.

#include "ui/main_unit_state.h"

#include <QDialog>

class OuterSize;
class QListWidget;
class QPushButton;

class TfSelect : public QDialog {
    Q_OBJECT
  public:
    explicit TfSelect(MainUnitState& state, QWidget* parent = nullptr);

    // The twelve item texts in GostIndex order (UTF-8).
    static const char* const itemTexts[12];

    QListWidget* lbGost;
    QPushButton* bbOk;
    QPushButton* bbCancel;

    void bbOkClick();
    void setVisible(bool visible) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override; // FormClose: every way of closing passes here

  private:
    void FormActivate();

    MainUnitState& m_state;
    bool m_shownBefore = false;
    OuterSize* m_outerSize = nullptr; // the stored outer size, kept under any window manager
};
