#include "host/dbus/automation_server.h"

#include "cad/dbus/automation_protocol.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <limits>

namespace cadhost {

namespace {

constexpr const char* invokeSignature = "siav";

HostValue hostValue(const QVariant& value);

// An array's items, each as a value of its own; an item that is itself an array of anything but
// doubles (a point) stays unsupported.
HostValue hostItems(const QVariantList& list)
{
    std::vector<HostItem> items;
    for (const QVariant& item : list) {
        const HostValue one = hostValue(item);
        bool taken = false;
        std::visit(
            [&items, &taken](const auto& v) {
                if constexpr (std::is_constructible_v<HostItem, decltype(v)>) {
                    items.push_back(v);
                    taken = true;
                }
            },
            one);
        if (!taken) {
            return Unsupported{"<array>"};
        }
    }
    return items;
}

// An argument as the object model takes it: basic values (a 16-bit integer "n" kept as one), an
// array of doubles, an empty av,
// an object path, an array of object paths (ao, or an av holding only object paths), an array
// of 16-bit integers (an) and an array of mixed basic values (av), as extended data comes; any
// other D-Bus type stays unsupported, with the text the log shows.
HostValue hostValue(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
        return hostValue(qvariant_cast<QDBusVariant>(value).variant());
    }
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = qvariant_cast<QDBusArgument>(value);
        if (argument.currentSignature() == QLatin1String("ad")) {
            QList<double> list;
            argument >> list;
            return std::vector<double>(list.begin(), list.end());
        }
        if (argument.currentSignature() == QLatin1String("ao")) {
            QList<QDBusObjectPath> paths;
            argument >> paths;
            std::vector<ObjectRef> objects;
            for (const QDBusObjectPath& path : paths) {
                objects.push_back({path.path().toStdString()});
            }
            return objects;
        }
        if (argument.currentSignature() == QLatin1String("an")) {
            QList<short> list;
            argument >> list;
            return std::vector<HostItem>(list.begin(), list.end());
        }
        if (argument.currentSignature() == QLatin1String("av")) {
            QVariantList list;
            argument >> list;
            if (list.isEmpty()) {
                return std::monostate{};
            }
            std::vector<ObjectRef> objects;
            for (const QVariant& item : list) {
                if (item.metaType() != QMetaType::fromType<QDBusObjectPath>()) {
                    return hostItems(list);
                }
                objects.push_back({qvariant_cast<QDBusObjectPath>(item).path().toStdString()});
            }
            return objects;
        }
        return Unsupported{};
    }
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
        return ObjectRef{qvariant_cast<QDBusObjectPath>(value).path().toStdString()};
    }
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
        return static_cast<std::int32_t>(value.toInt());
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString().toStdString();
    case QMetaType::Short:
        return static_cast<std::int16_t>(value.toInt());
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        // Other integer types are the same number when it fits in 32 bits.
        bool ok = false;
        const qlonglong whole = value.toLongLong(&ok);
        if (ok && whole >= std::numeric_limits<std::int32_t>::min() &&
            whole <= std::numeric_limits<std::int32_t>::max() &&
            !(value.metaType().id() == QMetaType::ULongLong &&
              value.toULongLong() != quint64(whole))) {
            return static_cast<std::int32_t>(whole);
        }
        break;
    }
    default:
        break;
    }
    return Unsupported{value.toString().toStdString()};
}

struct DBusValue {
    QVariant operator()(std::monostate) const { return QVariantList{}; }
    QVariant operator()(bool value) const { return value; }
    QVariant operator()(std::int32_t value) const { return value; }
    QVariant operator()(std::int16_t value) const
    {
        return QVariant::fromValue(static_cast<short>(value));
    }
    QVariant operator()(double value) const { return value; }
    QVariant operator()(const std::string& value) const { return QString::fromStdString(value); }
    QVariant operator()(const std::vector<double>& values) const
    {
        return QVariant::fromValue(QList<double>(values.begin(), values.end()));
    }
    QVariant operator()(const ObjectRef& object) const
    {
        return QVariant::fromValue(QDBusObjectPath(QString::fromStdString(object.path)));
    }
    QVariant operator()(const std::vector<ObjectRef>& objects) const
    {
        QList<QDBusObjectPath> paths;
        for (const ObjectRef& object : objects) {
            paths.append(QDBusObjectPath(QString::fromStdString(object.path)));
        }
        return QVariant::fromValue(paths);
    }
    // Mixed items: "av", each item in a variant of its own.
    QVariant operator()(const std::vector<HostItem>& items) const
    {
        QVariantList list;
        for (const HostItem& item : items) {
            list.append(QVariant::fromValue(QDBusVariant(std::visit(*this, itemValue(item)))));
        }
        return list;
    }
    QVariant operator()(const Unsupported&) const { return QVariantList{}; }
};

QDBusMessage reply(const QDBusMessage& call, const HostValue& value)
{
    return call.createReply(QVariant::fromValue(QDBusVariant(std::visit(DBusValue{}, value))));
}

