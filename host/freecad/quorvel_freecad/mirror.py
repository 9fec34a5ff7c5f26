"""The drawing shown as objects of a FreeCAD document.

Each pass compares the drawing's records (the module's DrawingMirror: a key and a digest per
layer, block definition, entity and block reference) with the objects this drawing made earlier,
found by their QuorvelKey and QuorvelDigest properties, and creates, removes or updates only what
differs: layers are Draft layers (the colour index kept as a property; the colour itself lives in
the view provider, so only with the GUI), lines and polylines Draft wires, texts Draft texts (the
height kept as a property too, as the size they are shown at lives in the view provider), solids
Part features from the solid's BREP, regions Part faces, a block definition a hidden App::Part
holding its entities, a block reference an App::Link to it with the attributes and extended data
as properties. Objects without this drawing's QuorvelSession (the user's own, those of another
drawing) are never touched; layers are shared by name with earlier drawings of the document.
Each object also keeps what reading the drawing back from a saved document needs (restore.py):
its kind, a block's attribute layout, a solid's axis and threads.
"""

import math

import FreeCAD as App
import Part

from . import views

GROUP = "Quorvel"


def tag(obj, key, digest, session, kind):
    """Marks obj as this drawing's mirror of key, a thing of that kind; only what differs is
    written."""
    for name, value, doc in (("QuorvelKey", key, "What the object shows of the drawing"),
                             ("QuorvelDigest", digest, "Changes with what the object shows"),
                             ("QuorvelSession", session, "The drawing the object belongs to"),
                             ("QuorvelKind", kind, "What the object is in the drawing")):
        if name not in obj.PropertiesList:
            obj.addProperty("App::PropertyString", name, GROUP, doc)
            obj.setEditorMode(name, 1 if name == "QuorvelKey" else 2)  # read-only, hidden
        if getattr(obj, name) != value:
            setattr(obj, name, value)


def _set(obj, kind, name, value, doc=""):
    if name not in obj.PropertiesList:
        obj.addProperty(kind, name, GROUP, doc)
    setattr(obj, name, value)


def _vector(point, z=0.0):
    return App.Vector(point[0], point[1], z)


