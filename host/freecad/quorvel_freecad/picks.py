"""Picks in FreeCAD's 3D view, with the GUI: while the host waits for a point, a click in the
document's 3D view answers it with the clicked point on the drawing's plane (z = 0, the XY working
plane; seen edge-on, the point straight under the cursor); while it waits for an object, a click on
one of the drawing's objects answers it, as does the one object already selected when the pick
starts. Esc anywhere in FreeCAD cancels. The prompt is shown in the status bar and FreeCAD's
window is brought to the front, since the user clicks in it next."""

import FreeCAD as App
import FreeCADGui as Gui
from PySide2 import QtCore, QtWidgets

HINT_POINT = "click in the 3D view to pick the point, Esc cancels"
HINT_OBJECT = "click on a placed stud in the 3D view, Esc cancels"


def point_on_plane(view, position):
    """The point of the drawing's plane (z = 0) under the pixel position of the view."""
    near = view.getPoint(*position)
    if view.getCameraType() == "Perspective":
        camera = view.getCameraNode().position.getValue()
        direction = near - App.Vector(camera[0], camera[1], camera[2])
    else:
        direction = view.getViewDirection()
    if abs(direction.z) < 1e-9 * max(direction.Length, 1e-300):
        return near.x, near.y  # the plane seen edge-on
    t = -near.z / direction.z
    return near.x + t * direction.x, near.y + t * direction.y


def later(call):
    """Runs call once the view's event is handled: the answer removes the view's callback,
    which must not happen inside it."""
    QtCore.QTimer.singleShot(0, call)


def clicked_object(document, info):
    """The top-level object a click hit (a reference rather than what its block holds), with the
    hit point; None when the click hit nothing of document."""
    if not info:
        return None
    obj = info.get("ParentObject") or document.getObject(info.get("Object", ""))
    if isinstance(obj, str):
        obj = document.getObject(obj)
    if obj is None:
        return None
    return obj, info["x"], info["y"]


def selected_object(document):
    """The one object of document the user has selected (the top-level one, a reference rather
    than what its block holds), with the point picked on it or its placement's; None unless
    exactly one is."""
    selection = Gui.Selection.getSelectionEx(document.Name, 0)
    if len(selection) != 1:
        return None
    chosen = selection[0]
    points = chosen.PickedPoints
    point = points[0] if points else chosen.Object.Placement.Base
    return chosen.Object, point.x, point.y


class _EscapeFilter(QtCore.QObject):
    def __init__(self, cancel):
        super().__init__()
        self._cancel = cancel

    def eventFilter(self, watched, event):
        if event.type() == QtCore.QEvent.KeyPress and event.key() == QtCore.Qt.Key_Escape:
            later(self._cancel)  # the answer removes this filter: not while it runs
            return True
        return False


class ViewPicks:
    """Takes the host's picks from the 3D view of the drawing's document."""

    def __init__(self):
        self._view = None
        self._callback = None
        self._escape = None

    def start(self, drawing, prompt, entity, on_point, on_object, on_cancel):
        self.stop()
        gui_document = Gui.getDocument(drawing.document.Name)
        view = gui_document.ActiveView if gui_document else None
        if view is None or not hasattr(view, "addEventCallback"):
            view = gui_document.mdiViewsOfType("Gui::View3DInventor")[0]
        document = drawing.document

        def clicked(info):
            if info.get("State") != "DOWN" or info.get("Button") != "BUTTON1":
                return
            position = info["Position"]
            if entity:
                hit = clicked_object(document, view.getObjectInfo(position))
                if hit is not None:
                    later(lambda: on_object(*hit))
            else:
                point = point_on_plane(view, position)
                later(lambda: on_point(*point))

        self._view = view
        self._callback = view.addEventCallback("SoMouseButtonEvent", clicked)
        if entity:
            chosen = selected_object(document)
            if chosen is not None:
                later(lambda: on_object(*chosen))  # not one of the drawing's: the pick waits
        self._escape = _EscapeFilter(on_cancel)
        QtWidgets.QApplication.instance().installEventFilter(self._escape)
        window = Gui.getMainWindow()
        window.statusBar().showMessage("Quorvel: %s (%s)" % (prompt.strip() or "Insert point",
                                                             HINT_OBJECT if entity else HINT_POINT))
        window.raise_()
        window.activateWindow()

    def stop(self):
        if self._view is not None:
            try:
                self._view.removeEventCallback("SoMouseButtonEvent", self._callback)
            except Exception:  # the view was closed while it waited
                pass
            QtWidgets.QApplication.instance().removeEventFilter(self._escape)
            Gui.getMainWindow().statusBar().clearMessage()
        self._view = self._callback = self._escape = None
