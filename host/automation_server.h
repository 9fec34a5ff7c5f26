#pragma once
// Serves the CAD host's object model on the session bus under a class name: Application,
// Document, Utility, Layers and each Layer, all through org.quorvel.Automation.Invoke.
// GetPoint replies only when a point is picked (or a scripted point is taken).

#include "host/cad_drawing.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QObject>

#include <deque>
#include <optional>

namespace cadhost {

enum class FailKind { Exception, SysError, UnknownName };

class AutomationServer : public QDBusVirtualObject {
    Q_OBJECT
  public:
    AutomationServer(CadDrawing& drawing, QDBusConnection connection, QObject* parent = nullptr);

    // Takes the bus name and registers the objects; false when the name is already owned.
    bool start(const QString& className);

    // Options for tests and scripts.
    bool setCallLog(const QString& file);
    void failCall(int oneBasedIndex, FailKind kind);
    // repeat: the points are taken in a cycle instead of once (benchmarks).
    void setScriptedPoints(std::deque<Vec2> points, bool headless, bool repeat = false);

    // Answers a waiting GetPoint; cancel() answers it with the host's exception.
    void pick(Vec2 point);
    void cancelPick();
    bool waitingForPoint() const { return m_pendingPick.has_value(); }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  signals:
    void changed(); // the drawing, the layers or the variables changed
    void pointRequested(const QString& prompt);
    void pointAnswered();

  private:
    QVariant dispatch(const QString& path, const QString& member, int kind,
                      const QVariantList& args, const QDBusMessage& message, bool& delayed);
    // "object<TAB>member<TAB>kind<TAB>arguments", the start of a call log line.
    static QString callText(const QString& path, const QString& member, int kind,
                            const QVariantList& args);
    void logCall(const QString& call, const QString& outcome);

    CadDrawing& m_drawing;
    QDBusConnection m_connection;
    QFile m_log;
    int m_callCount = 0;
    std::optional<std::pair<int, FailKind>> m_failure;
    std::deque<Vec2> m_scriptedPoints;
    bool m_headless = false;
    bool m_repeatPoints = false;
    std::optional<QDBusMessage> m_pendingPick;
    QString m_pendingCall; // call text of the waiting GetPoint
};

} // namespace cadhost
