# Opens a saved FreeCAD document in freecadcmd, as a user reopens it (without the add-on), and
# writes what the tests check into the file named second, one item a line: each layer of the
# drawing with its colour index and how many objects it holds, each entity with its kind and
# layer, each text as tests/dxf_contents.py prints a DXF's (layer, point, height, rotation in
# degrees, string), each solid with its volume, each block definition and each reference with its block,
# place, attribute values and extended data; "invalid" for an object FreeCAD cannot recompute.
# Run as: freecadcmd tests/freecad_contents.py (file names in QUORVEL_CONTENTS: in, out)
import math
import os
import sys
import traceback

import FreeCAD as App

KINDS = {"Part::Part2DObjectPython": "wire", "Part::Feature": "shape", "App::Part": "block",
         "App::Link": "reference", "App::FeaturePython": "layer"}


def layer_of(obj):
    for parent in obj.InList:
        if getattr(parent, "QuorvelKey", "").startswith("L"):
            return parent.Label
        if parent.TypeId == "App::Part":
            return "block " + parent.BlockName + " " + obj.LayerName
    return "none"


def describe(obj):
    kind = KINDS.get(obj.TypeId, obj.TypeId)
    if kind == "layer" and not obj.QuorvelKey.startswith("L"):
        rotation = obj.Placement.Rotation
        degrees = math.degrees(rotation.Angle) * (1 if rotation.Axis.z >= 0 else -1)
        at = obj.Placement.Base
        return ["text %s %s,%s %s %s %s" % (layer_of(obj), round(at.x, 9), round(at.y, 9),
                                             round(obj.TextHeight.Value, 9), round(degrees, 9),
                                             "\n".join(obj.Text))]
    if kind == "layer":
        return ["layer %s color %d holds %d" % (obj.LayerName, obj.ColorIndex, len(obj.Group))]
    if kind == "wire":
        return ["wire %s %s %d points" % (layer_of(obj), "closed" if obj.Closed else "open",
                                          len(obj.Points))]
    if kind == "shape":
        solid = obj.Shape.Solids
        what = "solid %s volume %.6g" % (obj.PartName, obj.Shape.Volume) if solid else "face"
        return ["%s %s" % (what, layer_of(obj))]
    if kind == "block":
        return ["block %s hidden %s holds %d" % (obj.BlockName, not obj.Visibility,
                                                 len([o for o in obj.Group
                                                      if hasattr(o, "QuorvelKey")]))]
    if kind == "reference":
        base = obj.Placement.Base
        lines = ["reference %s %s at %g,%g,%g of %s" % (
            layer_of(obj), obj.BlockName, base.x, base.y, base.z, obj.LinkedObject.BlockName)]
        lines += ["  attribute %s=%s" % item for item in sorted(obj.Attributes.items())]
        lines += ["  xdata " + " ".join(obj.ExtendedData)]
        return lines
    return [kind]


def main(source, target):
    document = App.openDocument(source)
    lines = []
    for obj in document.Objects:
        if not obj.isValid():
            lines.append("invalid %s" % obj.Name)
        if hasattr(obj, "QuorvelKey"):
            lines += describe(obj)
    with open(target, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


try:
    main(*os.environ["QUORVEL_CONTENTS"].split(os.pathsep))
    status = 0
except Exception:
    traceback.print_exc()
    status = 1
sys.exit(status)
