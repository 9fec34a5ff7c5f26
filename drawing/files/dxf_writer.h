#pragma once
// DXF records of release 12 with handles, written through dxflib's writer: every table entry and
// every entity carries a handle, and every entity its layer, the end records of a polyline and a
// block included. Readers that index table entries by handle, or that take a polyline's layer
// from its end record, read such a file whole. Names go in as UTF-8 and are written in the
// file's code page (dxf_text.h).

#include "drawing/cad_drawing.h"

#include <dxflib/dl_writer.h>

#include <functional>
#include <string>

namespace drawing {

class DxfWriter {
  public:
    // handleSeed: the handle after the last one the file uses, which its header names.
    DxfWriter(const DL_Writer& out, unsigned long handleSeed);

    // Group codes and values not covered below (header variables, a record's own groups), in
    // the order the format wants them.
    const DL_Writer& out() const { return m_out; }
    unsigned long handleSeed() const { return m_handleSeed; }
    unsigned long nextHandle() const { return m_next; }

    void section(const char* name) const;
    void sectionEnd() const;
    // A table's head and end; the entries come between them.
    void table(const char* name, int entries) const;
    void tableEnd() const;
    // Opens an entry of a table: its kind (LAYER, APPID, …), handle, name and flags 0. The caller
    // writes the entry's own groups after it.
    void tableEntry(const char* kind, const std::string& name);
    void layer(const Layer& layer);

    // Opens an entity: its kind, handle and layer. The caller writes the entity's own groups.
    // FreeCAD 0.20 reads a record it does not know line by line and takes a value "0" for the
    // start of the next record, which it then misses: such a record should not end with one.
    void entity(const char* kind, const std::string& layer);
    // A polyline with a vertex record per vertex and its end record, all on its layer.
    void polyline(const Polyline& polyline, const std::string& layer);
    void line(const Line& line, const std::string& layer);
    // A TEXT record: insertion point, height, the text in the file's code page, rotation in
    // degrees, style STANDARD.
    void text(const Text& text, const std::string& layer);
    void insert(const std::string& block, const std::string& layer, Vec2 at);
    // A block reference with its attributes (the definitions give tags, places and heights;
    // values are this insert's) and its extended data, then the end of its attributes.
    void insertWithAttributes(const Insert& insert, const Block& block, const std::string& layer);
    // An attribute definition inside a block, on layer 0.
    void attributeDefinition(const AttributeDefinition& definition);
    // A block definition's head and end: its name, base point at the origin, on layer 0; flagged
    // as having attribute definitions when it has.
    void blockBegin(const std::string& name, bool hasAttributes = false);
    void blockEnd();

    // A point as x, y and z 0 under code, code + 10 and code + 20; point2 without z.
    void point(int code, Vec2 at) const;
    void point2(int code, Vec2 at) const;

  private:
    void handle(int code);

    const DL_Writer& m_out;
    unsigned long m_handleSeed;
    unsigned long m_next = 1;
};

// Writes a DXF file from document, which is run twice: first on a writer that discards what it
// is given, to count the handles (the header comes first and names the seed), then on the file.
// False when the file cannot be opened.
[[nodiscard]] bool writeDxfFile(const std::string& file,
                                const std::function<void(DxfWriter&)>& document);

} // namespace drawing
