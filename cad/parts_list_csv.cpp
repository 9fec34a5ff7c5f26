#include "cad/parts_list_csv.h"

#include "model/number_text.h"

namespace {

constexpr const char* header = "Поз.;Наименование;Кол.;Масса 1 шт., кг;Масса, кг;Примечание";

// A text field as the spreadsheet reads it back: quoted when it holds the separator, a quote or a
// line break. A text that begins as a formula does ("=", "+", "@") gets an apostrophe before it, so
// that an attribute's text is never run as a formula in the designer's spreadsheet.
std::string textField(const std::string& text)
{
    std::string field = text;
    if (!field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '@')) {
        field.insert(field.begin(), '\'');
    }
    if (field.find_first_of(";\"\r\n") == std::string::npos) {
        return field;
    }
    std::string quoted = "\"";
    for (char ch : field) {
        quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    }
    return quoted + "\"";
}

std::string massField(const std::optional<double>& kg)
{
    if (!kg) {
        return {};
    }
    std::string text = numberText(*kg);
    for (char& ch : text) {
        ch = ch == '.' ? ',' : ch;
    }
    return text;
}

} // namespace

std::string partsListCsv(const PartsList& list)
{
    std::string text = "\xEF\xBB\xBF" + std::string(header) + "\r\n";
    for (const PartsListLine& line : list.lines) {
        text += textField(line.position) + ";" + textField(line.name) + ";" +
                std::to_string(line.quantity) + ";" + massField(line.pieceMass) + ";" +
                massField(line.mass) + ";\r\n";
    }
    text += ";Итого;;;" + massField(list.totalMass) + ";" +
            (list.totalComplete ? "" : "без учёта строк без массы") + "\r\n";
    return text;
}
