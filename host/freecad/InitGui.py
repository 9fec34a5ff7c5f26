# The Quorvel add-on in FreeCAD's window: as FreeCAD opens, the add-on serves the program's CAD
# host class name on the session bus (or says in the report view why it cannot), so that the
# program's «Чертить» draws the stud into the active document; the Quorvel workbench offers the
# drawing as DXF and STEP through the program's own writers. Nothing is loaded or changed in
# FreeCAD's documents or preferences until the program draws.
import os

from quorvel_freecad import workbench

workbench.add()


def quorvel_start_serving():
    from quorvel_freecad import commands
    commands.start_serving()


# scripts/freecad-host.sh serves from its own script, with its options.
if not os.environ.get("QUORVEL_HOST_SCRIPT"):
    from PySide2 import QtCore
    QtCore.QTimer.singleShot(0, quorvel_start_serving)
