// The side view computed for a block against the loose lines that the stand-in host's object
// model makes of the same stud's command texts.
#include "cad/quorvel_draw.h"
#include "cad/side_view.h"
#include "export/in_process_host.h"
#include "recording_reporter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

constexpr double tolerance = 1e-9;

void expectNear(const std::array<double, 2>& computed, drawing::Vec2 drawn)
{
    EXPECT_NEAR(computed[0], drawn.x, tolerance);
    EXPECT_NEAR(computed[1], drawn.y, tolerance);
}

} // namespace

TEST(StudSideView, EqualsTheLooseLinesOfTheSameStud)
{
    const struct {
        const char* label;
        double d, L, b, b1, c;
    } rows[] = {
        {"partial thread", 12, 112, 30, 12, 1.6},
        {"whole thread", 12, 60, 30, 30, 1.6},
        {"free dimensions, odd sizes", 7.3, 41.7, 11.1, 9.35, 0.45},
        {"chamfer the host cannot cut", 2, 40, 10, 2, 1.5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        exporter::InProcessHost host;
        RecordingReporter reporter;
        const LayerNames layers{"main", "thin", "axis"};
        QuorvelDraw draw(host, reporter, layers);
        draw.Start_ACAD(false, "unused", row.d, row.L, row.b, row.b1, row.c);
        ASSERT_TRUE(reporter.messages.empty());
        const drawing::CadDrawing& drawn = host.drawing();

        const SideView view = studSideView(row.d, row.L, row.b, row.b1, row.c, {0, 0, 0});
        ASSERT_EQ(drawn.polylines.size(), 1u);
        const drawing::Polyline& outline = drawn.polylines.front();
        EXPECT_TRUE(outline.closed);
        EXPECT_EQ(drawn.layers[outline.layer].name, "main");
        ASSERT_EQ(view.outline.size(), outline.vertices.size());
        for (std::size_t i = 0; i < view.outline.size(); ++i) {
            SCOPED_TRACE(i);
            expectNear(view.outline[i], outline.vertices[i]);
        }

        const std::map<SideViewLayer, std::string> names = {{SideViewLayer::Main, "main"},
                                                            {SideViewLayer::Thin, "thin"},
                                                            {SideViewLayer::Axis, "axis"}};
        ASSERT_EQ(view.lines.size(), drawn.lines.size());
        for (std::size_t i = 0; i < view.lines.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(names.at(view.lines[i].layer), drawn.layers[drawn.lines[i].layer].name);
            expectNear(view.lines[i].from, drawn.lines[i].from);
            expectNear(view.lines[i].to, drawn.lines[i].to);
        }
    }
}
