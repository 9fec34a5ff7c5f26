#include "export/index_csv.h"

namespace exporter {

namespace {

std::string field(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char ch : text) {
        quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    }
    return quoted + "\"";
}

} // namespace

std::string indexCsv(const std::vector<IndexRow>& rows)
{
    std::string text =
        "\xEF\xBB\xBF" // byte-order mark
        "designation,part_name,standard,d,L,b,b1,c,P,mass_kg_1000,material,step,dxf,block\r\n";
    for (const IndexRow& row : rows) {
        const std::string* fields[] = {&row.designation, &row.PartName,   &row.standard, &row.d,
                                       &row.L,           &row.b,          &row.b1,       &row.c,
                                       &row.P,           &row.massKg1000, &row.material, &row.step,
                                       &row.dxf,         &row.block};
        bool first = true;
        for (const std::string* value : fields) {
            text += (first ? "" : ",") + field(*value);
            first = false;
        }
        text += "\r\n";
    }
    return text;
}

} // namespace exporter
