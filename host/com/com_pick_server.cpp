#include "host/com/com_pick_server.h"

#include <QEventLoop>
#include <QWinEventNotifier>

#include <memory>

namespace cadhost {

namespace {

// Ends a pick with the host's exception, when the model has none of its own to give.
InvokeResult cancelled(std::optional<HostError> error)
{
    InvokeResult result;
    result.status = InvokeResult::Status::Failed;
    result.error = error.value_or(HostError{ErrorKind::Exception, "Point selection cancelled"});
    return result;
}

// Signals when the process ends; closes its handle when done.
class ProcessEnd {
  public:
    explicit ProcessEnd(DWORD process)
        : m_handle(OpenProcess(SYNCHRONIZE, FALSE, process)),
          m_gone(m_handle == nullptr && GetLastError() == ERROR_INVALID_PARAMETER),
          m_notifier(m_handle != nullptr ? std::make_unique<QWinEventNotifier>(m_handle) : nullptr)
    {
    }
    ~ProcessEnd()
    {
        m_notifier.reset();
        if (m_handle != nullptr) {
            CloseHandle(m_handle);
        }
    }
    ProcessEnd(const ProcessEnd&) = delete;
    ProcessEnd& operator=(const ProcessEnd&) = delete;

    QWinEventNotifier* notifier() const { return m_notifier.get(); }
    // The process ended before it could be watched.
    bool gone() const { return m_gone; }

  private:
    HANDLE m_handle;
    bool m_gone;
    std::unique_ptr<QWinEventNotifier> m_notifier;
};

} // namespace

ComPickServer::ComPickServer(ObjectModel& model, const ClientFronts* clients, QObject* parent)
    : QObject(parent), m_model(model), m_clients(clients)
{
}

InvokeResult ComPickServer::awaitPick(const std::string& prompt)
{
    QEventLoop loop;
    m_waiting = &loop;
    m_answer.reset();
    // The client's process ending is the only sign COM gives of a client gone during its call.
    std::unique_ptr<ProcessEnd> client;
    if (const auto process =
            m_clients != nullptr ? m_clients->clientOfCurrentCall() : std::nullopt) {
        client = std::make_unique<ProcessEnd>(*process);
        const auto callerLeft = [this] { endPick("Point selection cancelled: the caller left"); };
        if (client->notifier() != nullptr) {
            connect(client->notifier(), &QWinEventNotifier::activated, this, callerLeft);
        } else if (client->gone()) {
            QMetaObject::invokeMethod(this, callerLeft, Qt::QueuedConnection);
        }
    }
    emit pointRequested(QString::fromStdString(prompt));
    emit changed();
    // Incoming calls and the window's events are served here until the user answers.
    loop.exec();
    client.reset();
    m_waiting = nullptr;
    emit pointAnswered();
    if (m_answer) {
        return *m_answer;
    }
    // The loop ended without an answer: the application is quitting.
    return cancelled(m_model.cancelPick());
}

void ComPickServer::pick(Vec2 point)
{
    if (m_waiting == nullptr || !m_model.pickTakes(point)) {
        return; // a click on nothing while an object is asked for: the pick goes on
    }
    InvokeResult result;
    if (const auto value = m_model.answerPick(point)) {
        result.value = *value;
    }
    answer(result);
}

void ComPickServer::cancelPick()
{
    endPick("Point selection cancelled");
}

void ComPickServer::endPick(const std::string& reason)
{
    if (m_waiting == nullptr) {
        return;
    }
    answer(cancelled(m_model.cancelPick(reason)));
}

void ComPickServer::answer(InvokeResult result)
{
    m_answer = std::move(result);
    m_waiting->quit();
}

} // namespace cadhost
