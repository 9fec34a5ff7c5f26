#include "cad/parts_list.h"

#include "model/number_text.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

// A text's letters as an alphabet orders them: capitals as small letters, Ё just after Е (code
// points put it before А). Other characters keep their code point.
std::u32string collationKey(std::string_view utf8)
{
    std::u32string key;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t point = length == 1   ? byte
                         : length == 2 ? byte & 0x1F
                         : length == 3 ? byte & 0x0F
                                       : byte & 0x07;
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k) {
            point = (point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += static_cast<std::size_t>(length);
        if (point >= U'A' && point <= U'Z') {
            point += U'a' - U'A';
        } else if (point >= U'А' && point <= U'Я') {
            point += U'а' - U'А';
        } else if (point == U'Ё') {
            point = U'ё';
        }
        // Doubled, so that ё can sit between е and ж.
        key += point == U'ё' ? char32_t{U'е' * 2 + 1} : char32_t{point * 2};
    }
    return key;
}

// The name of the article in a designation: the words before its sizes ("Шпилька" of "Шпилька
// М12×100 ГОСТ 22032-76"), the size being the first word of М (or M) and a digit; the whole
// text when there is none.
std::string_view articleName(std::string_view name)
{
    for (std::size_t at = name.find(' '); at != std::string_view::npos;
         at = name.find(' ', at + 1)) {
        const std::string_view word = name.substr(at + 1);
        const std::size_t letter = word.starts_with("М") ? 2 : word.starts_with("M") ? 1 : 0;
        if (letter != 0 && word.size() > letter && word[letter] >= '0' && word[letter] <= '9') {
            return name.substr(0, at);
        }
    }
    return name;
}

// "22032-76" as (22032, 76); a part that is no number counts as 0 and the text decides.
std::pair<long, long> standardNumbers(std::string_view standard)
{
    long number = 0;
    long year = 0;
    std::size_t i = 0;
    for (; i < standard.size() && standard[i] >= '0' && standard[i] <= '9' && number < 1000000000;
         ++i) {
        number = number * 10 + (standard[i] - '0');
    }
    if (i < standard.size() && standard[i] == '-') {
        for (++i;
             i < standard.size() && standard[i] >= '0' && standard[i] <= '9' && year < 1000000000;
             ++i) {
            year = year * 10 + (standard[i] - '0');
        }
    }
    return {number, year};
}

// Where a stud stands in the section: name, standard, then d, the table sizes before the free
// ones of that d, the pitch, L, and for free sizes b, b1 and c; the designation last.
struct OrderKey {
    std::u32string article;
    std::pair<long, long> standard;
    std::string standardText;
    double d, free, P, L, b, b1, c;
    std::u32string name;

    auto tied() const
    {
        return std::tie(article, standard, standardText, d, free, P, L, b, b1, c, name);
    }
    bool operator<(const OrderKey& other) const { return tied() < other.tied(); }
};

OrderKey orderKey(const PlacedStud& stud)
{
    const StoredStud& s = stud.stored;
    return {collationKey(articleName(stud.name)),
            standardNumbers(s.standard),
            s.standard,
            s.d,
            s.freeDimensions ? 1.0 : 0.0,
            s.P,
            s.L,
            s.freeDimensions ? s.b : 0,
            s.freeDimensions ? s.b1 : 0,
            s.freeDimensions ? s.c : 0,
            collationKey(stud.name)};
}

// MASS as written: a decimal comma or point; none for an empty or unreadable text, or a mass that
// is not a positive finite number.
std::optional<double> pieceMassOf(std::string text)
{
    std::replace(text.begin(), text.end(), ',', '.');
    const std::optional<double> mass = parseNumber(text);
    if (!mass || !std::isfinite(*mass) || *mass <= 0) {
        return std::nullopt;
    }
    return mass;
}

struct Group {
    OrderKey key;
    PartsListLine line;
    bool massesDiffer = false;
    bool massUnknown = false;
};

} // namespace

std::optional<long long> positiveQuantity(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(first, last - first + 1);
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(),
                                          [](char ch) { return ch >= '0' && ch <= '9'; })) {
        return std::nullopt;
    }
    long long value = 0;
    for (char ch : digits) {
        value = value * 10 + (ch - '0');
    }
    if (value <= 0) {
        return std::nullopt;
    }
    return value;
}

PartsList partsList(const std::vector<PlacedStud>& studs)
{
    PartsList list;
    std::vector<Group> groups;
    for (const PlacedStud& stud : studs) {
        std::optional<long long> quantity = positiveQuantity(stud.quantity);
        if (!quantity) {
            list.quantityFaults.push_back({stud.handle, stud.name, stud.quantity});
            quantity = 1;
        }
        const OrderKey key = orderKey(stud);
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const Group& g) { return g.line.name == stud.name; });
        if (group == groups.end()) {
            groups.push_back({key, {{}, stud.name, 0, std::nullopt, 0.0}});
            group = groups.end() - 1;
        }
        group->key = std::min(group->key, key);
        PartsListLine& line = group->line;
        line.quantity += *quantity;
        const std::optional<double> piece = pieceMassOf(stud.mass);
        if (!piece) {
            group->massUnknown = true;
        } else {
            group->massesDiffer =
                group->massesDiffer || (line.pieceMass && *line.pieceMass != *piece);
            line.pieceMass = piece;
            line.mass = *line.mass + *piece * static_cast<double>(*quantity);
        }
        if (!stud.position.empty() &&
            (", " + line.position + ", ").find(", " + stud.position + ", ") == std::string::npos) {
            line.position += (line.position.empty() ? "" : ", ") + stud.position;
        }
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const Group& a, const Group& b) { return a.key < b.key; });
    for (Group& group : groups) {
        PartsListLine& line = group.line;
        if (group.massesDiffer || group.massUnknown) {
            line.pieceMass.reset();
        }
        if (group.massUnknown) {
            line.mass.reset();
            list.totalComplete = false;
        } else {
            list.totalMass += *line.mass;
        }
        list.lines.push_back(std::move(line));
    }
    return list;
}

std::string quantityFaultText(const std::vector<QuantityFault>& faults)
{
    std::string text = "Количество (QTY) не целое положительное число; шпилька посчитана как одна:";
    for (const QuantityFault& fault : faults) {
        text += "\r\n" + fault.name + ", блок " + fault.handle + ": «" + fault.text + "»";
    }
    return text;
}
