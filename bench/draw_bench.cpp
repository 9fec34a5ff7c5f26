// The drawing unit's own cost per Start_ACAD run, against an in-process host that answers at once
// and records nothing, so that the figure is the program's share of a run.
#include "cad/quorvel_draw.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

class AnsweringObject : public AutomationObject {
  public:
    std::map<std::string, OleObject, std::less<>>* objects = nullptr;

    Variant invoke(std::string_view member, InvokeKind, const std::vector<Variant>& args) override
    {
        if (member == "ActiveDocument") {
            return objects->at("Document");
        }
        if (member == "Utility" || member == "Layers" || member == "ActiveLayer" ||
            member == "Item" || member == "Add") {
            return objects->at(member == "Utility"  ? "Utility"
                               : member == "Layers" ? "Layers"
                                                    : "Layer");
        }
        if (member == "GetVariable" || member == "Count") {
            return std::int32_t{1};
        }
        if (member == "GetPoint") {
            return Point{0, 0, 0};
        }
        if (member == "PolarPoint") {
            const Point from = args.at(0).toPoint();
            return Point{from[0] + args.at(2).toDouble(), from[1], from[2]};
        }
        if (member == "name") {
            return std::string("0");
        }
        return {};
    }
};

class AnsweringHost : public RunningObjects {
  public:
    AnsweringHost()
    {
        for (const char* role : {"Application", "Document", "Utility", "Layers", "Layer"}) {
            auto object = std::make_shared<AnsweringObject>();
            object->objects = &m_objects;
            m_objects.emplace(role, OleObject(object));
        }
    }
    OleObject getActiveObject(std::string_view) override { return m_objects.at("Application"); }

  private:
    std::map<std::string, OleObject, std::less<>> m_objects;
};

class SilentReporter : public Reporter {
  public:
    void show(const Message&) override {}
};

void StartAcadRun(benchmark::State& state)
{
    AnsweringHost host;
    SilentReporter reporter;
    LayerNames layers;
    QuorvelDraw draw(host, reporter, layers);
    const bool is3D = state.range(0) != 0;
    for (auto _ : state) {
        draw.Start_ACAD(is3D, "Шпилька_M12x100_ГОСТ_22032-76", 12, 112, 30, 12, 1.6);
    }
    state.SetLabel(is3D ? "3D" : "2D");
}
BENCHMARK(StartAcadRun)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
