#pragma once
// One stud drawn by the drawing unit (Start_ACAD with Draw_2D_Quorvel or Draw_3D_Quorvel)
// against the stand-in host's object model in this process: the 2D side view for a DXF block,
// and the solid for STEP.

#include "cad/quorvel_draw.h"
#include "cad/stud_block.h"
#include "drawing/cad_drawing.h"
#include "export/in_process_host.h"
#include "export/stud_list.h"
#include "model/stud_mass.h"

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

// The 2D view of one stud as the block the drawing unit places: its entities relative to the
// base point, on the three layers, its attribute definitions, and the values and extended data of
// its insert.
struct StudView {
    std::string name;
    std::vector<drawing::Polyline> polylines;
    std::vector<drawing::Line> lines;
    std::vector<drawing::AttributeDefinition> attributes;
    std::vector<std::string> values;
    std::vector<drawing::ExtendedData> data;
};

// The sizes a placed stud keeps of itself (cad/stud_block.h), from the exporter's stud.
[[nodiscard]] StoredStud storedStudOf(const Stud& stud);

// The block of the stud as the window places it (studBlock), with the library's designation in
// NAME (its property class, when one is asked for) and the mass of one stud of the material in
// MASS, so that a block taken from the library lands in the parts list as a placed one does.
[[nodiscard]] StudBlock libraryBlock(const Stud& stud, const std::string& designation,
                                     Material material);

// Draws 2D views one after another into one host, so that they share its layers.
class ViewDrawer {
  public:
    explicit ViewDrawer(const LayerNames& layers);
    ViewDrawer(const ViewDrawer&) = delete;
    ViewDrawer& operator=(const ViewDrawer&) = delete;

    // Throws ExportError with the host's refusal when the drawing unit reports a failure.
    [[nodiscard]] StudView draw(const Stud& stud, const StudBlock& block);
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
