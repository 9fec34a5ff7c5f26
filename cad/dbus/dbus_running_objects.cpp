#include "cad/dbus/dbus_running_objects.h"

#include "cad/dbus/automation_protocol.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <limits>
#include <optional>
#include <utility>

namespace {

// Calls block as long as the host takes: a point pick waits for the user.
constexpr int noTimeLimit = std::numeric_limits<int>::max();

// The numbers of an integer array, each as a 32-bit integer when it fits (a double otherwise).
template <typename Number> Variants numbersAsVariants(const QDBusArgument& argument)
{
    QList<Number> list;
    argument >> list;
    Variants values;
    for (const Number number : list) {
        if (std::in_range<std::int32_t>(number)) {
            values.emplace_back(static_cast<std::int32_t>(number));
        } else {
            values.emplace_back(static_cast<double>(number));
        }
    }
    return values;
}

// An array of integers of another width than "an" (hosts differ in how they send extended data's
// type codes) as values; nothing for any other array.
std::optional<Variants> integersOf(const QDBusArgument& argument)
{
    const QString signature = argument.currentSignature();
    if (signature == QLatin1String("aq")) {
        return numbersAsVariants<ushort>(argument);
    }
    if (signature == QLatin1String("ai")) {
        return numbersAsVariants<int>(argument);
    }
    if (signature == QLatin1String("au")) {
        return numbersAsVariants<uint>(argument);
    }
    if (signature == QLatin1String("ax")) {
        return numbersAsVariants<qlonglong>(argument);
    }
    if (signature == QLatin1String("at")) {
        return numbersAsVariants<qulonglong>(argument);
    }
    return std::nullopt;
}

class DBusObject : public AutomationObject {
  public:
    DBusObject(QDBusConnection connection, QString service, QString path)
        : m_connection(std::move(connection)), m_service(std::move(service)),
          m_path(std::move(path))
    {
    }

    Variant invoke(std::string_view member, InvokeKind kind,
                   const std::vector<Variant>& args) override;

  private:
    QVariant toDBus(const Variant& value) const;
    Variant fromDBus(const QVariant& value) const;
    Variant fromList(const QVariantList& list) const;
    OleObject objectAt(const QDBusObjectPath& path) const;

    QDBusConnection m_connection;
    QString m_service;
    QString m_path;
};

QVariant DBusObject::toDBus(const Variant& value) const
{
    struct Visitor {
        const DBusObject& self;
        QVariant operator()(std::monostate) const { return QVariant(QVariantList{}); }
        QVariant operator()(bool v) const { return QVariant(v); }
        QVariant operator()(std::int32_t v) const { return QVariant(static_cast<int>(v)); }
        QVariant operator()(std::int16_t v) const
        {
            return QVariant::fromValue(static_cast<short>(v));
        }
        QVariant operator()(double v) const { return QVariant(v); }
        QVariant operator()(const std::string& v) const
        {
            return QVariant(QString::fromStdString(v));
        }
        QVariant operator()(const Point& p) const
        {
            return QVariant::fromValue(QList<double>{p[0], p[1], p[2]});
        }
        QVariant operator()(const Doubles& numbers) const
        {
            return QVariant::fromValue(QList<double>(numbers.begin(), numbers.end()));
        }
        QVariant operator()(const OleObject& o) const { return QVariant::fromValue(pathOf(o)); }
        // An array of objects is an array of object paths, "ao".
        QVariant operator()(const Objects& objects) const
        {
            QList<QDBusObjectPath> paths;
            paths.reserve(static_cast<qsizetype>(objects.size()));
            for (const OleObject& o : objects) {
                paths.append(pathOf(o));
            }
            return QVariant::fromValue(paths);
        }
        // Extended data's type codes: "an".
        QVariant operator()(const Shorts& numbers) const
        {
            return QVariant::fromValue(QList<short>(numbers.begin(), numbers.end()));
        }
        // Values of mixed kinds: "av", each item as it travels alone.
        QVariant operator()(const Variants& values) const
        {
            QVariantList list;
            for (const Variant& item : values) {
                list.append(QVariant::fromValue(QDBusVariant(self.toDBus(item))));
            }
            return QVariant(list);
        }
        // An out parameter's place: empty, as an argument left out; the host answers with the
        // out values as the call's result (docs/design-notes.md).
        QVariant operator()(OutArgument) const { return QVariant(QVariantList{}); }
        static QDBusObjectPath pathOf(const OleObject& o)
        {
            const auto* object = dynamic_cast<const DBusObject*>(o.object());
            if (object == nullptr) {
                throw EOleError("Variant does not reference an automation object");
            }
            return QDBusObjectPath(object->m_path);
        }
    };
    return std::visit(Visitor{*this}, value.value());
}

Variant DBusObject::fromDBus(const QVariant& value) const
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = qvariant_cast<QDBusArgument>(value);
        const QString signature = argument.currentSignature();
        if (signature == QLatin1String("ad")) {
            QList<double> list;
            argument >> list;
            if (list.size() == 3) {
                return Point{list[0], list[1], list[2]};
            }
        } else if (signature == QLatin1String("ao")) {
            QList<QDBusObjectPath> paths;
            argument >> paths;
            Objects objects;
            for (const QDBusObjectPath& path : paths) {
                objects.push_back(objectAt(path));
            }
            return objects;
        } else if (signature == QLatin1String("an")) {
            QList<short> list;
            argument >> list;
            return Shorts(list.begin(), list.end());
        } else if (const auto integers = integersOf(argument)) {
            return *integers;
        } else if (signature == QLatin1String("av")) {
            QVariantList list;
            argument >> list;
            return fromList(list);
        }
        throw EOleSysError("unexpected value of type " + signature.toStdString(), statusFail);
    }
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
        return static_cast<std::int32_t>(value.toInt());
    case QMetaType::Short:
        return static_cast<std::int16_t>(value.toInt());
    case QMetaType::UShort:
        return static_cast<std::int32_t>(value.toInt());
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const qlonglong whole = value.toLongLong();
        if (whole >= std::numeric_limits<std::int32_t>::min() &&
            whole <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(whole);
        }
        return static_cast<double>(whole);
    }
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::QString:
        return value.toString().toStdString();
    case QMetaType::QVariantList:
        return fromList(value.toList());
    default:
        if (value.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
            return objectAt(qvariant_cast<QDBusObjectPath>(value));
        }
        if (value.metaType() == QMetaType::fromType<QList<double>>()) {
            const auto list = qvariant_cast<QList<double>>(value);
            if (list.size() == 3) {
                return Point{list[0], list[1], list[2]};
            }
        }
        if (value.metaType() == QMetaType::fromType<QList<QDBusObjectPath>>()) {
            Objects objects;
            for (const QDBusObjectPath& path : qvariant_cast<QList<QDBusObjectPath>>(value)) {
                objects.push_back(objectAt(path));
            }
            return objects;
        }
        break;
    }
    throw EOleSysError(std::string("unexpected value of type ") + value.typeName(), statusFail);
}

