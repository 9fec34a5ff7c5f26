#include "export/stud_drawing.h"

#include "drawing/files/step_export.h"
#include "drawing/part/part_solid.h"
#include "export/export_error.h"

namespace exporter {

namespace {

void draw(QuorvelDraw& unit, const CollectingReporter& reporter, const InProcessHost& host,
          bool is3D, const Stud& stud)
{
    const HandOver& n = stud.numbers;
    unit.Start_ACAD(is3D, stud.PartName, n.d, n.overallLength, n.b, n.b1, n.c);
    if (!reporter.messages.empty()) {
        throw ExportError(ExportFailure::Failed, "the stand-in host refused " + stud.PartName +
                                                     (is3D ? " (3D)" : " (2D)") + ": " +
                                                     host.lastRefusal());
    }
}

} // namespace

ViewDrawer::ViewDrawer(const LayerNames& layers)
    : m_layers(layers), m_draw(m_host, m_reporter, m_layers)
{
}

StudView ViewDrawer::draw(const Stud& stud)
{
    drawing::CadDrawing& drawing = m_host.drawing();
    drawing.polylines.clear();
    drawing.lines.clear();
    exporter::draw(m_draw, m_reporter, m_host, false, stud);
    return {std::move(drawing.polylines), std::move(drawing.lines)};
}

void exportSolid(const Stud& stud, const std::string& productName, const std::string& stepFile)
{
    InProcessHost host;
    CollectingReporter reporter;
    const LayerNames layers;
    QuorvelDraw unit(host, reporter, layers);
    draw(unit, reporter, host, true, stud);
    drawing::CadDrawing& drawing = host.drawing();
    if (drawing.parts.size() != 1 || !drawing.parts.front().solid) {
        throw ExportError(ExportFailure::Failed,
                          "the stand-in host built no solid for " + stud.PartName);
    }
    // The STEP product carries the designation; the part keeps nothing else of its name.
    drawing.parts.front().name = productName;
    try {
        drawing::saveStep(drawing, stepFile);
    } catch (const drawing::StepSaveError& error) {
        throw ExportError(ExportFailure::Failed, error.what());
    }
}

} // namespace exporter
