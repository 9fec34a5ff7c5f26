"""The Quorvel workbench: its menu and toolbar hold the add-on's commands (commands.py). With it,
the documents the window opens get the views of the drawing's objects that a save without the
window left out (views.py)."""

import FreeCADGui as Gui


class QuorvelWorkbench(Gui.Workbench):
    MenuText = "Quorvel"
    ToolTip = "Threaded studs drawn by the Quorvel program"

    def Initialize(self):
        from . import commands
        names = commands.register()
        self.appendMenu("Quorvel", names)
        self.appendToolbar("Quorvel", names)

    def GetClassName(self):
        return "Gui::PythonWorkbench"


def add():
    if "QuorvelWorkbench" not in Gui.listWorkbenches():
        Gui.addWorkbench(QuorvelWorkbench())
    from . import views
    views.watch_documents()
