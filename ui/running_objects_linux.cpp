#include "cad/dbus/dbus_running_objects.h"
#include "ui/running_objects.h"

std::unique_ptr<RunningObjects> makeRunningObjects()
{
    return std::make_unique<DBusRunningObjects>();
}
