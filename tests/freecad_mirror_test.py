# The FreeCAD add-on's drawings inside freecadcmd, without the bus: object-model calls as the
# program makes them, each run shown in the document in one pass and one undo step, and the user's
# undo, redo and deletions taken back into the drawing, so that its files and picks follow what the
# document shows. Run as: freecadcmd -P <module dir> -P host/freecad tests/freecad_mirror_test.py
import math
import os
import sys
import tempfile
import traceback
import unittest

import FreeCAD as App
import Part

import ezdxf
import quorvel_model
from quorvel_freecad.session import TRANSACTION, Drawing


def call(model, path, member, kind, *args):
    status, value, error_name, error_text, _ = model.invoke(path, member, kind, list(args))
    if status != "done":
        raise AssertionError("%s %s: %s %s" % (path, member, error_name, error_text))
    return value


def use_layer(model, name, color):
    layer = call(model, "/Layers", "Add", 1, name)
    call(model, layer[1], "color", 4, color)
    call(model, "/Document", "ActiveLayer", 4, layer)


def loose_stud(model, x):
    """The side view of an M12x100 stud at (x, 0) as command texts: outline, thread, axis."""
    use_layer(model, "2", 6)
    call(model, "/Document", "SendCommand", 1,
         "_PLINE\r%g,-6\r%g,-6\r%g,6\r%g,6\rCL\r" % (x, x + 100, x + 100, x))
    call(model, "/Document", "SendCommand", 1, "_CHAMFER\rD\r1.6\r1.6\rP\rLAST\r")
    use_layer(model, "1", 2)
    call(model, "/Document", "SendCommand", 1, "_LINE\r%g,4.4\r%g,4.4\r\r" % (x, x + 30))
    use_layer(model, "7", 5)
    call(model, "/Document", "SendCommand", 1, "_LINE\r%g,0\r%g,0\r\r" % (x - 1.6, x + 101.6))


def solid(model, x):
    """A revolved solid (radius 6, length 100) made as the program makes it, helpers deleted."""
    outline = call(model, "/ModelSpace", "AddLightWeightPolyline", 1,
                   ("ad", [x, 0, x + 100, 0, x + 100, 6, x, 6]))
    call(model, outline[1], "Closed", 4, True)
    regions = call(model, "/ModelSpace", "AddRegion", 1, ("ao", [outline[1]]))
    made = call(model, "/ModelSpace", "AddRevolvedSolid", 1, ("o", regions[1][0]),
                ("ad", [x, 0, 0]), ("ad", [1, 0, 0]), 6.283185307179586)
    call(model, regions[1][0], "Delete", 1)
    call(model, outline[1], "Delete", 1)
    return made


def block_reference(model, name, x, values):
    """A block (defined once) with one line and a NAME attribute, placed at (x, 20) with
    extended data."""
    use_layer(model, "2", 6)
    status = model.invoke("/Blocks", "Item", 1, [name])[0]
    if status != "done":
        block = call(model, "/Blocks", "Add", 1, ("ad", [0, 0, 0]), name)
        call(model, block[1], "AddLine", 1, ("ad", [0, 0, 0]), ("ad", [50, 0, 0]))
        call(model, block[1], "AddAttribute", 1, 2.5, 1, "Name", ("ad", [0, 0, 0]), "NAME", "")
    reference = call(model, "/ModelSpace", "InsertBlock", 1, ("ad", [x, 20, 0]), name, 1.0, 1.0,
                     1.0, 0.0)
    attribute = call(model, reference[1], "GetAttributes", 1)[1][0]
    call(model, attribute, "TextString", 4, values)
    call(model, "/RegisteredApplications", "Add", 1, "QUORVEL")
    call(model, reference[1], "SetXData", 1, ("av", [1001, 1000, 1040]),
         ("av", ["QUORVEL", "22032-76", 12.5]))
    return reference


def text(model, string, x, y, rotation):
    """A text of height 3.5 on layer "2" at (x, y), turned by rotation (radians)."""
    use_layer(model, "2", 6)
    made = call(model, "/ModelSpace", "AddText", 1, string, ("ad", [x, y, 0]), 3.5)
    call(model, made[1], "Rotation", 4, rotation)
    return made