class DocumentMirror:
    """Keeps one document showing one drawing."""

    def __init__(self, document, session):
        self.document = document
        self.session = session
        self.gui = App.GuiUp

    # What the document shows now.

    def _ours(self):
        """This drawing's objects by key, and any second object of a key (a redo may bring one
        back beside the one made since)."""
        found, extra = {}, []
        for obj in self.document.Objects:
            if getattr(obj, "QuorvelSession", None) != self.session:
                continue
            if obj.QuorvelKey in found:
                extra.append(obj)
            else:
                found[obj.QuorvelKey] = obj
        return found, extra

    def present_keys(self):
        return set(self._ours()[0])

    def key_of(self, obj):
        """The key of one of this drawing's objects, or None."""
        if obj is not None and getattr(obj, "QuorvelSession", None) == self.session:
            return obj.QuorvelKey
        return None

    # A pass.

    def plan(self, records):
        """What a pass would change: (objects to remove, records to create, layers and blocks to
        update in place)."""
        ours, extra = self._ours()
        wanted = {record["key"]: record for record in records}
        remove, update = list(extra), []
        for key, obj in ours.items():
            record = wanted.get(key)
            if record is None:
                remove.append(obj)
            elif obj.QuorvelDigest != record["digest"]:
                if record["kind"] in ("layer", "block"):
                    update.append((obj, record))  # kept: they hold other objects
                else:
                    remove.append(obj)
        kept = {key for key, obj in ours.items() if obj not in remove}
        create = [record for record in records if record["key"] not in kept]
        return remove, create, update

    def apply(self, model, records=None):
        """Brings the document up to the drawing; the number of objects changed."""
        records = model.records() if records is None else records
        remove, create, update = self.plan(records)
        if not (remove or create or update):
            return 0
        for obj in remove:
            self._remove(obj)
        ours = self._ours()[0]
        layers = {r["layer"]: r for r in records if r["kind"] == "layer"}
        for obj, record in update:
            self._update(obj, record)
        for record in create:
            obj = self._create(model, record, ours, layers)
            if obj is not None:
                tag(obj, record["key"], record["digest"], self.session, record["kind"])
                ours[record["key"]] = obj
        self.document.recompute()
        return len(remove) + len(create) + len(update)

    # Removing.

    def _remove(self, obj):
        try:
            name = obj.Name
        except Exception:  # removed already, with its definition
            return
        if obj.TypeId == "App::Part":
            for child in list(obj.Group):
                if getattr(child, "QuorvelSession", None) == self.session:
                    self.document.removeObject(child.Name)
        self.document.removeObject(name)

    # Creating.

    def _create(self, model, record, ours, layers):
        kind = record["kind"]
        if kind == "layer":
            return self._layer(record)
        if kind == "block":
            return self._block(record)
        if kind == "insert":
            obj = self._insert(record, ours)
        elif kind in ("polyline", "line"):
            obj = self._wire(record)
        elif kind == "region":
            obj = self.document.addObject("Part::Feature", "Region")
            points = [_vector(p) for p in record["points"]]
            obj.Shape = Part.Face(Part.makePolygon(points + points[:1]))
        elif kind == "solid":
            obj = self._solid(model, record)
        elif kind == "text":
            obj = self._text(record)
        else:  # a kind this add-on does not know yet: nothing shown
            return None
        if obj is None:
            return None
        _set(obj, "App::PropertyString", "LayerName", record["layer"], "The drawing's layer")
        owner = ours.get(record["owner"]) if record["owner"] else None
        if owner is not None:
            owner.addObject(obj)
            layer = layers.get(record["layer"])
            if self.gui and layer is not None:
                views.entity_color(obj, layer["color"])
        else:
            layer = ours.get(self._layer_key(layers, record["layer"]))
            if layer is not None:
                layer.Proxy.addObject(layer, obj)  # the layer's view applies its colour
        return obj

    @staticmethod
    def _layer_key(layers, name):
        record = layers.get(name)
        return record["key"] if record else None

    def _layer(self, record):
        # A layer of the same name that an earlier drawing of this document made is taken over.
        for obj in self.document.Objects:
            if (getattr(obj, "QuorvelKey", "").startswith("L")
                    and getattr(obj, "LayerName", None) == record["layer"]
                    and getattr(obj, "QuorvelSession", None) != self.session):
                self._update(obj, record)
                return obj
        from draftobjects.layer import Layer
        obj = self.document.addObject("App::FeaturePython", "Layer")
        Layer(obj)
        obj.Label = record["layer"]
        if obj.Label != record["layer"]:  # the user has an object of that label: not counted up
            obj.Label = unique_label(record["layer"], "layer")
        self._layer_container().addObject(obj)
        self._update(obj, record)
        return obj

    def _layer_container(self):
        """Draft's group of layers in this document (made as Draft makes it)."""
        for obj in self.document.Objects:
            if obj.Name == "LayerContainer":
                return obj
        from draftobjects.layer import LayerContainer
        obj = self.document.addObject("App::DocumentObjectGroupPython", "LayerContainer")
        obj.Label = "Layers"
        LayerContainer(obj)
        if self.gui:
            views.layer_container(obj)
        return obj

    def _update(self, obj, record):
        if record["kind"] == "layer":
            _set(obj, "App::PropertyString", "LayerName", record["layer"], "The layer's name")
            _set(obj, "App::PropertyInteger", "ColorIndex", record["color"],
                 "The layer's colour index (1 red, 2 yellow, 3 green, 4 cyan, 5 blue, 6 magenta, "
                 "7 white/black)")
            if self.gui:
                views.layer(obj, record["color"])
        else:  # a block definition
            _set(obj, "App::PropertyString", "BlockName", record["name"], "The block's name")
            _set(obj, "App::PropertyStringList", "AttributeDefinitions",
                 ["%s=%s" % pair for pair in record["attributes"]],
                 "The attributes each reference gets: tag=default value")
            _set(obj, "App::PropertyStringList", "AttributeLayout",
                 [attribute_layout_line(pair[0], layout)
                  for pair, layout in zip(record["attributes"], record["layout"])],
                 "Each attribute's text: tag;x;y;height;visible or invisible;prompt")
        tag(obj, record["key"], record["digest"], self.session, record["kind"])

    def _block(self, record):
        obj = self.document.addObject("App::Part", "Block")
        obj.Label = unique_label(record["name"], "block")
        obj.Visibility = False  # shown where it is placed, through its references
        self._update(obj, record)
        return obj

    def _wire(self, record):
        from draftobjects.wire import Wire
        points = [_vector(p) for p in record["points"]]
        obj = self.document.addObject("Part::Part2DObjectPython",
                                      "Line" if len(points) == 2 else "Wire")
        Wire(obj)
        obj.Points = points
        obj.Closed = record["closed"]
        obj.MakeFace = False  # an outline, as drawn
        if self.gui:
            views.wire(obj)
        return obj

    def _text(self, record):
        """A Draft text with its base line's start at the text's point, turned about z by its
        rotation. Draft texts have no shape: Coin draws them, so headless they are only kept."""
        from draftobjects.text import Text
        obj = self.document.addObject("App::FeaturePython", "Text")
        Text(obj)
        obj.Text = [record["name"]]
        x, y, _ = record["at"]
        obj.Placement = App.Placement(App.Vector(x, y, 0),
                                      App.Rotation(App.Vector(0, 0, 1),
                                                   math.degrees(record["rotation"])))
        obj.Label = unique_label(record["name"], "text")
        _set(obj, "App::PropertyLength", "TextHeight", record["height"],
             "The height of the text's capitals")
        if self.gui:
            views.text(obj, record["height"])
        return obj

    def _solid(self, model, record):
        brep = model.solid_brep(record["key"])
        if brep is None:
            return None
        shape = Part.Shape()
        shape.importBrepFromString(brep.decode("ascii"))
        obj = self.document.addObject("Part::Feature", "Solid")
        obj.Shape = shape
        obj.Label = unique_label(record["name"] or "Solid", "solid")
        _set(obj, "App::PropertyString", "PartName", record["name"], "The part's name")
        axis = record["axis"]
        _set(obj, "App::PropertyVectorList", "PartAxis",
             [App.Vector(*axis[:3]), App.Vector(*axis[3:])],
             "The axis the part was revolved about: a point, a direction")
        _set(obj, "App::PropertyStringList", "PartThreads",
             ["%r;%r;%s" % (start, end, name) for name, start, end in record["threads"]],
             "The threads on its outer cylinder: from;to along the axis;name")
        return obj

    def _insert(self, record, ours):
        block = ours.get(record["block"])
        obj = self.document.addObject("App::Link", "Reference")
        if block is not None:
            obj.LinkedObject = block
        obj.Label = unique_label(record["name"], "reference")
        obj.Placement = App.Placement(_vector(record["at"], record["at"][2]), App.Rotation())
        _set(obj, "App::PropertyString", "BlockName", record["name"], "The block placed")
        _set(obj, "App::PropertyMap", "Attributes", dict(record["attributes"]),
             "The attributes' values of this placement, by tag")
        _set(obj, "App::PropertyStringList", "ExtendedData", extended_data_lines(record["data"]),
             "Extended data as group code=value, each application's from its 1001 line")
        return obj


def unique_label(name, kind):
    """A label for an object named name: FreeCAD keeps labels unique by counting up their last
    digits, which would turn a second GOST22032-76_M12x100 into GOST22032-76_M12x101 (another
    size) or a second part of ГОСТ 22032-76 into 22032-77; a word after the name takes the count
    instead (the name itself is kept in a property)."""
    return "%s (%s)" % (name, kind)


def attribute_layout_line(tag, layout):
    prompt, x, y, height, invisible = layout
    return "%s;%r;%r;%r;%s;%s" % (tag, x, y, height, "invisible" if invisible else "visible",
                                  prompt)


def extended_data_lines(data):
    """Extended data as "code=value" lines: 1001=APPLICATION, then its items."""
    lines = []
    for application, items in data:
        lines.append("1001=%s" % application)
        lines.extend("%d=%s" % (code, value) for code, value in items)
    return lines
