#pragma once
// One stud drawn by the drawing unit (Start_ACAD with Draw_2D_Quorvel or Draw_3D_Quorvel)
// against the stand-in host's object model in this process: the 2D side view for a DXF block,
// and the solid for STEP.

#include "cad/quorvel_draw.h"
#include "drawing/cad_drawing.h"
#include "export/in_process_host.h"
#include "export/stud_list.h"

#include <optional>
#include <string>
#include <vector>

namespace exporter {

// Keeps the drawing unit's reports instead of showing them.
class CollectingReporter : public Reporter {
  public:
    void show(const Message& message) override { messages.push_back(message); }
    std::vector<Message> messages;
};

// The 2D view of one stud, drawn at the origin, on the three layers.
struct StudView {
    std::vector<drawing::Polyline> polylines;
    std::vector<drawing::Line> lines;
};

// Draws 2D views one after another into one host, so that they share its layers.
class ViewDrawer {
  public:
    explicit ViewDrawer(const LayerNames& layers);
    ViewDrawer(const ViewDrawer&) = delete;
    ViewDrawer& operator=(const ViewDrawer&) = delete;

    // Throws ExportError with the host's refusal when the drawing unit reports a failure.
    [[nodiscard]] StudView draw(const Stud& stud);
    // "0" and the layers the views are on, with their colours; indices as in the views.
    const std::vector<drawing::Layer>& layers() { return m_host.drawing().layers; }

  private:
    LayerNames m_layers;
    InProcessHost m_host;
    CollectingReporter m_reporter;
    QuorvelDraw m_draw;
};

// Builds the stud's solid by the 3D drawing and saves it as STEP under productName (replaced
// whole or not at all). Throws ExportError with the host's refusal or the file that cannot be
// written.
void exportSolid(const Stud& stud, const std::string& productName, const std::string& stepFile);

} // namespace exporter
