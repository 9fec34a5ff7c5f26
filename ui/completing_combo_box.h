#pragma once
// An editable drop-down box whose typing completes to the first item that begins with the typed
// text (ignoring case) and selects it. changed() is emitted on every change by the user: an item
// picked from the list, a typed beginning that selects an item, and a typed or deleted character
// that leaves no item selected. Changes made from code never emit it.

#include <QComboBox>

class CompletingComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit CompletingComboBox(QWidget* parent = nullptr);

    // The selected item, or -1 (the text then begins no item).
    int itemIndex() const { return m_itemIndex; }
    void setItemIndex(int index); // selects an item and shows its text; -1 selects none
    void clearAll();              // no items, no text
    QString boxText() const { return currentText(); }

  signals:
    void changed();

  protected:
    // A real keyboard sends keys to the box itself, which hands them on to its line edit
    // without passing the line edit's event filter; keys sent to the line edit directly pass
    // the filter. Both note whether the key deletes text.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void userEdited(const QString& text);
    void userPicked(int index);
    void noteKey(const QKeyEvent* event);

    int m_itemIndex = -1;
    QString m_lastText;
    bool m_deleting = false; // the last key pressed in the box deletes text
};
