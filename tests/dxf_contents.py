"""Reads a DXF file with ezdxf, a reader independent of the host, and prints what a test checks:
the audit's errors and fixes, the layers with their colours, the polylines and lines with their
layers and coordinates (rounded to 1e-9), the texts with their layer, place, height, rotation in
degrees and string, and the block inserts with their attributes and extended
data, one item a line; then the registered applications and each block's contents."""
import sys

import ezdxf

# ezdxf 0.18 loses the owner of a POLYLINE's SEQEND in a block definition of an R12 file and
# "fixes" it on audit; its own R12 files with a polyline in a block get the same fix.
READER_DEFECT = "entity with invalid owner handle #None."


def point(vertex):
    return "%s,%s" % (round(vertex[0], 9), round(vertex[1], 9))


def describe(entity, indent=""):
    kind = entity.dxftype()
    if kind == "POLYLINE":
        closed = "closed" if entity.is_closed else "open"
        vertices = " ".join(point(v.dxf.location) for v in entity.vertices)
        print("%spolyline %s %s %s" % (indent, entity.dxf.layer, closed, vertices))
    elif kind == "LINE":
        print("%sline %s %s %s" % (indent, entity.dxf.layer, point(entity.dxf.start),
                                   point(entity.dxf.end)))
    elif kind == "INSERT":
        print("%sinsert %s %s %s" % (indent, entity.dxf.layer, entity.dxf.name,
                                     point(entity.dxf.insert)))
        for attrib in entity.attribs:
            hidden = "invisible" if attrib.dxf.flags & 1 else "visible"
            print("%s  attrib %s=%s %s" % (indent, attrib.dxf.tag, attrib.dxf.text, hidden))
        for application in sorted(entity.xdata.data.keys()) if entity.xdata else []:
            items = " ".join("%d=%s" % (code, value)
                             for code, value in entity.get_xdata(application))
            print("%s  xdata %s %s" % (indent, application, items))
    elif kind == "TEXT":
        print("%stext %s %s %s %s %s" % (indent, entity.dxf.layer, point(entity.dxf.insert),
                                         round(entity.dxf.height, 9),
                                         round(entity.dxf.rotation, 9), entity.dxf.text))
    elif kind == "ATTDEF":
        hidden = "invisible" if entity.dxf.flags & 1 else "visible"
        print("%sattdef %s %s %s" % (indent, entity.dxf.tag, entity.dxf.prompt, hidden))
    else:
        print("%sother %s" % (indent, kind))


def main(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    fixes = [f for f in auditor.fixes
             if not (f.message.startswith("Deleted SEQEND") and f.message.endswith(READER_DEFECT))]
    print("audit errors %d fixes %d" % (len(auditor.errors), len(fixes)))
    for error in auditor.errors + fixes:
        print("  problem", error.message)
    for layer in doc.layers:
        if layer.dxf.name != "Defpoints":  # the reader adds it to every document
            print("layer %s %d" % (layer.dxf.name, layer.dxf.color))
    for entity in doc.modelspace():
        describe(entity)
    applications = [a.dxf.name for a in doc.appids if a.dxf.name != "ACAD"]
    if applications:
        print("applications", " ".join(applications))
    for block in doc.blocks:
        if block.name.startswith("*") or block.name.startswith("$"):
            continue
        print("block", block.name)
        for entity in block:
            describe(entity, "  ")


if __name__ == "__main__":
    main(sys.argv[1])
