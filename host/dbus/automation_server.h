#pragma once
// Serves the host's object model on the session bus under a class name: every object path
// answers org.quorvel.Automation.Invoke(s member, i kind, av args) -> v result. Converts the
// D-Bus values to and from the model's, and holds back the reply of a GetPoint until a point is
// picked, the pick is cancelled or its caller leaves the bus.

#include "host/objects/object_model.h"
#include "host/window/pick_service.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QObject>

#include <optional>

class QDBusServiceWatcher;

namespace cadhost {

class AutomationServer : public QDBusVirtualObject, public PickService {
    Q_OBJECT
  public:
    AutomationServer(CadDrawing& drawing, QDBusConnection connection, QObject* parent = nullptr);

    // Takes the bus name and registers the objects; false when the name is already owned.
    bool start(const QString& className);

    // Options for tests and scripts.
    bool setCallLog(const std::string& file);
    void failCall(int oneBasedIndex, FailKind kind);
    // repeat: the points are taken in a cycle instead of once (benchmarks).
    void setScriptedPoints(std::deque<Vec2> points, bool headless, bool repeat = false);

    // Answers a waiting GetPoint; cancel() answers it with the host's exception.
    void pick(Vec2 point) override;
    void cancelPick() override;
    bool waitingForPoint() const override { return m_pendingPick.has_value(); }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  signals:
    void changed(); // the drawing, the layers or the variables changed
    void pointRequested(const QString& prompt);
    void pointAnswered();

  private:
    void awaitPick(const QDBusMessage& message, const QString& prompt);
    void endPick(const QString& reason);

    ObjectModel m_model;
    QDBusConnection m_connection;
    std::optional<QDBusMessage> m_pendingPick;
    QDBusServiceWatcher* m_pickCaller; // watches the bus name of the waiting GetPoint's caller
};

} // namespace cadhost
