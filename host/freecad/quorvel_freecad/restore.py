"""The drawing of a document saved earlier, read back from the objects the mirror made of it.

A FreeCAD document is the drawing: when the program first draws into (or the user saves the
drawing of) a document that holds objects the add-on made in an earlier session, the module
builds the drawing anew from what those objects carry (records() in reverse), so that the parts
list finds the placed studs, «Изменить…» picks them, and a stud of a size already placed takes
its block definition. Each object read back is then tagged with the key and digest it has in the
new drawing, so that the next pass changes nothing that is not changed. Objects the drawing cannot
take back stay in the document as the user's own and are never touched.
"""

import uuid

from . import mirror

# The extended data's group codes by the kind of value they hold.
_REAL_CODES = range(1010, 1060)
_INTEGER_CODES = range(1060, 1072)


def holds_drawing(document):
    return any(hasattr(obj, "QuorvelKey") for obj in document.Objects)


def _kind(obj):
    """What the object is in the drawing; a document from before the kind was kept tells it by
    the object's type."""
    kind = getattr(obj, "QuorvelKind", "")
    if kind:
        return kind
    if obj.TypeId == "App::Part":
        return "block"
    if obj.TypeId == "App::Link":
        return "insert"
    if obj.QuorvelKey.startswith("L"):
        return "layer"
    if hasattr(obj, "TextHeight"):
        return "text"
    if obj.TypeId == "Part::Part2DObjectPython":
        return "line" if len(obj.Points) == 2 and not obj.Closed else "polyline"
    if obj.TypeId == "Part::Feature":
        return "solid" if obj.Shape.Solids else "region"
    return ""


def _item(code, text):
    """An extended data item from its "code=value" line: the value as its group code holds it."""
    try:
        if code in _REAL_CODES:
            return float(text)
        if code in _INTEGER_CODES:
            return int(text)
    except ValueError:
        pass
    return text


def extended_data(lines):
    """[(application, [(code, value)])] from the ExtendedData property's lines."""
    data = []
    for line in lines:
        code, _, text = line.partition("=")
        try:
            code = int(code)
        except ValueError:
            continue
        if code == 1001:
            data.append((text, []))
        elif data:
            data[-1][1].append((code, _item(code, text)))
    return data


def _layout(line):
    """(prompt, x, y, height, invisible) of an AttributeLayout line."""
    _, x, y, height, visibility, prompt = line.split(";", 5)
    return prompt, float(x), float(y), float(height), visibility == "invisible"


def _thread(line):
    start, end, name = line.split(";", 2)
    return name, float(start), float(end)


def saved_object(obj):
    """What the object tells of the thing it shows, in the form of the module's records."""
    kind = _kind(obj)
    saved = {"kind": kind, "key": obj.QuorvelKey, "drawing": obj.QuorvelSession,
             "layer": getattr(obj, "LayerName", "")}
    parent = obj.getParentGeoFeatureGroup()
    if parent is not None and hasattr(parent, "QuorvelKey"):
        saved["owner"] = parent.QuorvelKey
    if kind == "layer":
        saved["color"] = obj.ColorIndex
    elif kind in ("polyline", "line"):
        saved["points"] = [(p.x, p.y) for p in obj.Points]
        saved["closed"] = obj.Closed
    elif kind == "region":
        saved["points"] = [(v.X, v.Y) for v in obj.Shape.Faces[0].OuterWire.OrderedVertexes]
    elif kind == "solid":
        saved["name"] = obj.PartName
        saved["brep"] = obj.Shape.exportBrepToString()
        if len(getattr(obj, "PartAxis", [])) == 2:
            saved["axis"] = tuple(obj.PartAxis[0]) + tuple(obj.PartAxis[1])
            saved["threads"] = [_thread(line) for line in obj.PartThreads]
    elif kind == "text":
        saved["name"] = obj.Text[0] if obj.Text else ""
        base, rotation = obj.Placement.Base, obj.Placement.Rotation
        saved["at"] = (base.x, base.y, 0.0)
        saved["rotation"] = rotation.Angle * (1 if rotation.Axis.z >= 0 else -1)
        saved["height"] = obj.TextHeight.Value
    elif kind == "block":
        saved["name"] = obj.BlockName
        saved["attributes"] = [tuple(line.split("=", 1)) for line in obj.AttributeDefinitions]
        saved["layout"] = [_layout(line) for line in getattr(obj, "AttributeLayout", [])]
    elif kind == "insert":
        saved["name"] = obj.BlockName
        saved["at"] = tuple(obj.Placement.Base)
        saved["attributes"] = list(obj.Attributes.items())
        saved["data"] = extended_data(obj.ExtendedData)
    return saved


def restore(model, document):
    """Builds model's drawing from document's objects; the drawing's session mark (that of the
    objects when one drawing made them all and all are read back, else a new one) and the number
    of objects left as they are."""
    objects, saved = [], []
    for obj in document.Objects:
        if not hasattr(obj, "QuorvelKey"):
            continue
        try:
            saved.append(saved_object(obj))
        except Exception:  # an object changed by hand beyond reading: it stays as it is
            continue
        objects.append(obj)
    left = sum(1 for obj in document.Objects if hasattr(obj, "QuorvelKey")) - len(objects)
    tags = model.restore(saved)
    left += tags.count(None)
    sessions = {obj.QuorvelSession for obj in objects}
    session = sessions.pop() if len(sessions) == 1 and left == 0 else uuid.uuid4().hex
    for obj, one, found in zip(objects, saved, tags):
        if found is not None:
            mirror.tag(obj, found[0], found[1], session, one["kind"])
    return session, left
