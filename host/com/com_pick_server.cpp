#include "host/com/com_pick_server.h"

#include <QEventLoop>

namespace cadhost {

ComPickServer::ComPickServer(ObjectModel& model, QObject* parent) : QObject(parent), m_model(model)
{
}

InvokeResult ComPickServer::awaitPick(const std::string& prompt)
{
    QEventLoop loop;
    m_waiting = &loop;
    m_answer.reset();
    emit pointRequested(QString::fromStdString(prompt));
    emit changed();
    // Incoming calls and the window's events are served here until the user answers.
    loop.exec();
    m_waiting = nullptr;
    emit pointAnswered();
    if (m_answer) {
        return *m_answer;
    }
    // The loop ended without an answer: the application is quitting.
    InvokeResult cancelled;
    cancelled.status = InvokeResult::Status::Failed;
    cancelled.error =
        m_model.cancelPick().value_or(HostError{ErrorKind::Exception, "Point selection cancelled"});
    return cancelled;
}

void ComPickServer::pick(Vec2 point)
{
    if (m_waiting == nullptr) {
        return;
    }
    InvokeResult result;
    if (const auto value = m_model.answerPick(point)) {
        result.value = *value;
    }
    answer(result);
}

void ComPickServer::cancelPick()
{
    if (m_waiting == nullptr) {
        return;
    }
    InvokeResult result;
    result.status = InvokeResult::Status::Failed;
    result.error =
        m_model.cancelPick().value_or(HostError{ErrorKind::Exception, "Point selection cancelled"});
    answer(result);
}

void ComPickServer::answer(InvokeResult result)
{
    m_answer = std::move(result);
    m_waiting->quit();
}

} // namespace cadhost
