#pragma once
// Starts quorvel-cadhost headless (or offscreen) on the session bus for a test or a benchmark and
// stops it with SIGTERM, so that it writes its DXF; and the calls a test sends it by hand.

#include "cad/dbus/automation_protocol.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <functional>
#include <utility>

class HostProcess {
  public:
    // name: the bus name the host is to own, given to it with --name unless it is the default;
    // inChild runs in the child before the host starts (to set its limits).
    explicit HostProcess(QStringList arguments, QString name = QLatin1String(defaultName),
                         const std::function<void()>& inChild = {})
        : m_name(std::move(name))
    {
        if (m_name != QLatin1String(defaultName)) {
            arguments << QStringLiteral("--name") << m_name;
        }
        // QUORVEL_CADHOST runs the tests against another build of the host.
        m_process.setProgram(qEnvironmentVariable("QUORVEL_CADHOST", QStringLiteral(CADHOST_PATH)));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (inChild) {
            m_process.setChildProcessModifier(inChild);
        }
        m_process.start();
        m_process.waitForStarted(5000);
        // Ready once it owns the name (bounded wait).
        for (int attempt = 0; attempt < 100 && !owned(m_name); ++attempt) {
            QThread::msleep(50);
        }
    }
    ~HostProcess() { stop(); }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    static constexpr const char* defaultName = "AutoCAD.Application";

    static bool owned(const QString& name = QLatin1String(defaultName))
    {
        const auto reply = QDBusConnection::sessionBus().interface()->isServiceRegistered(name);
        return reply.isValid() && reply.value();
    }

    // SIGTERM: the host saves its DXF and ends; then the name is free again.
    int stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
        for (int attempt = 0; attempt < 100 && owned(m_name); ++attempt) {
            QThread::msleep(20);
        }
        return m_process.exitCode();
    }

    qint64 pid() const { return m_process.processId(); }
    // Resident memory in KiB (VmRSS), 0 when it cannot be read.
    long residentKiB() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid()));
        if (!status.open(QIODevice::ReadOnly)) {
            return 0;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                return line.mid(6).trimmed().split(' ').value(0).toLong();
            }
        }
        return 0;
    }
    QProcess& process() { return m_process; }

  private:
    QString m_name;
    QProcess m_process;
};

// One automation call to the host at path, as the program sends it: member, kind and the
// arguments each wrapped as a variant.
inline QDBusMessage invokeMessage(const QString& path, const QString& member, int kind,
                                  const QVariantList& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("AutoCAD.Application"), path,
                                                       QLatin1String(automationInterface),
                                                       QLatin1String(invokeMethod));
    QVariantList values;
    for (const QVariant& arg : args) {
        values << QVariant::fromValue(QDBusVariant(arg));
    }
    call << member << kind << QVariant(values);
    return call;
}
