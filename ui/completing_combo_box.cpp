#include "ui/completing_combo_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

CompletingComboBox::CompletingComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // the completion below selects the item as Delphi-style boxes do
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CompletingComboBox::userEdited);
    connect(this, &QComboBox::activated, this, &CompletingComboBox::userPicked);
}

void CompletingComboBox::setItemIndex(int index)
{
    const QSignalBlocker blocker(this);
    m_itemIndex = index >= 0 && index < count() ? index : -1;
    setCurrentIndex(m_itemIndex);
    if (m_itemIndex < 0) {
        setEditText(QString());
    }
    m_lastText = currentText();
}

void CompletingComboBox::clearAll()
{
    const QSignalBlocker blocker(this);
    clear();
    setEditText(QString());
    m_itemIndex = -1;
    m_lastText.clear();
}

void CompletingComboBox::userEdited(const QString& text)
{
    const bool typed = !m_deleting;
    // Typing completes to the first item that begins with the text; after a deletion only an
    // item equal to the text is selected, so that a selected item always matches the box text.
    int found = -1;
    if (!text.isEmpty()) {
        for (int i = 0; i < count(); ++i) {
            const bool match = typed ? itemText(i).startsWith(text, Qt::CaseInsensitive)
                                     : itemText(i).compare(text, Qt::CaseInsensitive) == 0;
            if (match) {
                found = i;
                break;
            }
        }
    }
    {
        const QSignalBlocker blocker(this);
        m_itemIndex = found;
        if (found >= 0) {
            setCurrentIndex(found);
            if (typed) {
                // Show the whole item, the completed part selected so that typing goes on.
                lineEdit()->setText(itemText(found));
                lineEdit()->setSelection(static_cast<int>(text.size()),
                                         static_cast<int>(itemText(found).size() - text.size()));
            } else {
                lineEdit()->setText(text);
            }
        } else {
            const int cursor = lineEdit()->cursorPosition();
            setCurrentIndex(-1);
            lineEdit()->setText(text);
            lineEdit()->setCursorPosition(cursor);
        }
    }
    m_lastText = currentText();
    emit changed();
}

void CompletingComboBox::userPicked(int index)
{
    m_itemIndex = index;
    m_lastText = currentText();
    emit changed();
}

void CompletingComboBox::noteKey(const QKeyEvent* event)
{
    m_deleting = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
}

void CompletingComboBox::keyPressEvent(QKeyEvent* event)
{
    noteKey(event);
    QComboBox::keyPressEvent(event);
}

bool CompletingComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        noteKey(static_cast<QKeyEvent*>(event));
    }
    return QComboBox::eventFilter(watched, event);
}
