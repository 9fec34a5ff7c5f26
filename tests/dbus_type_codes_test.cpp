// «Изменить…» over the session bus against hosts that answer extended data's type codes in
// different integer arrays: "an" as the stand-in host's reference has them, "ai" and an "av" of
// integers as hosts on other bindings send them. A canned host on a connection and thread of its
// own answers the few calls of the pick.
#include "cad/dbus/automation_protocol.h"
#include "cad/dbus/dbus_running_objects.h"
#include "cad/quorvel_draw.h"
#include "free_bus.h"
#include "recording_reporter.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

namespace {

QVariant inVariant(const QVariant& value)
{
    return QVariant::fromValue(QDBusVariant(value));
}

// Answers ActiveDocument, Visible, Utility, GetEntity (the stud /Entities/1), Handle and
// GetXData (the worked stud's data, its codes as codes()); keeps the D-Bus types of the arguments
// of the last call.
class CannedHost : public QDBusVirtualObject {
  public:
    explicit CannedHost(std::function<QVariant()> codes) : m_codes(std::move(codes)) {}

    QString introspect(const QString&) const override { return {}; }

    QStringList lastTypes() const
    {
        const std::lock_guard lock(m_mutex);
        return m_lastTypes;
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.arguments().value(0).toString();
        {
            QVariantList args;
            qvariant_cast<QDBusArgument>(message.arguments().value(2)) >> args;
            const std::lock_guard lock(m_mutex);
            m_lastTypes.clear();
            for (const QVariant& arg : args) {
                m_lastTypes << (arg.metaType() == QMetaType::fromType<QDBusArgument>()
                                    ? qvariant_cast<QDBusArgument>(arg).currentSignature()
                                    : QString::fromLatin1(arg.metaType().name()));
            }
        }
        QVariant result = QVariantList{};
        if (member == QLatin1String("ActiveDocument")) {
            result = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/Document")));
        } else if (member == QLatin1String("Utility")) {
            result = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/Utility")));
        } else if (member == QLatin1String("GetEntity")) {
            result = QVariantList{
                inVariant(QVariant::fromValue(QDBusObjectPath(QStringLiteral("/Entities/1")))),
                inVariant(QVariant::fromValue(QList<double>{0, 0, 0}))};
        } else if (member == QLatin1String("Handle")) {
            result = QStringLiteral("1");
        } else if (member == QLatin1String("GetXData")) {
            QVariantList values;
            for (const QVariant& value :
                 {QVariant(QStringLiteral("QUORVEL")), QVariant(QStringLiteral("22032-76")),
                  QVariant::fromValue(short{0}), QVariant::fromValue(short{0}), QVariant(12.0),
                  QVariant(100.0), QVariant(30.0), QVariant(12.0), QVariant(1.6), QVariant(1.75)}) {
                values << inVariant(value);
            }
            result = QVariantList{inVariant(m_codes()), inVariant(values)};
        }
        connection.send(message.createReply(inVariant(result)));
        return true;
    }

  private:
    std::function<QVariant()> m_codes;
    mutable std::mutex m_mutex;
    QStringList m_lastTypes;
};

// The canned host serving AutoCAD.Application from a thread of its own, so that the program's
// blocking calls on this thread are answered.
class CannedHostThread {
  public:
    explicit CannedHostThread(std::function<QVariant()> codes)
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context,
            [this, codes] {
                m_connection = std::make_unique<QDBusConnection>(
                    QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName));
                m_host = std::make_unique<CannedHost>(codes);
                m_connection->registerVirtualObject(QStringLiteral("/"), m_host.get(),
                                                    QDBusConnection::SubPath);
                m_connection->registerService(QLatin1String(HostProcess::defaultName));
            },
            Qt::BlockingQueuedConnection);
    }
    ~CannedHostThread()
    {
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                m_connection->unregisterService(QLatin1String(HostProcess::defaultName));
                m_connection->unregisterObject(QStringLiteral("/"),
                                               QDBusConnection::UnregisterTree);
                m_host.reset();
                m_connection.reset();
                QDBusConnection::disconnectFromBus(connectionName);
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    const CannedHost& host() const { return *m_host; }

    CannedHostThread(const CannedHostThread&) = delete;
    CannedHostThread& operator=(const CannedHostThread&) = delete;

  private:
    static constexpr const char* connectionName = "canned-host";
    QThread m_thread;
    QObject m_context;
    std::unique_ptr<QDBusConnection> m_connection;
    std::unique_ptr<CannedHost> m_host;
};

} // namespace

TEST(TypeCodesOverDBus, AnyIntegerArrayOfTypeCodesIsRead)
{
    ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost());
    const QList<int> codes{1001, 1000, 1070, 1070, 1040, 1040, 1040, 1040, 1040, 1040};
    const struct {
        const char* label;
        std::function<QVariant()> codes;
    } rows[] = {
        {"an", [&] { return QVariant::fromValue(QList<short>(codes.begin(), codes.end())); }},
        {"ai", [&] { return QVariant::fromValue(codes); }},
        {"av of i",
         [&] {
             QVariantList list;
             for (const int code : codes) {
                 list << inVariant(code);
             }
             return QVariant(list);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const CannedHostThread host(row.codes);
        DBusRunningObjects objects;
        RecordingReporter reporter;
        const LayerNames layers;
        QuorvelDraw unit(objects, reporter, layers);
        EXPECT_EQ(unit.Edit_Stud(), EditOutcome::Picked);
        EXPECT_TRUE(reporter.messages.empty())
            << (reporter.messages.empty() ? "" : reporter.messages[0].text);
        EXPECT_EQ(unit.edited().standard, "22032-76");
        EXPECT_EQ(unit.edited().L, 100);
    }
}

// Extended data's values go in their own widths: group 1070 as "n", which a host following the
// object model's reference takes, and the type codes as "an".
TEST(TypeCodesOverDBus, IntegersTravelInTheirOwnWidths)
{
    ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost());
    const CannedHostThread host([] { return QVariant(); });
    DBusRunningObjects objects;
    objects.getActiveObject(HostProcess::defaultName)
        .call("SetXData", {Shorts{1001, 1070}, std::int16_t{1}, std::int32_t{2}});
    EXPECT_EQ(host.host().lastTypes(), (QStringList{"an", "short", "int"}));
}
