#pragma once
// Saves the stand-in host's parts as a STEP file (AP214) through Open CASCADE's document writer,
// so that any 3D CAD program can take them: each part with a solid is one product named with its
// part name, its thread faces carry their threads' names, lengths are in millimetres. The file is
// replaced whole or not at all.

#include "drawing/cad_drawing.h"

#include <stdexcept>
#include <string>

namespace drawing {

// The STEP file was not written; what() says why. A file already there is left as it was.
class StepSaveError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Whether this build of the host writes STEP: only builds with Open CASCADE do.
bool stepExportAvailable();

// Throws StepSaveError when no part has a solid yet, the file cannot be written, or this build
// has no STEP export.
void saveStep(const CadDrawing& drawing, const std::string& file);

} // namespace drawing
