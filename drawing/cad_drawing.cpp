#include "drawing/cad_drawing.h"

#include "drawing/part/part_solid.h"
#include "model/number_text.h"

#include <algorithm>
#include <cmath>

namespace drawing {

namespace {

std::string upper(std::string text)
{
    for (char& ch : text) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
    return text;
}

// A point at distance along the segment from a towards b.
Vec2 towards(Vec2 a, Vec2 b, double distance)
{
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (length == 0) {
        return a;
    }
    return {a.x + (b.x - a.x) * distance / length, a.y + (b.y - a.y) * distance / length};
}

// The first bytes of a text, at most limit, without splitting a UTF-8 sequence.
std::string shortened(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text;
    }
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return text.substr(0, cut);
}

bool beyondLimit(double value)
{
    return std::abs(value) > coordinateLimit;
}

// An input that is a number or a point ("x,y" or "x,y,z") with a value the drawing cannot store.
bool outOfRange(const std::string& input)
{
    std::size_t start = 0;
    bool beyond = false;
    for (int part = 0; part < 3; ++part) {
        const std::size_t comma = input.find(',', start);
        const auto value = parseNumber(std::string_view(input).substr(
            start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!value) {
            return false;
        }
        beyond = beyond || beyondLimit(*value);
        if (comma == std::string::npos) {
            return beyond;
        }
        start = comma + 1;
    }
    return false; // more than three parts: neither a number nor a point
}

} // namespace

std::optional<Vec2> parsePoint(const std::string& text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t second = text.find(',', comma + 1);
    const auto x = parseNumber(text.substr(0, comma));
    const auto y = parseNumber(text.substr(
        comma + 1, second == std::string::npos ? std::string::npos : second - comma - 1));
    if (!x || !y || (second != std::string::npos && !parseNumber(text.substr(second + 1)))) {
        return std::nullopt;
    }
    return Vec2{*x, *y};
}

CadDrawing::CadDrawing() : layers{{"0", 7}} {}

std::size_t CadDrawing::addLayer(const std::string& name)
{
    layers.push_back({name, 7});
    return layers.size() - 1;
}

void CadDrawing::run(const std::string& text)
{
    // Inputs end with \r; whatever follows the last \r is not yet entered.
    std::vector<std::string> inputs;
    std::size_t start = 0;
    for (std::size_t cr = text.find('\r'); cr != std::string::npos; cr = text.find('\r', start)) {
        inputs.push_back(text.substr(start, cr - start));
        start = cr + 1;
    }
    // Every number and point after the command name must be storable; a part's name is a name.
    const bool named = !inputs.empty() && upper(inputs[0]) == "AMDT_NEW_PART";
    for (std::size_t i = named ? 2 : 1; i < inputs.size(); ++i) {
        if (outOfRange(inputs[i])) {
            remember(text, false, "Coordinate out of range");
            throw DrawingError("Coordinate out of range");
        }
    }
    bool known = false;
    try {
        known = !inputs.empty() && runInputs(inputs);
    } catch (const DrawingError& error) {
        remember(text, false, error.what());
        throw;
    } catch (const ModelingError& error) {
        remember(text, false, error.what());
        throw DrawingError(inputs[0] + ": " + error.what());
    }
    remember(text, known);
}

void CadDrawing::remember(const std::string& text, bool known, const std::string& refusal)
{
    history.push_back({shortened(text, historyTextLimit), text.size(), known, refusal});
    ++commandCount;
    while (history.size() > historyLimit) {
        history.pop_front();
    }
}

void CadDrawing::grow(std::size_t elements)
{
    if (elements > maxDrawingSize - m_size) {
        throw DrawingError("The drawing is full");
    }
    m_size += elements;
}

void CadDrawing::shrink(std::size_t elements)
{
    m_size -= std::min(elements, m_size);
}

// The part commands work on the last part they started; a solid the object model made is none.
Part* CadDrawing::openPart()
{
    return parts.empty() || parts.back().modelled ? nullptr : &parts.back();
}

bool CadDrawing::runInputs(const std::vector<std::string>& inputs)
{
    const std::string command = upper(inputs[0]);
    const std::size_t count = inputs.size();
    if (command == "_PLINE") {
        Polyline polyline{activeLayer, {}, false, 0};
        for (std::size_t i = 1; i < count; ++i) {
            if (upper(inputs[i]) == "CL") {
                polyline.closed = true;
                break;
            }
            const auto point = parsePoint(inputs[i]);
            if (!point) {
                break;
            }
            if (polyline.vertices.size() == maxEntityVertices) {
                throw DrawingError("Too many vertices");
            }
            polyline.vertices.push_back(*point);
        }
        if (polyline.vertices.size() < 2) {
            return false;
        }
        grow(polyline.vertices.size());
        // After a new part the first polyline is that part's profile.
        if (Part* part = openPart(); part && part->profile.empty()) {
            part->profile = polyline.vertices;
            part->profileClosed = polyline.closed;
            return true;
        }
        polylines.push_back(std::move(polyline));
        return true;
    }
    if (command == "_CHAMFER" && count >= 6 && upper(inputs[1]) == "D" && upper(inputs[4]) == "P" &&
        upper(inputs[5]) == "LAST") {
        const auto first = parseNumber(inputs[2]);
        const auto second = parseNumber(inputs[3]);
        return first && second && chamferLastPolyline(*first, *second);
    }
    if (command == "_LINE") {
        std::vector<Vec2> points;
        for (std::size_t i = 1; i < count && !inputs[i].empty(); ++i) {
            const auto point = parsePoint(inputs[i]);
            if (!point) {
                return false;
            }
            if (points.size() == maxEntityVertices) {
                throw DrawingError("Too many vertices");
            }
            points.push_back(*point);
        }
        if (points.size() < 2) {
            return false;
        }
        grow(points.size() - 1);
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            lines.push_back({activeLayer, points[i], points[i + 1]});
        }
        return true;
    }
    if (command == "_ZOOM" && count >= 2) {
        const std::string option = upper(inputs[1]);
        if (option == "_W" && count >= 4) {
            const auto p = parsePoint(inputs[2]);
            const auto q = parsePoint(inputs[3]);
            if (!p || !q) {
                return false;
            }
            zoomStack.push_back(zoomWindow);
            zoomWindow = Rect{{std::min(p->x, q->x), std::min(p->y, q->y)},
                              {std::max(p->x, q->x), std::max(p->y, q->y)}};
            return true;
        }
        if (option == "_P") {
            if (!zoomStack.empty()) {
                zoomWindow = zoomStack.back();
                zoomStack.pop_back();
            }
            return true;
        }
        return false;
    }
    if (command == "AMDT_SKETCH_VIEW") {
        sketchView = true;
        return true;
    }
    if (command == "CMDDIA" && count >= 2 && (inputs[1] == "0" || inputs[1] == "1")) {
        cmddia = inputs[1] == "1";
        return true;
    }
    if (command == "AMDT_NEW_PART") {
        if (count < 2 || inputs[1].empty()) {
            throw ModelingError("no part name is given");
        }
        if (inputs[1].size() > maxPartNameBytes) {
            throw ModelingError("the part name is longer than " + std::to_string(maxPartNameBytes) +
                                " bytes");
        }
        grow(1);
        parts.push_back({inputs[1], activeLayer, {}, false, false, nullptr, 0});
        return true;
    }
    if (command == "AMDT_1PROFILE" || command == "AMREVOLVE" || command == "_AMTHREAD" ||
        command == "_AMCHAMFER") {
        runPartCommand(command, inputs);
        return true;
    }
    return false;
}

