#include "export/stud_list.h"

#include "export/export_error.h"
#include "model/dimension_tables.h"
#include "model/number_text.h"

#include <algorithm>
#include <set>

namespace exporter {

namespace {

[[noreturn]] void badRequest(const std::string& message)
{
    throw ExportError(ExportFailure::BadRequest, message);
}

template <class T> const T& readOrFail(const TableRead<T>& read)
{
    if (!read.ok()) {
        const std::string& reason = read.failure->reason;
        badRequest("cannot read the table file " + read.failure->file +
                   (reason.empty() ? "" : ": " + reason));
    }
    return read.value;
}

bool sameNumber(const std::string& a, const std::string& b)
{
    const auto x = parseNumber(a);
    const auto y = parseNumber(b);
    return x && y && *x == *y;
}

std::string listed(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

std::optional<std::size_t> positionOf(const std::vector<std::string>& items,
                                      const std::string& wanted)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (sameNumber(items[i], wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

void requireNumber(const std::string& name, const std::string& text)
{
    if (!parseNumber(text)) {
        badRequest(name + " \"" + text + "\" is not a number");
    }
}

// The hand-over rules refuse a text that is no number or a zero; the message names which.
void explainRefusal(const StudRequest& request, StudFamily family)
{
    std::vector<std::pair<std::string, std::string>> given = {
        {"--d", *request.d}, {"--l", *request.L}, {"--b", *request.b}, {"--c", *request.c}};
    if (family == StudFamily::ScrewIn && *request.b != fullThreadMarker) {
        given.emplace_back("--b1", *request.b1);
    }
    for (const auto& [name, text] : given) {
        if (name == "--b" && text == fullThreadMarker) {
            continue;
        }
        requireNumber(name, text);
        if (*parseNumber(text) == 0) {
            badRequest(name + " is zero; a stud needs every dimension");
        }
    }
    badRequest("the free dimensions give a stud too large to draw");
}

Stud freeStud(const StudRequest& request, GostIndexValue index, const std::string& number,
              const std::string& PText)
{
    const StudFamily family = familyOf(index);
    for (const auto& [name, value] : {std::pair{"--b", request.b}, std::pair{"--b1", request.b1},
                                      std::pair{"--c", request.c}}) {
        if (!value && !(family == StudFamily::PlainHole && std::string(name) == "--b1")) {
            badRequest(std::string("--free needs ") + name);
        }
    }
    Stud stud;
    stud.standardIndex = index;
    stud.standard = number;
    stud.dText = *request.d;
    stud.LText = *request.L;
    stud.bText = *request.b;
    // A plain-hole stud has no screw-in end: the window copies b into its hidden b1 field.
    stud.b1Text = family == StudFamily::PlainHole ? *request.b : *request.b1;
    stud.cText = *request.c;
    stud.PText = PText;
    const FieldTexts fields{"", "", stud.dText, stud.LText, stud.bText, stud.b1Text, stud.cText};
    const HandOverResult result = handOver(family, true, fields);
    if (!std::holds_alternative<HandOver>(result)) {
        explainRefusal(request, family);
    }
    stud.numbers = std::get<HandOver>(result);
    return stud;
}

} // namespace

std::optional<GostIndexValue> standardIndexOf(const std::string& number)
{
    for (const StudStandard& standard : studStandards()) {
        if (standard.number == number) {
            return standard.index;
        }
    }
    return std::nullopt;
}

std::vector<Stud> readStuds(const std::string& basePath, GostIndexValue index,
                            const StudRequest& request)
{
    const CatalogueRecord record = readOrFail(readCatalogueRecord(cataloguePath(basePath), index));
    const StudFamily family = familyOf(index);
    const std::string title = "ГОСТ " + record.number;
    const std::string diameterFile = diameterTablePath(basePath, record.number);
    const std::string lengthFile = lengthTablePath(basePath, record.figureKey);
    const std::vector<std::string> diameters = readOrFail(readDiameterList(diameterFile));

    std::vector<std::size_t> positions;
    if (request.d) {
        requireNumber("d", *request.d);
        requireNumber("L", *request.L);
        const auto position = positionOf(diameters, *request.d);
        if (request.free) {
            const std::string PText =
                position ? readOrFail(readDiameterRow(diameterFile, position)).P : "";
            std::vector<Stud> studs{freeStud(request, index, record.number, PText)};
            studs.front().PartName =
                partName(studs.front().dText, studs.front().LText, record.number);
            return studs;
        }
        if (!position) {
            badRequest("d " + *request.d + " is not in the table of " + title + " (" +
                       listed(diameters) + ")");
        }
        positions.push_back(*position);
    } else {
        for (std::size_t i = 0; i < diameters.size(); ++i) {
            positions.push_back(i);
        }
    }

    std::vector<Stud> studs;
    for (std::size_t position : positions) {
        const std::string& dText = diameters[position];
        const DiameterRow row = readOrFail(readDiameterRow(diameterFile, position));
        const std::vector<std::string> lengths =
            readOrFail(readLengthList(lengthFile, std::optional<std::string>(dText)));
        std::vector<std::string> wanted = lengths;
        if (request.L) {
            const auto L = positionOf(lengths, *request.L);
            if (!L) {
                badRequest("L " + *request.L + " is not among the lengths of d " + dText + " in " +
                           title + " (" + listed(lengths) + ")");
            }
            wanted = {lengths[*L]};
        }
        for (const std::string& LText : wanted) {
            const auto b = readOrFail(readThreadLength(lengthFile, dText, LText, row.P, family));
            if (!b) {
                badRequest("no thread length for d " + dText + ", L " + LText + " in " +
                           lengthFile);
            }
            Stud stud;
            stud.standardIndex = index;
            stud.standard = record.number;
            stud.dText = dText;
            stud.LText = LText;
            stud.bText = *b;
            stud.b1Text = family == StudFamily::PlainHole ? *b : row.b1;
            stud.cText = row.c;
            stud.PText = row.P;
            const FieldTexts fields{dText, LText, "", "", stud.bText, stud.b1Text, stud.cText};
            const HandOverResult result = handOver(family, false, fields);
            if (!std::holds_alternative<HandOver>(result)) {
                badRequest("the tables of " + title + " give d " + dText + ", L " + LText +
                           " a dimension that is no number or zero (" + diameterFile + ")");
            }
            stud.numbers = std::get<HandOver>(result);
            stud.PartName = partName(dText, LText, record.number);
            stud.row = position;
            studs.push_back(std::move(stud));
        }
    }
    // Columns by L across the whole standard, so that equal lengths stand one above the other.
    std::set<double> allLengths;
    for (const Stud& stud : studs) {
        allLengths.insert(stud.numbers.L);
    }
    for (Stud& stud : studs) {
        stud.column = static_cast<std::size_t>(
            std::distance(allLengths.begin(), allLengths.find(stud.numbers.L)));
    }
    return studs;
}

DesignatedStud designatedStud(const Stud& stud)
{
    return {stud.standard, stud.numbers.d, stud.numbers.L,
            finePitch(stud.numbers.d, parseNumber(stud.PText))};
}

} // namespace exporter