class MirrorTest(unittest.TestCase):
    def setUp(self):
        self.document = App.newDocument("Mirror")
        self.document.UndoMode = 1
        self.drawing = Drawing(quorvel_model.Model, self.document)
        self.model = self.drawing.model
        self.folder = tempfile.mkdtemp()

    def tearDown(self):
        App.closeDocument(self.document.Name)

    def run_program(self, draw, *args):
        """One program run: what the user did since is taken in, the run's calls, its pass."""
        self.drawing.begin_run()
        result = draw(self.model, *args)
        self.drawing.end_run()
        return result

    def ours(self, type_id=None):
        return [o for o in self.document.Objects
                if getattr(o, "QuorvelSession", None) == self.drawing.mirror.session
                and (type_id is None or o.TypeId == type_id)]

    def layer_named(self, name):
        return [o for o in self.ours() if getattr(o, "LayerName", None) == name
                and o.QuorvelKey.startswith("L")][0]

    def dxf_lines(self):
        file = os.path.join(self.folder, "drawing.dxf")
        self.assertTrue(self.model.save_dxf(file))
        return sorted((e.dxf.layer, e.dxftype()) for e in ezdxf.readfile(file).modelspace())

    def test_a_run_is_one_pass_and_one_undo_step_and_leaves_other_objects_alone(self):
        box = self.document.addObject("Part::Feature", "UsersBox")
        box.Shape = Part.makeBox(1, 1, 1)
        box.Label = "7"  # not to be counted up to "8" by the layer of that name
        self.run_program(loose_stud, 0)
        self.assertEqual(self.document.UndoNames, [TRANSACTION])
        self.assertEqual(self.drawing.passes, 1)
        wires = self.ours("Part::Part2DObjectPython")
        self.assertEqual(sorted((o.Name.rstrip("0123456789"), o.Closed, len(o.Points))
                                for o in wires),
                         [("Line", False, 2)] * 2 + [("Wire", True, 8)])
        # Each entity in its layer, each layer with its colour index.
        members = {o.Label: sorted(m.LayerName for m in o.Group)
                   for o in self.ours("App::FeaturePython")}
        # The drawing's first layer "0", with nothing on it, is not shown.
        self.assertEqual(members, {"1": ["1"], "2": ["2"], "7 (layer)": ["7"]})
        self.assertEqual({o.Label: o.ColorIndex for o in self.ours("App::FeaturePython")},
                         {"1": 2, "2": 6, "7 (layer)": 5})
        self.assertEqual(box.Label, "7")
        self.assertAlmostEqual(box.Shape.Volume, 1)  # the user's object as it was
        # A run that changes nothing makes no step and no pass.
        self.run_program(lambda model: call(model, "/Document", "GetVariable", 1, "OSMODE"))
        self.assertEqual((len(self.document.UndoNames), self.drawing.passes), (1, 1))

    def test_undo_and_redo_take_a_stud_out_of_the_drawing_and_back(self):
        self.run_program(loose_stud, 0)
        self.run_program(loose_stud, 200)
        both = self.dxf_lines()
        self.document.undo()
        self.drawing.begin_run()  # as the next call of the program does
        one = self.dxf_lines()
        self.assertEqual(len(one) * 2, len(both))
        self.document.redo()
        withdrawn, reinstated = self.drawing.begin_run()
        self.assertEqual((len(withdrawn), len(reinstated)), (0, 3))
        self.assertEqual(self.dxf_lines(), both)
        self.drawing.end_run()  # nothing to show: the objects are the redone ones
        self.assertEqual(len(self.ours("Part::Part2DObjectPython")), 6)

    def test_an_undone_edit_gives_the_replaced_reference_back(self):
        first = self.run_program(block_reference, "STUD", 0, "M12x100")

        def replace(model):
            call(model, first[1], "Delete", 1)
            return block_reference(model, "STUD", 0, "M12x120")

        self.run_program(replace)
        self.assertEqual([o.Attributes for o in self.ours("App::Link")], [{"NAME": "M12x120"}])
        self.document.undo()
        self.drawing.begin_run()
        self.drawing.end_run()
        links = self.ours("App::Link")
        self.assertEqual([o.Attributes for o in links], [{"NAME": "M12x100"}])
        # The drawing serves the reference the document shows again.
        self.assertEqual(call(self.model, first[1], "Name", 3), "STUD")

    def test_a_deleted_object_leaves_the_drawing(self):
        self.run_program(loose_stud, 0)
        axis = [o for o in self.ours("Part::Part2DObjectPython") if o.LayerName == "7"][0]
        self.document.removeObject(axis.Name)
        withdrawn, _ = self.drawing.begin_run()
        self.assertEqual(len(withdrawn), 1)
        self.assertNotIn(("7", "LINE"), self.dxf_lines())

    def test_solids_blocks_and_references_with_their_data(self):
        self.run_program(solid, 0)
        self.run_program(block_reference, "STUD", 300, "M12x100")
        self.run_program(block_reference, "STUD", 400, "M16x100")
        # Labels FreeCAD keeps unique without counting up the names' digits.
        self.assertEqual(sorted(o.Label for o in self.ours() if o.TypeId not in (
            "App::FeaturePython", "Part::Part2DObjectPython")),
                         ["STUD (block)", "STUD (reference)", "STUD (reference)001",
                          "Solid 3 (solid)"])
        solids = self.ours("Part::Feature")
        self.assertEqual(len(solids), 1)  # the polyline and region were deleted in the run
        self.assertAlmostEqual(solids[0].Shape.Volume, 3.141592653589793 * 36 * 100, places=6)
        (block,) = self.ours("App::Part")
        self.assertFalse(block.Visibility)
        self.assertEqual((block.BlockName, block.AttributeDefinitions), ("STUD", ["NAME="]))
        self.assertEqual([o.LayerName for o in block.Group if hasattr(o, "QuorvelKey")], ["2"])
        links = self.ours("App::Link")
        self.assertEqual([(o.LinkedObject, o.Placement.Base.x, o.Attributes["NAME"],
                           o.ExtendedData) for o in links],
                         [(block, 300, "M12x100", ["1001=QUORVEL", "1000=22032-76", "1040=12.5"]),
                          (block, 400, "M16x100", ["1001=QUORVEL", "1000=22032-76", "1040=12.5"])])
        self.assertEqual(self.layer_named("2").Group, links)

    def test_a_text_is_shown_on_its_layer_as_drawn_and_leaves_with_its_entity(self):
        made = self.run_program(text, "Шпилька М8×40", 5, 7, math.pi / 2)
        self.run_program(text, "Поз.", 0, 0, 0.0)
        shown = lambda: {o.Text[0]: o for o in self.ours("App::FeaturePython") if hasattr(o, "Text")}
        turned = shown()["Шпилька М8×40"]
        rotation = turned.Placement.Rotation
        self.assertEqual((tuple(turned.Placement.Base), turned.TextHeight.Value, turned.LayerName),
                         ((5, 7, 0), 3.5, "2"))
        self.assertAlmostEqual(rotation.Angle * rotation.Axis.z, math.pi / 2)
        self.assertEqual(sorted(o.Label for o in self.layer_named("2").Group),
                         ["Поз. (text)", "Шпилька М8×40 (text)"])
        # A new height is shown; a delete (as a failed run's clean-up makes it) takes the text
        # out of the document, and an undo of it brings it back into the drawing's DXF.
        self.run_program(lambda model: call(model, made[1], "Height", 4, 5.0))
        self.assertEqual(shown()["Шпилька М8×40"].TextHeight.Value, 5.0)
        self.run_program(lambda model: call(model, made[1], "Delete", 1))
        self.assertEqual(list(shown()), ["Поз."])
        self.document.undo()
        self.drawing.begin_run()
        self.assertEqual(self.dxf_lines(), [("2", "TEXT")] * 2)

    def test_the_drawing_is_named_by_the_documents_file(self):
        name = lambda: tuple(call(self.model, "/Document", member, 2) for member in ("Name", "Path"))
        self.drawing.begin_run()
        self.assertEqual(name(), ("Drawing1.dwg", ""))  # not saved yet
        folder = os.path.join(self.folder, "Чертежи")
        os.mkdir(folder)
        self.document.saveAs(os.path.join(folder, "план.FCStd"))
        self.drawing.begin_run()
        self.assertEqual(name(), ("план.FCStd", folder))

    def test_a_second_drawing_of_the_document_shares_its_layers(self):
        self.run_program(loose_stud, 0)
        layers = len(self.ours("App::FeaturePython"))
        second = Drawing(quorvel_model.Model, self.document)
        second.begin_run()
        loose_stud(second.model, 200)
        second.end_run()
        all_layers = [o for o in self.document.Objects if o.TypeId == "App::FeaturePython"]
        self.assertEqual(len(all_layers), layers)
        self.assertEqual(len([o for o in all_layers if o.Label == "2"][0].Group), 2)

    def test_a_saved_document_is_read_back_as_the_drawing_it_shows(self):
        box = self.document.addObject("Part::Feature", "UsersBox")
        box.Shape = Part.makeBox(1, 1, 1)
        self.run_program(loose_stud, 0)
        self.run_program(solid, 0)
        self.run_program(block_reference, "STUD", 300, "M12x100")
        self.run_program(text, "Шпилька М8×40", 5, 7, math.pi / 2)
        dxf = self.dxf_lines()
        file = os.path.join(self.folder, "drawing.FCStd")
        self.document.saveAs(file)
        App.closeDocument(self.document.Name)

        def reopened():
            self.document = App.openDocument(file)
            self.drawing = Drawing(quorvel_model.Model, self.document)
            self.model = self.drawing.model
            return self.drawing.read_back()

        # Every object read back, under its keys and digests: the next pass changes nothing.
        names = lambda: sorted(o.Name for o in self.document.Objects)
        self.assertEqual(reopened(), 0)
        made = names()
        self.assertEqual(self.drawing.mirror.plan(self.model.records()), ([], [], []))
        self.assertEqual(self.dxf_lines(), dxf)
        self.assertEqual(call(self.model, "/ModelSpace", "Count", 2), 6)
        # A second reference of the block takes its definition, and an undo takes it back.
        self.document.UndoMode = 1
        self.run_program(block_reference, "STUD", 400, "M16x100")
        self.assertEqual((len(self.ours("App::Part")), len(self.ours("App::Link"))), (1, 2))
        self.assertEqual(names(), sorted(made + [self.ours("App::Link")[1].Name]))
        self.document.undo()
        self.drawing.begin_run()
        self.assertEqual(self.dxf_lines(), dxf)

        # An object changed beyond reading stays, the user's, and the rest is the drawing.
        self.document.getObject("UsersBox").Shape = Part.makeBox(2, 2, 2)
        wire = [o for o in self.document.Objects
                if o.TypeId == "Part::Part2DObjectPython" and o.LayerName == "7"][0]
        wire.Points, left = wire.Points[:1], wire.Name
        self.document.save()
        App.closeDocument(self.document.Name)
        self.assertEqual(reopened(), 1)
        self.run_program(loose_stud, 200)
        self.assertIn(left, names())
        self.assertAlmostEqual(self.document.getObject("UsersBox").Shape.Volume, 8)

    def test_a_layers_new_colour_is_shown_on_the_same_layer(self):
        self.run_program(loose_stud, 0)
        layer = self.layer_named("2")
        self.run_program(use_layer, "2", 3)
        self.assertEqual((self.layer_named("2"), layer.ColorIndex, len(layer.Group)), (layer, 3, 1))


def main():
    result = unittest.TextTestRunner(stream=sys.stdout, verbosity=2).run(
        unittest.defaultTestLoader.loadTestsFromTestCase(MirrorTest))
    sys.stdout.flush()
    return 0 if result.wasSuccessful() else 1


try:
    status = main()
except Exception:
    traceback.print_exc()
    status = 1
sys.exit(status)