void CadDrawing::runPartCommand(const std::string& command, const std::vector<std::string>& inputs)
{
    Part* part = openPart();
    if (part == nullptr || part->profile.empty()) {
        throw ModelingError("there is no profile sketch");
    }
    const auto pickAt = [&inputs](std::size_t index) {
        const std::string text = index < inputs.size() ? inputs[index] : std::string();
        const auto pick = parsePoint(text);
        if (!pick) {
            throw ModelingError("a point is expected, not \"" + text + "\"");
        }
        return *pick;
    };
    const auto setSolid = [part](PartSolid solid) {
        part->solid = std::make_shared<const PartSolid>(std::move(solid));
    };
    if (command == "AMDT_1PROFILE") {
        if (!part->profileClosed) {
            throw ModelingError("the sketch is not closed");
        }
        part->profiled = true;
        return;
    }
    if (!part->profiled) {
        throw ModelingError("the sketch is not made a profile");
    }
    if (command == "AMREVOLVE") {
        if (part->solid) {
            throw ModelingError("the part is already revolved");
        }
        setSolid(PartSolid::revolve(part->profile, pickAt(1)));
        return;
    }
    if (!part->solid) {
        throw ModelingError("the part has no solid yet");
    }
    if (command == "_AMTHREAD") {
        if (inputs.size() < 4 || upper(inputs[2]) != "E") {
            throw ModelingError("an end face, the option E and a length are expected");
        }
        std::optional<double> length; // none: "F", the whole length
        if (upper(inputs[3]) != "F") {
            length = parseNumber(inputs[3]);
            if (!length) {
                throw ModelingError("\"" + inputs[3] + "\" is no thread length");
            }
        }
        PartSolid threaded = part->solid->withThread(pickAt(1), length);
        grow(1);
        setSolid(std::move(threaded));
        return;
    }
    // _AMCHAMFER: E, the end faces' picks up to an empty answer, then the size.
    if (inputs.size() < 2 || upper(inputs[1]) != "E") {
        throw ModelingError("the option E is expected");
    }
    std::vector<Vec2> picks;
    std::size_t next = 2;
    for (; next < inputs.size() && !inputs[next].empty(); ++next) {
        picks.push_back(pickAt(next));
    }
    const auto size = next + 1 < inputs.size() ? parseNumber(inputs[next + 1]) : std::nullopt;
    if (!size) {
        throw ModelingError("a chamfer size is expected");
    }
    setSolid(part->solid->withChamfer(picks, *size));
}

