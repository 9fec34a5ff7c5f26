"""Reads what quorvel-export wrote with readers independent of it and prints what a test checks.

dxf FILE: the ezdxf audit's errors and fixes, each block followed by its entities (kind, layer,
coordinates rounded to 1e-9, indented), and each insert of model space, one item a line."""
import sys

# ezdxf 0.18 loses the owner of a POLYLINE's SEQEND in a block definition of an R12 file and
# "fixes" it on audit; its own R12 files with a polyline in a block get the same fix.
READER_DEFECT = "entity with invalid owner handle #None."


def point(vertex):
    return "%s,%s" % (round(vertex[0], 9), round(vertex[1], 9))


def dxf(path):
    import ezdxf

    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    fixes = [f for f in auditor.fixes
             if not (f.message.startswith("Deleted SEQEND") and f.message.endswith(READER_DEFECT))]
    print("audit errors %d fixes %d" % (len(auditor.errors), len(fixes)))
    for problem in auditor.errors + fixes:
        print("  problem", problem.message)
    for block in doc.blocks:
        if block.name.startswith("*"):
            continue
        print("block %s" % block.name)
        for entity in block:
            if entity.dxftype() == "POLYLINE":
                print("  polyline %s %s %s" % (
                    entity.dxf.layer, "closed" if entity.is_closed else "open",
                    " ".join(point(v.dxf.location) for v in entity.vertices)))
            elif entity.dxftype() == "LINE":
                print("  line %s %s %s" % (entity.dxf.layer, point(entity.dxf.start),
                                           point(entity.dxf.end)))
            else:
                print("  other", entity.dxftype())
    for entity in doc.modelspace():
        if entity.dxftype() == "INSERT":
            print("insert %s %s" % (entity.dxf.name, point(entity.dxf.insert)))
        else:
            print("other", entity.dxftype())


if __name__ == "__main__":
    {"dxf": dxf}[sys.argv[1]](sys.argv[2])
