#pragma once
// Starts quorvel-cadhost headless (or offscreen) on the session bus for a test and stops it
// with SIGTERM, so that it writes its DXF.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>


class HostProcess {
  public:
    explicit HostProcess(QStringList arguments)
    {
        // QUORVEL_CADHOST runs the tests against another build of the host.
        m_process.setProgram(qEnvironmentVariable("QUORVEL_CADHOST", QStringLiteral(CADHOST_PATH)));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_process.waitForStarted(5000);
        // Ready once it owns the name (bounded wait).
        for (int attempt = 0; attempt < 100 && !owned(); ++attempt) {
            QThread::msleep(50);
        }
    }
    ~HostProcess() { stop(); }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    static bool owned()
    {
        const auto reply = QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("AutoCAD.Application"));
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
        for (int attempt = 0; attempt < 100 && owned(); ++attempt) {
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
    QProcess m_process;
};
