#pragma once
// The platform's look-up of running automation objects (D-Bus on Linux, COM on Windows).

#include "cad/automation.h"

#include <memory>

std::unique_ptr<RunningObjects> makeRunningObjects();
