"""The host as scripts/freecad-host.sh starts it: headless in freecadcmd (a GLib loop of its own)
or in FreeCAD's window (--gui, FreeCAD's loop). It prints "ready" once it owns the bus name, and
on SIGTERM or SIGINT ends the current run, writes the files asked for and ends with status 0 (1
when a file could not be written)."""

import os
import signal
import sys

import FreeCAD as App

from . import addon, files
from .options import PROGRAM, OptionError, parse


def _say(text):
    sys.stderr.write("%s: %s\n" % (PROGRAM, text))
    sys.stderr.flush()


def _model_setup(options, gui):
    """What the options ask of the (first) drawing: call log, failure, scripted points."""

    def setup(model):
        if options.log and not model.set_call_log(options.log):
            _say("cannot write the call log %s" % options.log)
        for failure in options.fail:
            model.fail_call(*failure)
        model.set_scripted_points(options.points, not gui, options.repeat_points)

    return setup


def _save(service, options):
    """The files of --save, --dxf and --step; the exit status."""
    host = service.host
    host.cancel_pick("Point selection cancelled: the host ends")
    host.end_run()
    if service.stats is not None:
        service.stats.flush()
    drawing = host.drawings.current() or (host.drawings.all() or [None])[0]
    if drawing is None and (options.save or options.dxf or options.step):
        drawing = host.drawings.for_active_document()  # nothing drawn: an empty drawing
    if drawing is not None:
        drawing.begin_run()  # the files hold what the document shows, after the user's undo
    problems = []
    if options.save:
        more, notes = files.save_beside(drawing, os.path.abspath(options.save))
        problems += more
        for note in notes:
            _say(note)
    for option, save in ((options.dxf, files.save_dxf), (options.step, files.save_step)):
        if option:
            try:
                save(drawing, option)
            except files.SaveError as failure:
                problems.append(str(failure))
    for problem in problems:
        _say(problem)
    return 1 if problems else 0


def main(argv):
    """Starts the host; headless it serves until a signal ends it and gives the exit status."""
    gui = App.GuiUp
    try:
        options = parse(argv)
    except OptionError as failure:
        _say(str(failure))
        return 2
    import dbus
    name = options.name or addon.class_name(options.settings)
    try:
        dbus.validate_bus_name(name)
    except ValueError:
        _say('"%s" is not a valid bus name (two or more elements joined by dots, such as '
             'AutoCAD.Application)' % name)
        return 2
    if options.open:
        try:
            App.openDocument(os.path.abspath(options.open))
        except Exception as failure:
            _say("cannot open %s: %s" % (options.open, failure))
            return 1
    service = addon.start(name, _model_setup(options, gui), gui, options.stats)
    if isinstance(service, str):
        _say(service)
        return 1
    print("ready", flush=True)

    from gi.repository import GLib
    loop = None if gui else GLib.MainLoop()
    status = {"code": 0}

    def stop():
        status["code"] = _save(service, options)
        if loop is not None:
            loop.quit()
        else:
            sys.stdout.flush()
            os._exit(status["code"])  # FreeCAD's window: nothing of the user's to keep
        return GLib.SOURCE_REMOVE

    for number in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_HIGH, number, stop)
    if loop is None:
        return None
    loop.run()
    return status["code"]
