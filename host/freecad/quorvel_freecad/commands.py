"""The workbench's commands: serve the program again (after another CAD host gave up the class
name), and save the active document's drawing as DXF or STEP through the program's own writers.
The same saves are plain calls for macros: files.save_dxf(drawing, file) and so on."""

import os

import FreeCAD as App
import FreeCADGui as Gui
from PySide2 import QtWidgets

from . import addon, files


def start_serving():
    """Serves the class name of the program's settings file; says why not in the report view."""
    name = addon.class_name(addon.installed_settings_file())
    service = addon.start(name)
    if isinstance(service, str):
        App.Console.PrintWarning("Quorvel: %s.\n" % service)
    else:
        App.Console.PrintMessage("Quorvel: serving %s: the program draws into the active "
                                 "document.\n" % service.name)


def _drawing():
    """The active document's drawing, brought up to what the user did to it; None (and says
    why) when there is none."""
    service = addon.service()
    window = Gui.getMainWindow()
    if service is None or service.host.waiting():
        QtWidgets.QMessageBox.information(
            window, "Quorvel", "The program is not drawing here now." if service is None
            else "The program waits for a pick in the 3D view (Esc cancels it).")
        return None
    service.host.end_run()
    drawing = service.host.drawings.current()
    if drawing is None:
        QtWidgets.QMessageBox.information(
            window, "Quorvel", "The program has not drawn into this document.")
        return None
    drawing.begin_run()
    return drawing


class _Save:
    def __init__(self, kind, suffix, save):
        self.kind, self.suffix, self.save = kind, suffix, save

    def GetResources(self):
        return {"MenuText": "Save drawing as %s..." % self.kind,
                "ToolTip": "Saves what the program drew into this document as %s, as the "
                           "program's own CAD host saves it" % self.kind}

    def IsActive(self):
        return App.ActiveDocument is not None

    def Activated(self):
        drawing = _drawing()
        if drawing is None:
            return
        document = drawing.document
        start = os.path.splitext(document.FileName or os.path.join(
            os.path.expanduser("~"), document.Label))[0] + self.suffix
        file, _ = QtWidgets.QFileDialog.getSaveFileName(
            Gui.getMainWindow(), "Save drawing as %s" % self.kind, start,
            "%s (*%s)" % (self.kind, self.suffix))
        if not file:
            return
        try:
            self.save(drawing, file)
        except files.SaveError as failure:
            QtWidgets.QMessageBox.warning(Gui.getMainWindow(), "Quorvel", str(failure))


class _Serve:
    def GetResources(self):
        return {"MenuText": "Serve the program",
                "ToolTip": "Takes the program's CAD host class name on the session bus, if "
                           "no other CAD host has it"}

    def IsActive(self):
        return addon.service() is None

    def Activated(self):
        start_serving()


def register():
    """Adds the commands to FreeCAD; their names."""
    commands = {"Quorvel_SaveDxf": _Save("DXF", ".dxf", files.save_dxf),
                "Quorvel_SaveStep": _Save("STEP", ".step", files.save_step),
                "Quorvel_Serve": _Serve()}
    for name, command in commands.items():
        Gui.addCommand(name, command)
    return list(commands)
