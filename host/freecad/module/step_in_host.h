#pragma once
// Saving the drawing's solids as STEP from inside another program that uses the same Open
// CASCADE: the STEP writer's settings and the library's message levels are process-wide, and the
// program's own STEP export reads them (its user's preferences), so they are put back as they
// were after each save.

#include "drawing/cad_drawing.h"

#include <string>

namespace freecadhost {

// As drawing::saveStep, StepSaveError included, leaving the library's settings as it found them.
void saveStepKeepingSettings(const drawing::CadDrawing& drawing, const std::string& file);

} // namespace freecadhost
