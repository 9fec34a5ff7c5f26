#include "drawing/files/dxf_writer.h"

#include "drawing/files/dxf_text.h"

#include <dxflib/dl_dxf.h>

#include <cassert>
#include <memory>
#include <numbers>
#include <string_view>

namespace drawing {

namespace {

// The first pass of writeDxfFile: only the handles count.
class DiscardingWriter : public DL_Writer {
  public:
    DiscardingWriter() : DL_Writer(DL_Codes::AC1009) {}
    void dxfReal(int, double) const override {}
    void dxfInt(int, int) const override {}
    void dxfHex(int, int) const override {}
    void dxfString(int, const char*) const override {}
    void dxfString(int, const std::string&) const override {}
};

constexpr const char* blockLayer = "0";

} // namespace

DxfWriter::DxfWriter(const DL_Writer& out, unsigned long handleSeed)
    : m_out(out), m_handleSeed(handleSeed)
{
}

void DxfWriter::handle(int code)
{
    m_out.dxfHex(code, static_cast<int>(m_next++));
}

void DxfWriter::section(const char* name) const
{
    m_out.dxfString(0, "SECTION");
    m_out.dxfString(2, name);
}

void DxfWriter::sectionEnd() const
{
    m_out.dxfString(0, "ENDSEC");
}

void DxfWriter::table(const char* name, int entries) const
{
    m_out.dxfString(0, "TABLE");
    m_out.dxfString(2, name);
    m_out.dxfInt(70, entries);
}

void DxfWriter::tableEnd() const
{
    m_out.dxfString(0, "ENDTAB");
}

void DxfWriter::tableEntry(const char* kind, const std::string& name)
{
    m_out.dxfString(0, kind);
    // In release 12 a dimension style's group 5 is its DIMPOST variable; its handle is 105.
    handle(std::string_view(kind) == "DIMSTYLE" ? 105 : 5);
    m_out.dxfString(2, dxfText(name));
    m_out.dxfInt(70, 0);
}

void DxfWriter::layer(const Layer& layer)
{
    tableEntry("LAYER", layer.name);
    m_out.dxfInt(62, layer.color);
    m_out.dxfString(6, "CONTINUOUS");
}

void DxfWriter::entity(const char* kind, const std::string& layer)
{
    m_out.dxfString(0, kind);
    handle(5);
    m_out.dxfString(8, dxfText(layer));
}

void DxfWriter::point(int code, Vec2 at) const
{
    point2(code, at);
    m_out.dxfReal(code + 20, 0.0);
}

void DxfWriter::point2(int code, Vec2 at) const
{
    m_out.dxfReal(code, at.x);
    m_out.dxfReal(code + 10, at.y);
}

void DxfWriter::polyline(const Polyline& polyline, const std::string& layer)
{
    entity("POLYLINE", layer);
    m_out.dxfInt(66, 1); // vertices follow
    point(10, {0.0, 0.0});
    m_out.dxfInt(70, polyline.closed ? 1 : 0);
    for (Vec2 vertex : polyline.vertices) {
        entity("VERTEX", layer);
        point(10, vertex);
    }
    entity("SEQEND", layer);
}

void DxfWriter::line(const Line& line, const std::string& layer)
{
    entity("LINE", layer);
    point(10, line.from);
    point(11, line.to);
}

void DxfWriter::text(const Text& text, const std::string& layer)
{
    entity("TEXT", layer);
    point(10, text.at);
    m_out.dxfReal(40, text.height);
    m_out.dxfString(1, dxfText(text.text));
    m_out.dxfReal(50, text.rotation * 180.0 / std::numbers::pi);
    m_out.dxfString(7, "STANDARD"); // last: never a lone "0"
}

void DxfWriter::insert(const std::string& block, const std::string& layer, Vec2 at)
{
    entity("INSERT", layer);
    m_out.dxfString(2, dxfText(block));
    point(10, at);
}

void DxfWriter::insertWithAttributes(const Insert& insert, const Block& block,
                                     const std::string& layer)
{
    entity("INSERT", layer);
    if (!insert.values.empty()) {
        m_out.dxfInt(66, 1); // attributes follow
    }
    m_out.dxfString(2, dxfText(insert.block));
    m_out.dxfReal(10, insert.at.x);
    m_out.dxfReal(20, insert.at.y);
    m_out.dxfReal(30, insert.z);
    for (const ExtendedData& data : insert.data) {
        m_out.dxfString(1001, dxfText(data.application));
        for (const ExtendedItem& item : data.items) {
            if (const auto* text = std::get_if<std::string>(&item.value)) {
                m_out.dxfString(item.code, dxfText(*text));
            } else if (const auto* real = std::get_if<double>(&item.value)) {
                m_out.dxfReal(item.code, *real);
            } else {
                m_out.dxfInt(item.code, std::get<std::int32_t>(item.value));
            }
        }
    }
    if (insert.values.empty()) {
        return;
    }
    for (std::size_t i = 0; i < insert.values.size() && i < block.attributes.size(); ++i) {
        const AttributeDefinition& definition = block.attributes[i];
        entity("ATTRIB", layer);
        m_out.dxfReal(10, insert.at.x + definition.at.x);
        m_out.dxfReal(20, insert.at.y + definition.at.y);
        m_out.dxfReal(30, insert.z);
        m_out.dxfReal(40, definition.height);
        m_out.dxfString(1, dxfText(insert.values[i]));
        m_out.dxfInt(70, definition.invisible ? 1 : 0);
        m_out.dxfString(2, dxfText(definition.tag)); // last: never a lone "0"
    }
    entity("SEQEND", layer);
}

void DxfWriter::attributeDefinition(const AttributeDefinition& definition)
{
    entity("ATTDEF", blockLayer);
    point(10, definition.at);
    m_out.dxfReal(40, definition.height);
    m_out.dxfString(1, dxfText(definition.value));
    m_out.dxfInt(70, definition.invisible ? 1 : 0);
    m_out.dxfString(3, dxfText(definition.prompt));
    m_out.dxfString(2, dxfText(definition.tag)); // last: never a lone "0"
}

void DxfWriter::blockBegin(const std::string& name, bool hasAttributes)
{
    entity("BLOCK", blockLayer);
    const std::string text = dxfText(name);
    m_out.dxfString(2, text);
    m_out.dxfInt(70, hasAttributes ? 2 : 0);
    point(10, {0.0, 0.0});
    m_out.dxfString(3, text);
    m_out.dxfString(1, ""); // no external reference
}

void DxfWriter::blockEnd()
{
    // The layer before the handle: a block end ending with its layer "0" would hide the next
    // block from FreeCAD 0.20 (see entity()).
    m_out.dxfString(0, "ENDBLK");
    m_out.dxfString(8, blockLayer);
    handle(5);
}

bool writeDxfFile(const std::string& file, const std::function<void(DxfWriter&)>& document)
{
    const DiscardingWriter discard;
    DxfWriter counting(discard, 0);
    document(counting);

    DL_Dxf dxf;
    const std::unique_ptr<DL_WriterA> out(dxf.out(file.c_str(), DL_Codes::AC1009));
    if (!out) {
        return false;
    }
    DxfWriter writer(*out, counting.nextHandle());
    document(writer);
    assert(writer.nextHandle() == writer.handleSeed()); // the same records both times
    out->dxfString(0, "EOF");
    out->close();
    return true;
}

} // namespace drawing
