#include "host/automation_server.h"

#include "cad/dbus/automation_protocol.h"
#include "model/number_text.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <cmath>

namespace cadhost {

namespace {

constexpr const char* failedError = "org.quorvel.Automation.Failed";

// An argument as the host sees it: basic values, a point (ad), an empty av, an object path.
QVariant plain(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
        return plain(qvariant_cast<QDBusVariant>(value).variant());
    }
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = qvariant_cast<QDBusArgument>(value);
        if (argument.currentSignature() == QLatin1String("ad")) {
            QList<double> list;
            argument >> list;
            return QVariant::fromValue(list);
        }
        if (argument.currentSignature() == QLatin1String("av")) {
            QVariantList list;
            argument >> list;
            return list;
        }
    }
    return value;
}

QString show(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QList<double>>()) {
        QStringList parts;
        for (double v : qvariant_cast<QList<double>>(value)) {
            parts << QString::fromStdString(numberText(v));
        }
        return QLatin1Char('(') + parts.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
        return qvariant_cast<QDBusObjectPath>(value).path();
    }
    if (value.metaType().id() == QMetaType::QVariantList && value.toList().isEmpty()) {
        return QStringLiteral("<empty>");
    }
    if (value.metaType().id() == QMetaType::Double) {
        return QString::fromStdString(numberText(value.toDouble()));
    }
    if (value.metaType().id() == QMetaType::Bool) {
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    }
    QString text = value.toString();
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return text;
}

QVariant point(Vec2 p)
{
    return QVariant::fromValue(QList<double>{p.x, p.y, 0.0});
}

QVariant object(const QString& path)
{
    return QVariant::fromValue(QDBusObjectPath(path));
}

struct HostError {
    const char* name;
    QString text;
};

} // namespace

AutomationServer::AutomationServer(CadDrawing& drawing, QDBusConnection connection, QObject* parent)
    : QDBusVirtualObject(parent), m_drawing(drawing), m_connection(std::move(connection))
{
}

bool AutomationServer::start(const QString& className)
{
    if (!m_connection.isConnected() || !m_connection.registerService(className)) {
        return false;
    }
    return m_connection.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
}

