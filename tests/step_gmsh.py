"""Reads STEP files with gmsh, a reader independent of the host, and prints what a test checks:
for each file a line "file <path>", then one line per solid: its volume, bounding box and name
("solid <volume> <xmin> <ymin> <zmin> <xmax> <ymax> <zmax> <name>"), or "unreadable" when gmsh
cannot read the file."""
import sys

import gmsh


def main(paths):
    gmsh.initialize()
    gmsh.option.setNumber("General.Terminal", 0)
    for path in paths:
        print("file", path)
        gmsh.clear()
        try:
            gmsh.model.occ.importShapes(path)
            gmsh.model.occ.synchronize()
        except Exception:  # gmsh raises a plain Exception for a file it cannot read
            print("unreadable")
            continue
        for dim, tag in gmsh.model.getEntities(3):
            box = " ".join(repr(v) for v in gmsh.model.getBoundingBox(dim, tag))
            name = gmsh.model.getEntityName(dim, tag)
            if name.startswith("Shapes/"):  # the reader puts its label tree before the name
                name = name[len("Shapes/"):]
            print("solid", repr(gmsh.model.occ.getMass(dim, tag)), box, name)
    gmsh.finalize()


if __name__ == "__main__":
    main(sys.argv[1:])