bool CadDrawing::chamferLastPolyline(double first, double second)
{
    if (polylines.empty() || !(first >= 0) || !(second >= 0)) {
        return false;
    }
    Polyline& polyline = polylines.back();
    const std::vector<Vec2>& v = polyline.vertices;
    const std::size_t n = v.size();
    const auto length = [&v](std::size_t a, std::size_t b) {
        return std::hypot(v[b].x - v[a].x, v[b].y - v[a].y);
    };
    // A corner is cut only where both its segments are long enough for what the cuts at both of
    // their ends take (an open end takes nothing), and only where the direction turns; so the
    // segments that earlier chamfers made are left alone instead of being cut again and again.
    std::vector<Vec2> cut;
    for (std::size_t i = 0; i < n; ++i) {
        const bool ends = !polyline.closed && (i == 0 || i + 1 == n);
        if (ends || (first == 0 && second == 0)) {
            cut.push_back(v[i]);
            continue;
        }
        const std::size_t previous = (i + n - 1) % n;
        const std::size_t next = (i + 1) % n;
        const double before = length(previous, i);
        const double after = length(i, next);
        const double neededBefore = !polyline.closed && previous == 0 ? first : first + second;
        const double neededAfter = !polyline.closed && next + 1 == n ? second : first + second;
        const double turn = (v[i].x - v[previous].x) * (v[next].y - v[i].y) -
                            (v[i].y - v[previous].y) * (v[next].x - v[i].x);
        if (std::abs(turn) <= 1e-12 * before * after || before < neededBefore ||
            after < neededAfter) {
            cut.push_back(v[i]);
            continue;
        }
        cut.push_back(towards(v[i], v[previous], first));
        cut.push_back(towards(v[i], v[next], second));
    }
    if (cut.size() > maxEntityVertices) {
        throw DrawingError("Too many vertices");
    }
    grow(cut.size() - n);
    polyline.vertices = std::move(cut);
    return true;
}

