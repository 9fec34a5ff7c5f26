"""Serves the object model on the session bus under a class name: every object path answers
org.quorvel.Automation.Invoke(s member, i kind, av args) -> v result, as the stand-in host does.

The calls are dispatched from FreeCAD's own event loop (dbus-python on the GLib main loop, which
FreeCAD's Qt dispatches; headless, a GLib loop of the entry's own), so no thread touches FreeCAD.
A point or object pick holds its reply until the user answers it in the 3D view, cancels it or
its caller leaves the bus; other calls are answered meanwhile.

Where a program run ends: a run is a burst of calls, so it has ended when no call has come for
RUN_IDLE_MS and no pick waits. Its changes are then shown in one pass (one transaction, one
recompute, one redraw). A pick also shows what the run drew so far before it waits, since the
user picks in what they see. This needs nothing from the caller: any program, script or tool that
drives the host gets one undo step per burst, whatever its last call is.
"""

import dbus
import dbus.lowlevel
from gi.repository import GLib

import FreeCAD as App

from . import values

INTERFACE = "org.quorvel.Automation"
SIGNATURE = "siav"
# Longer than any pause between two calls of one run (the program computes nothing slow between
# them; each call's own work is done before the timer starts), short enough not to be noticed.
RUN_IDLE_MS = 250

_INTROSPECTION = """<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node><interface name="org.quorvel.Automation"><method name="Invoke">
<arg name="member" type="s" direction="in"/><arg name="kind" type="i" direction="in"/>
<arg name="args" type="av" direction="in"/><arg name="result" type="v" direction="out"/>
</method></interface></node>
"""


class _Pending:
    """A pick whose reply is held."""

    def __init__(self, message, entity, watch):
        self.message = message
        self.entity = entity
        self.watch = watch


