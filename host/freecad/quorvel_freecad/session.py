"""The drawings the host serves: one per FreeCAD document the program has drawn into.

A program run draws into the document that is active when it starts (a new one when none is
open). Each document has a drawing of its own (the object model's module) and its mirror, read
back from the document's objects when it holds some from an earlier session; a closed document's
drawing is dropped. The run's changes reach the document in one pass when the
run ends: one recompute, one redraw and one undo step per run.
"""

import time
import uuid

import FreeCAD as App

from . import restore
from .mirror import DocumentMirror

# The undo step of a program run, as the Edit menu names it.
TRANSACTION = "Quorvel"


class Drawing:
    """One document's drawing, its object model and its mirror."""

    def __init__(self, model_class, document):
        self.document = document
        self.model = model_class()
        self.mirror = DocumentMirror(document, uuid.uuid4().hex)
        self.passes = 0  # passes that changed the document
        self.pass_seconds = 0.0  # the time they took

    def read_back(self):
        """Reads the drawing back from the objects of an earlier session in the document; the
        number of objects left to the user (not read back)."""
        if not restore.holds_drawing(self.document):
            return 0
        try:
            self.mirror.session, left = restore.restore(self.model, self.document)
        except Exception as failure:  # the document's objects stay as they are, the user's
            App.Console.PrintError("Quorvel: the drawing of %s could not be read back: %s\n"
                                   % (self.document.Label, failure))
            return 0
        self.model.set_mirrored(self.mirror.present_keys())
        if left:
            App.Console.PrintWarning("Quorvel: %d objects of %s could not be read back into the "
                                     "drawing; they are left as they are\n"
                                     % (left, self.document.Label))
        return left

    def begin_run(self):
        """Takes into the drawing what the user did to its objects since the last pass: what an
        undo or a deletion took away leaves the drawing, what a redo brought back returns. The
        drawing is named by the document's file as it is now (saved or renamed since)."""
        self.model.set_document_file(self.document.FileName)
        return self.model.reconcile(self.mirror.present_keys())

    def end_run(self):
        """Shows the run's changes: one transaction, one recompute. The number of objects
        changed."""
        records = self.model.records()
        remove, create, update = self.mirror.plan(records)
        changed = 0
        if remove or create or update:
            started = time.monotonic()
            self.document.openTransaction(TRANSACTION)
            try:
                changed = self.mirror.apply(self.model, records)
            finally:
                self.document.commitTransaction()
            self.passes += 1
            self.pass_seconds += time.monotonic() - started
        self.model.set_mirrored(self.mirror.present_keys())
        return changed

    def alive(self):
        return self.document in App.listDocuments().values()


class Drawings:
    """The drawings by document; options for tests and scripts go to the first one made."""

    def __init__(self, model_class, first_model_setup=None):
        self._model_class = model_class
        self._setup = first_model_setup
        self._drawings = []

    def for_active_document(self):
        return self._for(App.ActiveDocument or App.newDocument())

    def _for(self, document):
        self._drawings = [drawing for drawing in self._drawings if drawing.alive()]
        for drawing in self._drawings:
            if drawing.document == document:
                return drawing
        drawing = Drawing(self._model_class, document)
        drawing.read_back()
        if self._setup is not None:
            self._setup(drawing.model)
            self._setup = None
        self._drawings.append(drawing)
        return drawing

    def all(self):
        return list(self._drawings)

    def current(self):
        """The drawing of the active document, if the program has drawn into it (in this session
        or an earlier one)."""
        for drawing in self._drawings:
            if drawing.alive() and drawing.document == App.ActiveDocument:
                return drawing
        if App.ActiveDocument is not None and restore.holds_drawing(App.ActiveDocument):
            return self._for(App.ActiveDocument)
        return None