Variant DBusObject::fromList(const QVariantList& list) const
{
    if (list.isEmpty()) {
        return {};
    }
    // Some hosts send an array of objects as variants, each holding an object path.
    Objects objects;
    for (const QVariant& item : list) {
        if (item.metaType() != QMetaType::fromType<QDBusObjectPath>()) {
            break;
        }
        objects.push_back(objectAt(qvariant_cast<QDBusObjectPath>(item)));
    }
    if (objects.size() == static_cast<std::size_t>(list.size())) {
        return objects;
    }
    // Otherwise values of mixed kinds (extended data, out parameters).
    Variants values;
    for (const QVariant& item : list) {
        values.push_back(item.metaType() == QMetaType::fromType<QDBusVariant>()
                             ? fromDBus(qvariant_cast<QDBusVariant>(item).variant())
                             : fromDBus(item));
    }
    return values;
}

OleObject DBusObject::objectAt(const QDBusObjectPath& path) const
{
    return OleObject(std::make_shared<DBusObject>(m_connection, m_service, path.path()));
}

Variant DBusObject::invoke(std::string_view member, InvokeKind kind,
                           const std::vector<Variant>& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        m_service, m_path, QLatin1String(automationInterface), QLatin1String(invokeMethod));
    QVariantList values;
    for (const Variant& arg : args) {
        values.append(toDBus(arg));
    }
    call << QString::fromUtf8(member.data(), static_cast<qsizetype>(member.size()))
         << static_cast<int>(kind) << QVariant(values);
    const QDBusMessage reply = m_connection.call(call, QDBus::Block, noTimeLimit);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QString name = reply.errorName();
        if (name == QLatin1String(exceptionError)) {
            throw EOleException(reply.errorMessage().toStdString(), m_service.toStdString(), "", 0,
                                statusException);
        }
        if (name == QLatin1String(unknownNameError)) {
            throw EOleError(reply.errorMessage().toStdString());
        }
        throw EOleSysError((name + QLatin1String(": ") + reply.errorMessage()).toStdString(),
                           statusFail);
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        throw EOleSysError("no reply from " + m_service.toStdString(), statusFail);
    }
    const QVariant result = reply.arguments().constFirst();
    if (result.metaType() == QMetaType::fromType<QDBusVariant>()) {
        return fromDBus(qvariant_cast<QDBusVariant>(result).variant());
    }
    return fromDBus(result);
}

} // namespace

DBusRunningObjects::DBusRunningObjects(QDBusConnection connection)
    : m_connection(std::move(connection))
{
}

OleObject DBusRunningObjects::getActiveObject(std::string_view className)
{
    const QString service =
        QString::fromUtf8(className.data(), static_cast<qsizetype>(className.size()));
    if (!m_connection.isConnected()) {
        throw EOleSysError("no session bus", statusUnavailable);
    }
    const QDBusReply<bool> registered = m_connection.interface()->isServiceRegistered(service);
    if (!registered.isValid() || !registered.value()) {
        throw EOleSysError("Operation unavailable: " + service.toStdString(), statusUnavailable);
    }
    return OleObject(
        std::make_shared<DBusObject>(m_connection, service, QLatin1String(applicationPath)));
}
