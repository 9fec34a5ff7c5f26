"""The host inside FreeCAD: the session bus, the drawings of the documents and the D-Bus side,
started once per FreeCAD process (by the workbench as FreeCAD's window opens, or by
scripts/freecad-host.sh)."""

import json
import os

import FreeCAD as App

DEFAULT_CLASS = "AutoCAD.Application"
# Written by scripts/install-freecad-addon.sh beside this package: where the program's settings
# file is.
INSTALL_FILE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                            "install.json")

_service = None


def class_name(settings_file):
    """The class name the program looks its CAD host up by: the settings file's [CAD]
    Application, AutoCAD.Application when the file, the key or its value is missing."""
    if settings_file and os.path.isfile(settings_file):
        import quorvel_model
        return quorvel_model.cad_application(settings_file) or DEFAULT_CLASS
    return DEFAULT_CLASS


def installed_settings_file():
    try:
        with open(INSTALL_FILE, encoding="utf-8") as file:
            return json.load(file).get("settings")
    except (OSError, ValueError):
        return None


class Service:
    """The host of this FreeCAD process."""

    def __init__(self, host, name, stats=None):
        self.host = host
        self.name = name
        self.stats = stats


def service():
    return _service


def start(name, model_setup=None, gui=None, stats=None):
    """Serves name on the session bus. The Service, or a text saying why it cannot serve."""
    global _service
    if _service is not None:
        return _service
    gui = App.GuiUp if gui is None else gui
    try:
        import dbus
        from dbus.mainloop.glib import DBusGMainLoop
        import quorvel_model
    except ImportError as missing:
        return "a part of the add-on is missing (%s): install python3-dbus and python3-gi, " \
               "and install the add-on with scripts/install-freecad-addon.sh" % missing
    from .server import Host
    from .session import Drawings
    from .stats import RedrawCounter, RunStats
    try:
        bus = dbus.SessionBus(mainloop=DBusGMainLoop())
    except dbus.DBusException:
        return "there is no session bus"
    picks = counter = None
    if gui:
        from .picks import ViewPicks
        picks = ViewPicks()
        if stats:
            counter = RedrawCounter()
    host = Host(bus, Drawings(quorvel_model.Model, model_setup), picks)
    try:
        serving = host.serve(name)
    except dbus.DBusException as failure:
        return "%s cannot be served: %s" % (name, failure.get_dbus_message())
    if not serving:
        return ("%s is already owned on the session bus; another CAD host is running, and the "
                "program draws there rather than in FreeCAD" % name)
    _service = Service(host, name, RunStats(host, stats, counter) if stats else None)
    return _service

