#pragma once
// The window's side of the COM host: GetPoint waits for the user's pick on the canvas (the
// window keeps working meanwhile, in a nested event loop of the one apartment thread), and the
// window follows every call. A client that ends while its GetPoint waits can no longer take the
// answer; its pick is cancelled, so that the next GetPoint is not refused.

#include "host/com/client_fronts.h"
#include "host/com/com_host.h"
#include "host/window/pick_service.h"

#include <QObject>
#include <QString>

#include <optional>

class QEventLoop;

namespace cadhost {

class ComPickServer : public QObject, public PickService, public ComHostListener {
    Q_OBJECT
  public:
    // clients tells the process of the client whose call waits (none: picks are not watched).
    ComPickServer(ObjectModel& model, const ClientFronts* clients, QObject* parent = nullptr);

    void pick(Vec2 point) override;
    void cancelPick() override;
    bool waitingForPoint() const override { return m_waiting != nullptr; }

    InvokeResult awaitPick(const std::string& prompt) override;
    void called() override { emit changed(); }

  signals:
    void changed();
    void pointRequested(const QString& prompt);
    void pointAnswered();

  private:
    void answer(InvokeResult result);
    void endPick(const std::string& reason);

    ObjectModel& m_model;
    const ClientFronts* m_clients;
    QEventLoop* m_waiting = nullptr;
    std::optional<InvokeResult> m_answer;
};

} // namespace cadhost
