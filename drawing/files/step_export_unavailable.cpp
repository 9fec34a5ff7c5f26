// STEP export for builds without Open CASCADE (the Windows hosts): there is nothing to write the
// solids with, so the host offers no STEP export and refuses a request for one in so many words.
#include "drawing/files/step_export.h"

namespace drawing {

bool stepExportAvailable()
{
    return false;
}

void saveStep(const CadDrawing&, const std::string&)
{
    throw StepSaveError("this host is built without Open CASCADE and cannot save STEP");
}

} // namespace drawing