const Block* blockNamed(const std::vector<Block>& blocks, const std::string& name)
{
    for (const Block& block : blocks) {
        if (block.name == name) {
            return &block;
        }
    }
    return nullptr;
}

std::vector<Text> insertTexts(const Block& block, const Insert& insert)
{
    std::vector<Text> texts = block.texts;
    for (Text& text : texts) {
        text.at = {insert.at.x + text.at.x, insert.at.y + text.at.y};
    }
    return texts;
}

std::array<Vec2, 4> textCorners(const Text& text)
{
    std::size_t characters = 0;
    for (char ch : text.text) {
        characters += (static_cast<unsigned char>(ch) & 0xC0) != 0x80 ? 1 : 0;
    }
    const double length = 0.7 * text.height * static_cast<double>(characters);
    const double cos = std::cos(text.rotation);
    const double sin = std::sin(text.rotation);
    const auto at = [&](double along, double up) {
        return Vec2{text.at.x + along * cos - up * sin, text.at.y + along * sin + up * cos};
    };
    return {at(0, 0), at(length, 0), at(length, text.height), at(0, text.height)};
}

std::vector<Line> insertLines(const Block& block, const Insert& insert)
{
    const auto moved = [&insert](Vec2 p) { return Vec2{insert.at.x + p.x, insert.at.y + p.y}; };
    std::vector<Line> lines;
    for (const Polyline& polyline : block.polylines) {
        const std::vector<Vec2>& v = polyline.vertices;
        const std::size_t segments = polyline.closed ? v.size() : v.size() - 1;
        for (std::size_t i = 0; i < segments && v.size() >= 2; ++i) {
            lines.push_back({polyline.layer, moved(v[i]), moved(v[(i + 1) % v.size()])});
        }
    }
    for (const Line& line : block.lines) {
        lines.push_back({line.layer, moved(line.from), moved(line.to)});
    }
    for (const Part& part : block.parts) {
        for (const Line& line : sideView(part)) {
            lines.push_back({line.layer, moved(line.from), moved(line.to)});
        }
    }
    return lines;
}

std::vector<Line> sideView(const Part& part)
{
    std::vector<Line> lines;
    if (part.solid) {
        for (const auto& [from, to] : part.solid->sideView()) {
            lines.push_back({part.layer, from, to});
        }
    }
    return lines;
}

std::optional<Rect> CadDrawing::extents() const
{
    std::optional<Rect> box;
    const auto add = [&box](Vec2 p) {
        if (!box) {
            box = Rect{p, p};
        }
        box->min = {std::min(box->min.x, p.x), std::min(box->min.y, p.y)};
        box->max = {std::max(box->max.x, p.x), std::max(box->max.y, p.y)};
    };
    for (const Polyline& polyline : polylines) {
        for (Vec2 p : polyline.vertices) {
            add(p);
        }
    }
    for (const Line& line : lines) {
        add(line.from);
        add(line.to);
    }
    for (const Region& region : regions) {
        for (Vec2 p : region.loop) {
            add(p);
        }
    }
    for (const Insert& insert : inserts) {
        if (const Block* block = blockNamed(blocks, insert.block)) {
            for (const Line& line : insertLines(*block, insert)) {
                add(line.from);
                add(line.to);
            }
            for (const Text& text : insertTexts(*block, insert)) {
                for (Vec2 corner : textCorners(text)) {
                    add(corner);
                }
            }
        }
    }
    for (const Text& text : texts) {
        for (Vec2 corner : textCorners(text)) {
            add(corner);
        }
    }
    for (const Part& part : parts) {
        if (!part.solid) {
            for (Vec2 p : part.profile) {
                add(p);
            }
        }
        for (const Line& line : sideView(part)) {
            add(line.from);
            add(line.to);
        }
    }
    return box;
}

} // namespace drawing
