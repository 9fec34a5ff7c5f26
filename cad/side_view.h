#pragma once
// The stud's 2D side view as geometry: the entities that the loose-lines drawing has the CAD
// program make from its command texts, computed here for drawing them through the object model
// (into a block, where command texts cannot draw).

#include "cad/automation.h"

#include <array>
#include <vector>

// The three layers of the side view (settings file, section "Слои").
enum class SideViewLayer { Main, Thin, Axis };

struct SideViewLine {
    SideViewLayer layer;
    std::array<double, 2> from;
    std::array<double, 2> to;
};

struct SideView {
    // The closed outline on the main layer, as the CAD program's chamfer command leaves the
    // rectangle of the loose drawing: from the lower left corner counter-clockwise, each corner
    // cut c × c into two vertices, or left whole where the host's chamfer would leave it (c not
    // positive, or a side shorter than 2c).
    std::vector<std::array<double, 2>> outline;
    // The lines in the loose drawing's order: chamfer edges (main), thread lines (thin), thread
    // boundaries (main, partial thread only), axis.
    std::vector<SideViewLine> lines;
};

// d, the overall length L, b, b1 and c in drawing units, the insertion point's x and y as base.
// Every coordinate is computed as the loose drawing computes it, so that each line is bit for bit
// the line its command text gives; the chamfer's cut points as the host computes them.
[[nodiscard]] SideView studSideView(double d, double L, double b, double b1, double c,
                                    const Point& base);

// The stud's half cross-section above its axis, which a solid is revolved from: from base along
// +x over the overall length L, up to d/2, with the end chamfers c × 45° cut into its two outer
// corners; x, y pairs of a closed polyline's vertices.
[[nodiscard]] Doubles studHalfSection(double d, double L, double c, const Point& base);
