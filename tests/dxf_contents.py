"""Reads a DXF file with ezdxf, a reader independent of the host, and prints what a test checks:
the audit's errors and fixes, the layers with their colours, and the polylines and lines with their
layers and coordinates (rounded to 1e-9), one item a line."""
import sys

import ezdxf


def point(vertex):
    return "%s,%s" % (round(vertex[0], 9), round(vertex[1], 9))


def main(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    print("audit errors %d fixes %d" % (len(auditor.errors), len(auditor.fixes)))
    for error in auditor.errors + auditor.fixes:
        print("  problem", error.message)
    for layer in doc.layers:
        if layer.dxf.name != "Defpoints":  # the reader adds it to every document
            print("layer %s %d" % (layer.dxf.name, layer.dxf.color))
    for entity in doc.modelspace():
        kind = entity.dxftype()
        if kind == "POLYLINE":
            closed = "closed" if entity.is_closed else "open"
            vertices = " ".join(point(v.dxf.location) for v in entity.vertices)
            print("polyline %s %s %s" % (entity.dxf.layer, closed, vertices))
        elif kind == "LINE":
            print("line %s %s %s" % (entity.dxf.layer, point(entity.dxf.start),
                                     point(entity.dxf.end)))
        else:
            print("other", kind)


if __name__ == "__main__":
    main(sys.argv[1])