class Host:
    """The D-Bus side of the host over the drawings of FreeCAD's documents."""

    def __init__(self, bus, drawings, picks=None, idle_ms=RUN_IDLE_MS):
        self.bus = bus
        self.drawings = drawings
        self.picks = picks  # the 3D view's picks with the GUI; None headless
        self.idle_ms = idle_ms
        self.run = None  # the drawing the current run draws into
        self.runs = 0  # runs ended so far
        self.on_run_begin = []  # callables, each called with the drawing as a run begins
        self._idle = None
        self._pending = None

    def serve(self, name):
        """Takes the bus name and answers calls from then on; False when another host owns
        it."""
        reply = self.bus.request_name(name, dbus.bus.NAME_FLAG_DO_NOT_QUEUE)
        if reply not in (dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER,
                         dbus.bus.REQUEST_NAME_REPLY_ALREADY_OWNER):
            return False
        self.bus.add_message_filter(self._filter)
        return True

    # Messages.

    def _filter(self, connection, message):
        if message.get_type() != dbus.lowlevel.MESSAGE_TYPE_METHOD_CALL:
            return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
        interface, member = message.get_interface(), message.get_member()
        if interface == "org.freedesktop.DBus.Introspectable" and member == "Introspect":
            self._reply(message, _INTROSPECTION, signature="s")
            return dbus.lowlevel.HANDLER_RESULT_HANDLED
        if interface != INTERFACE or member != "Invoke":
            return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
        if message.get_signature() != SIGNATURE:
            self._error(message, "org.freedesktop.DBus.Error.InvalidArgs",
                        'Invoke takes the signature "%s", not "%s"'
                        % (SIGNATURE, message.get_signature()))
            return dbus.lowlevel.HANDLER_RESULT_HANDLED
        try:
            self._invoke(message)
        except Exception as failure:  # a fault of ours must not leave the caller waiting
            App.Console.PrintError("Quorvel: %s\n" % failure)
            self._error(message, "org.quorvel.Automation.Failed", str(failure))
        return dbus.lowlevel.HANDLER_RESULT_HANDLED

    def _reply(self, message, value, signature="v"):
        reply = dbus.lowlevel.MethodReturnMessage(message)
        reply.append(value, signature=signature)
        self.bus.send_message(reply)

    def _error(self, message, name, text):
        self.bus.send_message(dbus.lowlevel.ErrorMessage(message, name, text))

    def _answer(self, message, outcome):
        status, value, error_name, error_text, _ = outcome
        if status == "failed":
            self._error(message, error_name, error_text)
        else:
            self._reply(message, values.to_dbus(value))

    # Calls.

    def _invoke(self, message):
        member, kind, args = message.get_args_list()
        drawing = self.begin_run()
        outcome = drawing.model.invoke(message.get_path(), str(member), int(kind),
                                       [values.to_model(arg) for arg in args])
        if outcome[0] != "awaiting":
            self._answer(message, outcome)
            self._restart_idle()
            return
        self._show_run(drawing)
        watch = self.bus.watch_name_owner(message.get_sender(), self._caller_owner)
        self._pending = _Pending(message, member == "GetEntity", watch)
        if self.picks is not None:
            try:
                self.picks.start(drawing, outcome[4], self._pending.entity, self.point_picked,
                                 self.object_picked, self.cancel_pick)
            except Exception as failure:  # no 3D view to pick in: the caller must not wait
                App.Console.PrintError("Quorvel: no pick in the 3D view: %s\n" % failure)
                self.cancel_pick("Point selection cancelled: no 3D view")

    def begin_run(self):
        if self.run is None:
            self.run = self.drawings.for_active_document()
            for call in self.on_run_begin:
                call(self.run)
            withdrawn, reinstated = self.run.begin_run()
            if withdrawn or reinstated:
                App.Console.PrintLog("Quorvel: %d withdrawn, %d back after the user's changes\n"
                                     % (len(withdrawn), len(reinstated)))
        return self.run

    def _restart_idle(self):
        if self._idle is not None:
            GLib.source_remove(self._idle)
        self._idle = GLib.timeout_add(self.idle_ms, self._idle_reached)

    def _idle_reached(self):
        self._idle = None
        if self._pending is None:
            self.end_run()
        return False

    def _show_run(self, drawing):
        try:
            drawing.end_run()
        except Exception as failure:
            App.Console.PrintError("Quorvel: the drawing could not be shown: %s\n" % failure)

    def end_run(self):
        """Ends the current run now (before a save, at exit): its changes are shown."""
        if self._idle is not None:
            GLib.source_remove(self._idle)
            self._idle = None
        if self.run is not None:
            run, self.run = self.run, None
            self._show_run(run)
            self.runs += 1

    # Picks.

    def waiting(self):
        return self._pending is not None

    def point_picked(self, x, y):
        """A click at (x, y) on the drawing's plane; False when it does not answer the pick (an
        object is asked for and none lies there)."""
        if self._pending is None or not self.run.model.pick_takes(x, y):
            return False
        answer = self.run.model.answer_pick(x, y)
        if answer is None:
            return False
        self._end_pick(answer)
        return True

    def object_picked(self, obj, x, y):
        """A click on a document object at (x, y); False when it is no entity of the drawing."""
        if self._pending is None:
            return False
        key = self.run.mirror.key_of(obj)
        answer = self.run.model.answer_entity_pick(key, x, y) if key else None
        if answer is None:
            return False
        self._end_pick(answer)
        return True

    def cancel_pick(self, reason="Point selection cancelled"):
        if self._pending is not None:
            self._end_pick(None, self.run.model.cancel_pick(reason))

    def _caller_owner(self, owner):
        if not owner:
            self.cancel_pick("Point selection cancelled: the caller left")

    def _end_pick(self, answer, failure=None):
        pending, self._pending = self._pending, None
        self._restart_idle()
        if answer is not None:
            self._reply(pending.message, values.to_dbus(answer[0]))
        elif failure is not None:
            self._answer(pending.message, failure)
        pending.watch.cancel()
        if self.picks is not None:
            try:
                self.picks.stop()
            except Exception as fault:  # the view may be gone; the pick is answered anyway
                App.Console.PrintLog("Quorvel: %s\n" % fault)
