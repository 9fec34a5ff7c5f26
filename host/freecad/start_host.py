# Run by scripts/freecad-host.sh in freecadcmd or in FreeCAD's window: the add-on and its module
# from this checkout (FreeCAD's window takes no path options), the options from QUORVEL_HOST_ARGS
# (FreeCAD's own command line takes no options for a script). In the window the workbench's
# commands come too, as when the add-on is installed.
import json
import os
import sys

for folder in (os.environ.get("QUORVEL_MODULE_DIR"), os.environ.get("QUORVEL_ADDON_DIR")):
    if folder and folder not in sys.path:
        sys.path.insert(0, folder)

from quorvel_freecad import entry  # noqa: E402

if "FreeCADGui" in sys.modules or __import__("FreeCAD").GuiUp:
    from quorvel_freecad import workbench  # noqa: E402

    workbench.add()

status = entry.main(json.loads(os.environ.get("QUORVEL_HOST_ARGS", "[]")))
if status is not None:
    sys.exit(status)