bool AutomationServer::setCallLog(const QString& file)
{
    m_log.setFileName(file);
    return m_log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

void AutomationServer::failCall(int oneBasedIndex, FailKind kind)
{
    m_failure = std::make_pair(oneBasedIndex, kind);
}

void AutomationServer::setScriptedPoints(std::deque<Vec2> points, bool headless, bool repeat)
{
    m_scriptedPoints = std::move(points);
    m_headless = headless;
    m_repeatPoints = repeat;
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

QString AutomationServer::callText(const QString& path, const QString& member, int kind,
                                   const QVariantList& args)
{
    QStringList shown;
    for (const QVariant& arg : args) {
        shown << show(arg);
    }
    return path.mid(1) + QLatin1Char('\t') + member + QLatin1Char('\t') + QString::number(kind) +
           QLatin1Char('\t') + shown.join(QLatin1Char('|'));
}

void AutomationServer::logCall(const QString& call, const QString& outcome)
{
    if (m_log.isOpen()) {
        m_log.write((call + QLatin1Char('\t') + outcome + QLatin1Char('\n')).toUtf8());
        m_log.flush();
    }
}

bool AutomationServer::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    if (message.interface() != QLatin1String(automationInterface) ||
        message.member() != QLatin1String(invokeMethod) || message.arguments().size() != 3) {
        return false;
    }
    const QString path = message.path();
    const QString member = message.arguments().at(0).toString();
    const int kind = message.arguments().at(1).toInt();
    QVariantList args;
    for (const QVariant& arg : plain(message.arguments().at(2)).toList()) {
        args << plain(arg);
    }
    const QString call = callText(path, member, kind, args);
    ++m_callCount;
    try {
        if (m_failure && m_failure->first == m_callCount) {
            switch (m_failure->second) {
            case FailKind::Exception:
                throw HostError{exceptionError, QStringLiteral("Injected host exception")};
            case FailKind::SysError:
                throw HostError{failedError, QStringLiteral("Injected failure")};
            case FailKind::UnknownName:
                throw HostError{unknownNameError, QStringLiteral("Unknown name: ") + member};
            }
        }
        bool delayed = false;
        const QVariant result = dispatch(path, member, kind, args, message, delayed);
        if (delayed) {
            m_pendingCall = call; // logged when the pick is answered
            return true;
        }
        logCall(call, QStringLiteral("-> ") + show(result));
        m_connection.send(message.createReply(QVariant::fromValue(QDBusVariant(result))));
    } catch (const HostError& error) {
        logCall(call, QStringLiteral("!! ") + QLatin1String(error.name) + QStringLiteral(": ") +
                          error.text);
        m_connection.send(message.createErrorReply(QLatin1String(error.name), error.text));
    }
    emit changed();
    return true;
}

QVariant AutomationServer::dispatch(const QString& path, const QString& member, int kind,
                                    const QVariantList& args, const QDBusMessage& message,
                                    bool& delayed)
{
    const bool get = (kind & 2) != 0 && args.isEmpty();
    const bool put = kind == 4 && args.size() == 1;
    const auto unknown = [&]() -> HostError {
        return {unknownNameError, QStringLiteral("Unknown name: ") + member};
    };
    const auto needs = [&](int count) {
        if (args.size() < count) {
            throw HostError{failedError, QStringLiteral("Wrong number of arguments")};
        }
    };
    if (path == QLatin1String(applicationPath)) {
        if (member == QLatin1String("ActiveDocument") && get) {
            return object(QStringLiteral("/Document"));
        }
        if (member == QLatin1String("Visible") && put) {
            return QVariantList{};
        }
        throw unknown();
    }
    if (path == QLatin1String("/Document")) {
        if (member == QLatin1String("GetVariable")) {
            needs(1);
            const QString name = args.at(0).toString().toUpper();
            if (name == QLatin1String("OSMODE")) {
                return m_drawing.osmode;
            }
            if (name == QLatin1String("CMDDIA")) {
                return m_drawing.cmddia;
            }
            throw HostError{exceptionError, QStringLiteral("Unknown system variable")};
        }
        if (member == QLatin1String("SetVariable")) {
            needs(2);
            const QString name = args.at(0).toString().toUpper();
            bool ok = false;
            const int value = args.at(1).toInt(&ok);
            if (!ok) {
                throw HostError{exceptionError, QStringLiteral("Invalid value")};
            }
            if (name == QLatin1String("OSMODE")) {
                m_drawing.osmode = value;
            } else if (name == QLatin1String("CMDDIA")) {
                m_drawing.cmddia = value;
            } else {
                throw HostError{exceptionError, QStringLiteral("Unknown system variable")};
            }
            return QVariantList{};
        }
        if (member == QLatin1String("SendCommand")) {
            needs(1);
            try {
                m_drawing.run(args.at(0).toString().toStdString());
            } catch (const CommandRefused& refused) { // answered as the CAD program refuses it
                throw HostError{exceptionError, QString::fromStdString(refused.what())};
            }
            return QVariantList{};
        }
        if (member == QLatin1String("Utility") && get) {
            return object(QStringLiteral("/Utility"));
        }
        if (member == QLatin1String("Layers") && get) {
            return object(QStringLiteral("/Layers"));
        }
        if (member == QLatin1String("ActiveLayer") && get) {
            return object(QStringLiteral("/Layers/%1").arg(m_drawing.activeLayer));
        }
        if (member == QLatin1String("ActiveLayer") && put) {
            const QVariant layer = args.at(0);
            const QString layerPath = layer.metaType() == QMetaType::fromType<QDBusObjectPath>()
                                          ? qvariant_cast<QDBusObjectPath>(layer).path()
                                          : QString();
            bool ok = false;
            const qsizetype index = layerPath.startsWith(QLatin1String("/Layers/"))
                                        ? layerPath.mid(8).toLongLong(&ok)
                                        : -1;
            if (!ok || index < 0 || index >= static_cast<qsizetype>(m_drawing.layers.size())) {
                throw HostError{exceptionError, QStringLiteral("Not a layer")};
            }
            m_drawing.activeLayer = static_cast<std::size_t>(index);
            return QVariantList{};
        }
        throw unknown();
    }
    if (path == QLatin1String("/Utility")) {
        if (member == QLatin1String("GetPoint")) {
            if (!m_scriptedPoints.empty()) {
                const Vec2 p = m_scriptedPoints.front();
                m_scriptedPoints.pop_front();
                if (m_repeatPoints) {
                    m_scriptedPoints.push_back(p);
                }
                return point(p);
            }
            if (m_headless) {
                throw HostError{exceptionError, QStringLiteral("Point selection cancelled")};
            }
            if (m_pendingPick) {
                throw HostError{exceptionError, QStringLiteral("A point is already asked for")};
            }
            message.setDelayedReply(true);
            m_pendingPick = message;
            delayed = true;
            emit pointRequested(args.size() >= 2 ? args.at(1).toString() : QString());
            return {};
        }
        if (member == QLatin1String("PolarPoint")) {
            needs(3);
            const auto from = qvariant_cast<QList<double>>(args.at(0));
            if (from.size() != 3) {
                throw HostError{exceptionError, QStringLiteral("Invalid point")};
            }
            const double angle = args.at(1).toDouble();
            const double distance = args.at(2).toDouble();
            // Computed as a CAD program does, so cos(pi/2) leaves its rounding residue.
            return QVariant::fromValue(QList<double>{from[0] + distance * std::cos(angle),
                                                     from[1] + distance * std::sin(angle),
                                                     from[2]});
        }
        throw unknown();
    }
    if (path == QLatin1String("/Layers")) {
        if (member == QLatin1String("Count") && get) {
            return static_cast<int>(m_drawing.layers.size());
        }
        if (member == QLatin1String("Item")) {
            needs(1);
            const int index = args.at(0).toInt();
            if (index < 0 || index >= static_cast<int>(m_drawing.layers.size())) {
                throw HostError{exceptionError, QStringLiteral("Index out of range")};
            }
            return object(QStringLiteral("/Layers/%1").arg(index));
        }
        if (member == QLatin1String("Add")) {
            needs(1);
            const std::string name = args.at(0).toString().toStdString();
            for (std::size_t i = 0; i < m_drawing.layers.size(); ++i) {
                if (m_drawing.layers[i].name == name) {
                    return object(QStringLiteral("/Layers/%1").arg(i));
                }
            }
            return object(QStringLiteral("/Layers/%1").arg(m_drawing.addLayer(name)));
        }
        throw unknown();
    }
    if (path.startsWith(QLatin1String("/Layers/"))) {
        bool ok = false;
        const qsizetype index = path.mid(8).toLongLong(&ok);
        if (!ok || index < 0 || index >= static_cast<qsizetype>(m_drawing.layers.size())) {
            throw HostError{failedError, QStringLiteral("No such object")};
        }
        Layer& layer = m_drawing.layers[static_cast<std::size_t>(index)];
        if (member == QLatin1String("name") && get) {
            return QString::fromStdString(layer.name);
        }
        if (member == QLatin1String("color") && get) {
            return layer.color;
        }
        if (member == QLatin1String("color") && put) {
            layer.color = args.at(0).toInt();
            return QVariantList{};
        }
        throw unknown();
    }
    throw HostError{failedError, QStringLiteral("No such object")};
}

void AutomationServer::pick(Vec2 p)
{
    if (!m_pendingPick) {
        return;
    }
    const QVariant result = point(p);
    logCall(m_pendingCall, QStringLiteral("-> ") + show(result));
    m_connection.send(m_pendingPick->createReply(QVariant::fromValue(QDBusVariant(result))));
    m_pendingPick.reset();
    emit pointAnswered();
    emit changed();
}

void AutomationServer::cancelPick()
{
    if (!m_pendingPick) {
        return;
    }
    logCall(m_pendingCall, QStringLiteral("!! ") + QLatin1String(exceptionError) +
                               QStringLiteral(": Point selection cancelled"));
    m_connection.send(m_pendingPick->createErrorReply(QLatin1String(exceptionError),
                                                      QStringLiteral("Point selection cancelled")));
    m_pendingPick.reset();
    emit pointAnswered();
}

} // namespace cadhost
