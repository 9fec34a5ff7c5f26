#include "cad/com/com_running_objects.h"
#include "ui/running_objects.h"

std::unique_ptr<RunningObjects> makeRunningObjects()
{
    return std::make_unique<ComRunningObjects>();
}
