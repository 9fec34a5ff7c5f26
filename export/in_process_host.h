#pragma once
// The stand-in host's object model reached in the same process: the drawing unit's automation
// interfaces (cad/automation.h) served by host/object_model over one drawing, without a bus or a
// window, so that the exporter draws with exactly the calls and command texts a CAD program gets.

#include "cad/automation.h"
#include "drawing/cad_drawing.h"
#include "host/objects/object_model.h"

#include <memory>
#include <string>

namespace exporter {

class InProcessHost : public RunningObjects {
  public:
    // The insertion point is answered at once with (0, 0); the drawing starts empty.
    InProcessHost();

    OleObject getActiveObject(std::string_view className) override;

    drawing::CadDrawing& drawing() { return *m_drawing; }
    // The object model served, for tests that inject failures or send calls of their own.
    cadhost::ObjectModel& model() { return *m_model; }
    // What the host answered to the last call it refused ("" when none was refused).
    const std::string& lastRefusal() const { return *m_lastRefusal; }

  private:
    // Held by pointer so that the served objects keep them while the host is moved.
    std::unique_ptr<drawing::CadDrawing> m_drawing;
    std::shared_ptr<cadhost::ObjectModel> m_model;
    std::shared_ptr<std::string> m_lastRefusal;
};

} // namespace exporter