QDBusMessage errorReply(const QDBusMessage& call, const HostError& error)
{
    return call.createErrorReply(QLatin1String(errorName(error.kind)),
                                 QString::fromStdString(error.text));
}

} // namespace

AutomationServer::AutomationServer(CadDrawing& drawing, QDBusConnection connection, QObject* parent)
    : QDBusVirtualObject(parent), m_model(drawing), m_connection(std::move(connection)),
      m_pickCaller(new QDBusServiceWatcher(this))
{
    m_pickCaller->setConnection(m_connection);
    m_pickCaller->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_pickCaller, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { endPick(QStringLiteral("Point selection cancelled: the caller left")); });
}

bool AutomationServer::start(const QString& className)
{
    if (!m_connection.isConnected() || !m_connection.registerService(className)) {
        return false;
    }
    return m_connection.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
}

bool AutomationServer::setCallLog(const std::string& file)
{
    return m_model.setCallLog(file);
}

void AutomationServer::failCall(int oneBasedIndex, FailKind kind)
{
    m_model.failCall(oneBasedIndex, kind);
}

void AutomationServer::setScriptedPoints(std::deque<Vec2> points, bool headless, bool repeat)
{
    m_model.setScriptedPoints(std::move(points), headless, repeat);
}

QString AutomationServer::introspect(const QString&) const
{
    return QStringLiteral("<interface name=\"%1\"><method name=\"%2\">"
                          "<arg name=\"member\" type=\"s\" direction=\"in\"/>"
                          "<arg name=\"kind\" type=\"i\" direction=\"in\"/>"
                          "<arg name=\"args\" type=\"av\" direction=\"in\"/>"
                          "<arg name=\"result\" type=\"v\" direction=\"out\"/>"
                          "</method></interface>")
        .arg(QLatin1String(automationInterface), QLatin1String(invokeMethod));
}

bool AutomationServer::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    if (message.interface() != QLatin1String(automationInterface) ||
        message.member() != QLatin1String(invokeMethod)) {
        return false;
    }
    if (message.signature() != QLatin1String(invokeSignature)) {
        m_connection.send(message.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("Invoke takes the signature \"%1\", not \"%2\"")
                .arg(QLatin1String(invokeSignature), message.signature())));
        return true;
    }
    const QString member = message.arguments().at(0).toString();
    const std::int32_t kind = message.arguments().at(1).toInt();
    std::vector<HostValue> args;
    const QVariant list = message.arguments().at(2);
    if (list.metaType() == QMetaType::fromType<QDBusArgument>()) {
        QVariantList values;
        qvariant_cast<QDBusArgument>(list) >> values;
        args.reserve(static_cast<std::size_t>(values.size()));
        for (const QVariant& value : values) {
            args.push_back(hostValue(value));
        }
    }
    const InvokeResult result =
        m_model.invoke(message.path().toStdString(), member.toStdString(), kind, args);
    switch (result.status) {
    case InvokeResult::Status::Done:
        m_connection.send(reply(message, result.value));
        break;
    case InvokeResult::Status::Failed:
        m_connection.send(errorReply(message, result.error));
        break;
    case InvokeResult::Status::AwaitingPick:
        awaitPick(message, QString::fromStdString(result.prompt));
        return true;
    }
    emit changed();
    return true;
}

void AutomationServer::awaitPick(const QDBusMessage& message, const QString& prompt)
{
    message.setDelayedReply(true);
    m_pendingPick = message;
    // A caller that leaves the bus can no longer take the answer; its pick is cancelled so that
    // the next caller can ask for a point.
    m_pickCaller->setWatchedServices({message.service()});
    const auto registered = m_connection.interface()->isServiceRegistered(message.service());
    if (registered.isValid() && !registered.value()) {
        endPick(QStringLiteral("Point selection cancelled: the caller left"));
        return;
    }
    emit pointRequested(prompt);
}

void AutomationServer::pick(Vec2 p)
{
    if (!m_pendingPick || !m_model.pickTakes(p)) {
        return; // a click on nothing while an object is asked for: the pick goes on
    }
    if (const auto value = m_model.answerPick(p)) {
        m_connection.send(reply(*m_pendingPick, *value));
    }
    m_pendingPick.reset();
    m_pickCaller->setWatchedServices({});
    emit pointAnswered();
    emit changed();
}

void AutomationServer::cancelPick()
{
    endPick(QStringLiteral("Point selection cancelled"));
}

void AutomationServer::endPick(const QString& reason)
{
    if (!m_pendingPick) {
        return;
    }
    if (const auto error = m_model.cancelPick(reason.toStdString())) {
        m_connection.send(errorReply(*m_pendingPick, *error));
    }
    m_pendingPick.reset();
    m_pickCaller->setWatchedServices({});
    emit pointAnswered();
}

} // namespace cadhost
