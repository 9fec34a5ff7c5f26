"""Reads what quorvel-export wrote with readers independent of it and prints what a test checks.

dxf FILE: the ezdxf audit's errors and fixes, each block with its entities' kinds and layers, and
each insert of model space, one item a line. step FILE: the solids gmsh reads from it (Open
CASCADE's reader behind gmsh's own import), with their names and volumes."""
import sys

# ezdxf 0.18 loses the owner of a POLYLINE's SEQEND in a block definition of an R12 file and
# "fixes" it on audit; its own R12 files with a polyline in a block get the same fix.
READER_DEFECT = "entity with invalid owner handle #None."


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
        if not block.name.startswith("*"):
            print("block %s %s" % (block.name, " ".join(
                "%s:%s" % (e.dxftype(), e.dxf.layer) for e in block)))
    for entity in doc.modelspace():
        if entity.dxftype() == "INSERT":
            print("insert %s %s,%s" % (entity.dxf.name, round(entity.dxf.insert[0], 9),
                                       round(entity.dxf.insert[1], 9)))
        else:
            print("other", entity.dxftype())


def step(path):
    import gmsh

    gmsh.initialize()
    gmsh.option.setNumber("General.Terminal", 0)
    gmsh.option.setNumber("Geometry.OCCImportLabels", 1)
    gmsh.model.occ.importShapes(path)
    gmsh.model.occ.synchronize()
    solids = gmsh.model.getEntities(3)
    print("solids %d" % len(solids))
    for dim, tag in solids:
        name = gmsh.model.getEntityName(dim, tag)
        print("name %s" % name.split("/", 1)[-1])
        print("volume %.6f" % gmsh.model.occ.getMass(dim, tag))
    gmsh.finalize()


if __name__ == "__main__":
    {"dxf": dxf, "step": step}[sys.argv[1]](sys.argv[2])
