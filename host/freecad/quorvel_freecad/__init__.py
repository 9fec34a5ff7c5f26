"""The Quorvel add-on for FreeCAD: FreeCAD as a CAD host of the program, over the stand-in host's
object model (the quorvel_model module). addon.py starts the host, server.py is its D-Bus side,
session.py and mirror.py show the drawing in FreeCAD's documents, restore.py reads it back from a
saved one, views.py gives its objects their looks in the window, picks.py takes picks from the 3D
view, files.py saves, commands.py and workbench.py are the workbench, entry.py the entry of
scripts/freecad-host.sh."""
