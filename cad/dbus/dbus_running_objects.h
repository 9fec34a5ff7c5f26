#pragma once
// The automation transport on the D-Bus session bus: running objects are looked up by their
// well-known bus name, members are invoked through org.quorvel.Automation.Invoke.

#include "cad/automation.h"

#include <QDBusConnection>

class DBusRunningObjects : public RunningObjects {
  public:
    explicit DBusRunningObjects(QDBusConnection connection = QDBusConnection::sessionBus());
    // Throws EOleSysError when nobody owns the name (no such program running) or there is no bus.
    OleObject getActiveObject(std::string_view className) override;

  private:
    QDBusConnection m_connection;
};
