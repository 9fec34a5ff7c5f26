"""The drawing's files from FreeCAD: the document as FreeCAD saves it, the drawing as DXF and its
solids as STEP through the project's own writers (FreeCAD's DXF export puts every object on a
layer of its own name and loses the drawing's layers), so that readers see the same files as
from the stand-in host."""

import os


class SaveError(Exception):
    """A file that could not be written; the text says which and why."""


def save_dxf(drawing, file):
    if not drawing.model.save_dxf(file):
        raise SaveError("cannot write %s" % file)


def save_step(drawing, file):
    """Raises SaveError, also when there is no solid to save."""
    import quorvel_model

    try:
        drawing.model.save_step(file)
    except quorvel_model.StepSaveError as failure:
        raise SaveError("STEP %s not written: %s" % (file, failure)) from None


def has_solids(drawing):
    return any(record["kind"] == "solid" for record in drawing.model.records())


def save_document(document, file):
    try:
        document.saveAs(file)
    except Exception as failure:
        raise SaveError("cannot save %s: %s" % (file, failure)) from None


def save_beside(drawing, file):
    """The document to file (FILE.FCStd) and beside it FILE.dxf and, when the drawing has a
    solid, FILE.step. The problems, each a line; notes go to notes."""
    problems, notes = [], []
    base = os.path.splitext(file)[0]
    for save in (lambda: save_document(drawing.document, file),
                 lambda: save_dxf(drawing, base + ".dxf")):
        try:
            save()
        except SaveError as failure:
            problems.append(str(failure))
    if has_solids(drawing):
        try:
            save_step(drawing, base + ".step")
        except SaveError as failure:
            problems.append(str(failure))
    else:
        notes.append("no STEP beside %s: the drawing has no solid" % file)
    return problems, notes
