#pragma once
// Answers the modal windows that a call opens, as a user does: each action gets the next modal
// window once it is up, and works it by keys sent to its focused widget. A modal window with no
// action left is closed and counted as unexpected.

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class ModalDriver {
  public:
    using Action = std::function<void(QWidget*)>;

    explicit ModalDriver(std::vector<Action> actions) : m_actions(std::move(actions))
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    ~ModalDriver()
    {
        EXPECT_EQ(m_next, m_actions.size()) << "modal windows that never came";
        EXPECT_EQ(m_unexpected, 0) << "modal windows nobody expected";
    }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

  private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == m_last.data() || !modal->isVisible()) {
            return;
        }
        m_last = modal;
        if (m_next == m_actions.size()) {
            ++m_unexpected;
            modal->close();
            return;
        }
        m_actions[m_next++](modal);
    }

    std::vector<Action> m_actions;
    std::size_t m_next = 0;
    int m_unexpected = 0;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

// Types the name into the save dialog's focused name field and presses Return once the dialog
// takes it: the dialog reads its folder in a thread of its own and keeps its button disabled
// until it has, which a person's typing gives it time for. (A whole path into another folder,
// typed at a test's speed, was not always taken under the sanitizers: the tests type names.)
inline void typeIntoFileDialog(QWidget* modal, const std::string& name)
{
    QWidget* field = modal->focusWidget();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->objectName().toStdString(), "fileNameEdit");
    QTest::keyClicks(field, QString::fromStdString(name));
    const auto* buttons = modal->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    const QPushButton* save = buttons->button(QDialogButtonBox::Save);
    ASSERT_NE(save, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([save] { return save->isEnabled(); }, 10000));
    QTest::keyClick(field, Qt::Key_Return);
}
