#pragma once
// The about box: icon, name, version, description, author line with an e-mail link, and two
// lines of system information.

#include <QDialog>
#include <QString>

class QLabel;

class AboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDlg(QWidget* parent = nullptr);

    QLabel* emailLink;
    QLabel* memoryLine;
    QLabel* platformLine;

    // "Available Memory: <n> KB" and "Platform, CPU: <n> x <type>", from the running system.
    static QString memoryText();
    static QString platformText();

  private:
    void openMail();
};
