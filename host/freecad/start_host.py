# Run by scripts/freecad-host.sh in freecadcmd or in FreeCAD's window: the add-on and its module
# from this checkout (on the path through FreeCAD's -P), the options from QUORVEL_HOST_ARGS
# (FreeCAD's own command line takes no options for a script).
import json
import os
import sys

for folder in (os.environ.get("QUORVEL_MODULE_DIR"), os.environ.get("QUORVEL_ADDON_DIR")):
    if folder and folder not in sys.path:
        sys.path.insert(0, folder)

from quorvel_freecad import entry  # noqa: E402

status = entry.main(json.loads(os.environ.get("QUORVEL_HOST_ARGS", "[]")))
if status is not None:
    sys.exit(status)
