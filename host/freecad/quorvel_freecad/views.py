"""How the drawing's objects look in FreeCAD's window: Draft's view providers for the layers (with
their colour), the layers' group, wires and texts (with their size and font), and a block's
entities in their layer's colour. The mirror gives them to what it makes while the window is up; a
document saved without the window (freecadcmd) has none, so they are given when the window opens
it (watch_documents)."""

import FreeCAD as App

from . import colors

# A text's font size for its height: the height is that of the capitals, a font's size is larger
# by about this much (FreeCAD's own DXF import takes a text's height so).
FONT_SIZE_PER_HEIGHT = 1.35
# Narrow lettering, close to the drawing standards' (about 0.7 of the height per character, as the
# drawing lays texts out, a parts list's columns included); another font stands in where it is
# not installed.
TEXT_FONT = "DejaVu Sans Condensed"


def _give(obj, view_class, opened):
    """Gives obj a view of view_class (one of Draft's). On an object of a document just opened,
    FreeCAD has attached a placeholder view and attaches no other: the view is made ready as
    Draft makes it, attached, and only then put in place, with the display modes it offers."""
    if not opened:
        return view_class(obj.ViewObject)
    view = view_class.__new__(view_class)
    view.Object = obj
    if hasattr(view, "set_properties"):
        view.set_properties(obj.ViewObject)
    view.attach(obj.ViewObject)
    obj.ViewObject.Proxy = view  # shows the object's data
    if hasattr(view, "getDisplayModes"):
        obj.ViewObject.DisplayMode = view.getDisplayModes(obj.ViewObject)
    return view


def layer(obj, color, opened=False):
    from draftviewproviders.view_layer import ViewProviderLayer
    if not _has_view(obj):
        _give(obj, ViewProviderLayer, opened)
    rgb = colors.color_rgb(color)
    obj.ViewObject.LineColor = rgb  # the layer's view gives it to what the layer holds
    obj.ViewObject.ShapeColor = rgb


def layer_container(obj, opened=False):
    from draftviewproviders.view_layer import ViewProviderLayerContainer
    _give(obj, ViewProviderLayerContainer, opened)


def wire(obj, opened=False):
    from draftviewproviders.view_wire import ViewProviderWire
    if opened:  # the placeholder view shows the wire as Part's view does: Draft's takes over
        ViewProviderWire(obj.ViewObject).attach(obj.ViewObject)
    else:
        ViewProviderWire(obj.ViewObject)


def text(obj, height, opened=False):
    """Lies in the drawing's plane, to scale, its base line's start at its point."""
    from draftviewproviders.view_text import ViewProviderText
    _give(obj, ViewProviderText, opened)
    obj.ViewObject.DisplayMode = "3D text"
    obj.ViewObject.FontSize = height * FONT_SIZE_PER_HEIGHT
    obj.ViewObject.FontName = TEXT_FONT
    obj.ViewObject.Justification = "Left"
    obj.ViewObject.LineSpacing = 1


def entity_color(obj, color):
    """An object inside a block definition has its layer's colour of its own (a Draft layer
    outside the definition cannot hold it)."""
    rgb = colors.color_rgb(color)
    for name in ("LineColor", "PointColor", "ShapeColor", "TextColor"):
        if hasattr(obj.ViewObject, name):
            setattr(obj.ViewObject, name, rgb)


def _has_view(obj):
    """Whether obj's view is Draft's: a document saved without the window leaves a placeholder
    (none, or a number) where the window keeps the view's object."""
    return not isinstance(getattr(obj.ViewObject, "Proxy", None), (int, type(None)))


def give_missing(document):
    """Gives the drawing's objects of a document saved without the window their views; the
    number of objects given one."""
    ours = [o for o in document.Objects if hasattr(o, "QuorvelKey")]
    if all(_has_view(o) for o in ours if o.TypeId == "App::FeaturePython"):
        return 0  # saved with the window: its views were saved with it
    layer_colors = {o.LayerName: o.ColorIndex for o in ours
                    if o.QuorvelKey.startswith("L") and hasattr(o, "ColorIndex")}
    names = {o.Name for o in ours}
    given = 0
    for obj in document.Objects:
        if obj.Name.startswith("LayerContainer") and not _has_view(obj):
            layer_container(obj, opened=True)
        elif obj.Name not in names or _has_view(obj):
            continue
        elif obj.QuorvelKey.startswith("L"):
            layer(obj, layer_colors.get(obj.LayerName, 7), opened=True)
        elif hasattr(obj, "TextHeight"):
            text(obj, obj.TextHeight.Value, opened=True)
        elif obj.TypeId == "Part::Part2DObjectPython":
            wire(obj, opened=True)
        else:
            continue
        given += 1
    for obj in ours:  # what block definitions hold, in their layers' colours
        parent = obj.getParentGeoFeatureGroup()
        if parent is not None and hasattr(parent, "QuorvelKey"):
            entity_color(obj, layer_colors.get(getattr(obj, "LayerName", ""), 7))
    return given


class _OpenedDocuments:
    """Gives views to the drawing's objects of each document the window opens, once FreeCAD has
    read the whole file."""

    def slotCreatedDocument(self, document):
        from PySide2 import QtCore
        name = document.Name
        QtCore.QTimer.singleShot(0, lambda: self._opened(name))

    def _opened(self, name):
        from PySide2 import QtCore
        if App.isRestoring():  # still reading the file
            QtCore.QTimer.singleShot(100, lambda: self._opened(name))
            return
        document = App.listDocuments().get(name)
        if document is None:
            return
        try:
            give_missing(document)
        except Exception as failure:  # a document the add-on cannot read: shown as it is
            App.Console.PrintWarning("Quorvel: %s: the drawing's views: %s\n" % (name, failure))


_watcher = None


def watch_documents():
    """From now on, every document the window opens gets its missing views."""
    global _watcher
    if _watcher is None:
        _watcher = _OpenedDocuments()
        App.addDocumentObserver(_watcher)
