#include "export/stud_drawing.h"

#include "drawing/files/step_export.h"
#include "drawing/part/part_solid.h"
#include "export/export_error.h"
#include "model/number_text.h"

namespace exporter {

namespace {

void draw(QuorvelDraw& unit, const CollectingReporter& reporter, const InProcessHost& host,
          bool is3D, const Stud& stud, const StudBlock* block = nullptr)
{
    const HandOver& n = stud.numbers;
    unit.Start_ACAD(is3D, stud.PartName, n.d, n.overallLength, n.b, n.b1, n.c, block);
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

StoredStud storedStudOf(const Stud& stud)
{
    StoredStud stored;
    stored.standard = stud.standard;
    stored.d = stud.numbers.d;
    stored.L = stud.numbers.L;
    stored.b = stud.numbers.b;
    stored.b1 = stud.numbers.b1;
    stored.c = stud.numbers.c;
    stored.P = parseNumber(stud.PText).value_or(0);
    stored.freeDimensions = stud.freeDimensions;
    return stored;
}

StudBlock libraryBlock(const Stud& stud, const std::string& designation, Material material)
{
    const StudFamily family = familyOf(stud.standardIndex);
    StudBlock block = studBlock(storedStudOf(stud), family);
    std::string mass;
    if (const std::optional<double> P = parseNumber(stud.PText)) {
        if (const auto kg1000 = massOf1000Kg(massSizes(family, stud.numbers, *P), material)) {
            mass = pieceMassText(*kg1000);
        }
    }
    for (StudAttribute& attribute : block.attributes) {
        if (attribute.tag == "NAME") {
            attribute.value = designation;
        } else if (attribute.tag == "MASS") {
            attribute.value = mass;
        }
    }
    return block;
}

StudView ViewDrawer::draw(const Stud& stud, const StudBlock& block)
{
    drawing::CadDrawing& drawing = m_host.drawing();
    // Each stud's block is made anew in an empty drawing: the views share only the layers, and
    // a refusal before is not this stud's.
    drawing.blocks.clear();
    drawing.inserts.clear();
    m_reporter.messages.clear();
    exporter::draw(m_draw, m_reporter, m_host, false, stud, &block);
    if (drawing.blocks.size() != 1 || drawing.inserts.size() != 1) {
        throw ExportError(ExportFailure::Failed,
                          "the stand-in host placed no block for " + stud.PartName);
    }
    drawing::Block& made = drawing.blocks.front();
    drawing::Insert& insert = drawing.inserts.front();
    return {made.name,
            std::move(made.polylines),
            std::move(made.lines),
            std::move(made.attributes),
            std::move(insert.values),
            std::move(insert.data)};
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
