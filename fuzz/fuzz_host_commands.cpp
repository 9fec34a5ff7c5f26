// The stand-in host's object model and command interpreter on any input. Each line is one call:
// a plain line is sent as a SendCommand text ("\r" written as "|" so that texts hold several
// inputs), and a line "@path member kind arg arg ..." is an Invoke with arguments read as
// integer (7), double (7.5), point (p:x,y,z), object (o:/Layers/1), empty (-) or string. Whatever
// comes, the model answers every call, and the drawing stays within its bounds: entity and
// drawing sizes, coordinates the DXF writer can format, a short history.
#include "host/objects/object_model.h"
#include "drawing/part/part_solid.h"
#include "model/number_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

cadhost::HostValue argument(std::string_view text)
{
    if (text == "-") {
        return std::monostate{};
    }
    if (text.substr(0, 2) == "o:") {
        return cadhost::ObjectRef{std::string(text.substr(2))};
    }
    if (text.substr(0, 2) == "p:") {
        std::vector<double> point;
        for (std::string_view part : split(text.substr(2), ',')) {
            point.push_back(parseNumber(part).value_or(std::nan("")));
        }
        return point;
    }
    if (const auto number = parseNumber(text)) {
        if (text.find_first_of(".eE") == std::string_view::npos && std::abs(*number) < 2e9) {
            return static_cast<std::int32_t>(*number);
        }
        return *number;
    }
    return std::string(text);
}

bool storable(drawing::Vec2 p)
{
    return std::abs(p.x) <= drawing::coordinateLimit && std::abs(p.y) <= drawing::coordinateLimit;
}

void checkBounds(const drawing::CadDrawing& drawing)
{
    std::size_t size = drawing.lines.size();
    for (const drawing::Polyline& polyline : drawing.polylines) {
        check(polyline.vertices.size() <= drawing::maxEntityVertices);
        check(polyline.layer < drawing.layers.size());
        size += polyline.vertices.size();
        for (drawing::Vec2 v : polyline.vertices) {
            check(storable(v));
        }
    }
    for (const drawing::Line& line : drawing.lines) {
        check(line.layer < drawing.layers.size() && storable(line.from) && storable(line.to));
    }
    for (const drawing::Part& part : drawing.parts) {
        size += part.profile.size() + 1 + (part.solid ? part.solid->threadCount() : 0);
    }
    check(size <= drawing::maxDrawingSize);
    check(drawing.activeLayer < drawing.layers.size());
    check(drawing.history.size() <= drawing::historyLimit);
    for (const drawing::HistoryEntry& entry : drawing.history) {
        check(entry.text.size() <= drawing::historyTextLimit && entry.text.size() <= entry.length);
    }
    for (const drawing::Layer& layer : drawing.layers) {
        check(!layer.name.empty() && layer.color >= 1 && layer.color <= 255);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    drawing::CadDrawing drawing;
    cadhost::ObjectModel model(drawing);
    model.setScriptedPoints({{0, 0}}, true, true);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::string_view line : split(input, '\n')) {
        cadhost::InvokeResult result;
        if (!line.empty() && line.front() == '@') {
            const std::vector<std::string_view> words = split(line.substr(1), ' ');
            if (words.size() < 3) {
                continue;
            }
            std::vector<cadhost::HostValue> args;
            for (std::size_t i = 3; i < words.size(); ++i) {
                args.push_back(argument(words[i]));
            }
            const auto kind = parseNumber(words[2]).value_or(1);
            result = model.invoke(std::string(words[0]), std::string(words[1]),
                                  std::abs(kind) < 2e9 ? static_cast<std::int32_t>(kind) : 1,
                                  args);
        } else {
            std::string text(line);
            for (char& ch : text) {
                ch = ch == '|' ? '\r' : ch;
            }
            result = model.invoke("/Document", "SendCommand", 1, {text});
        }
        // Scripted points answer at once: nothing is ever left waiting.
        check(result.status != cadhost::InvokeResult::Status::AwaitingPick);
    }
    checkBounds(drawing);
    return 0;
}
