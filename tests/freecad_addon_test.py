# The FreeCAD add-on's parts that need no FreeCAD, on the system's Python: the automation values
# between dbus-python and the object model's module (checked on a real D-Bus message, as the wire
# carries them), the layer colours and the entry's command line.
import unittest

import dbus
import dbus.lowlevel

from quorvel_freecad import colors, options, values


def on_the_wire(value):
    """The value as a caller reads it back from a reply's variant."""
    message = dbus.lowlevel.SignalMessage("/a", "org.quorvel.Test", "Reply")
    message.append(value, signature="v")
    return message.get_args_list()[0]


class ArgumentsTest(unittest.TestCase):
    def test_each_bus_type_reaches_the_model_as_the_stand_in_takes_it(self):
        path = dbus.ObjectPath("/Entities/3")
        rows = [
            (dbus.Boolean(True), True),  # a bool, not the integer it is in Python
            (dbus.Int32(-7), -7),
            (dbus.Int16(3), 3),
            (dbus.UInt64(2 ** 40), 2 ** 40),  # the module refuses what exceeds 32 bits
            (dbus.Double(1.5), 1.5),
            (dbus.String("Слой"), "Слой"),
            (path, ("o", "/Entities/3")),
            (dbus.Array([1.0, 2.0, 3.0], signature="d"), ("ad", [1.0, 2.0, 3.0])),
            (dbus.Array([], signature="d"), ("ad", [])),
            (dbus.Array([path], signature="o"), ("ao", ["/Entities/3"])),
            (dbus.Array([], signature="o"), ("ao", [])),
            (dbus.Array([1001, 1040], signature="n"), ("av", [1001, 1040])),
            (dbus.Array([], signature="v"), None),  # "empty": an argument left out
            (dbus.Array([path, path], signature="v"), ("ao", ["/Entities/3"] * 2)),
            (dbus.Array([dbus.String("QUORVEL"), dbus.Double(12.0), dbus.Int32(0)],
                        signature="v"), ("av", ["QUORVEL", 12.0, 0])),
            (dbus.Array([path, dbus.Double(1.5)], signature="v"),
             ("av", [("o", "/Entities/3"), 1.5])),  # mixed: the model refuses it as a curve
            (dbus.Array([b"x"], signature="y"), ("?", "<array>")),
        ]
        for given, expected in rows:
            with self.subTest(given=repr(given)):
                got = values.to_model(given)
                self.assertEqual(got, expected)
                self.assertIs(type(got), type(expected))

    def test_a_type_the_object_model_takes_nowhere_is_passed_on_as_such(self):
        self.assertEqual(values.to_model(dbus.Dictionary({"a": 1}, signature="si"))[0], "?")

    def test_results_travel_with_the_types_the_program_reads(self):
        rows = [
            (None, dbus.Array, "v", []),
            (True, dbus.Boolean, None, True),
            (4133, dbus.Int32, None, 4133),
            (1.6, dbus.Double, None, 1.6),
            ("0", dbus.String, None, "0"),
            (("o", "/Layers/1"), dbus.ObjectPath, None, "/Layers/1"),
            (("ad", [10.0, 20.0, 0.0]), dbus.Array, "d", [10.0, 20.0, 0.0]),
            (("ao", []), dbus.Array, "o", []),
            (("ao", ["/Entities/2"]), dbus.Array, "o", ["/Entities/2"]),
        ]
        for value, kind, signature, expected in rows:
            with self.subTest(value=value):
                read = on_the_wire(values.to_dbus(value))
                self.assertIsInstance(read, kind)
                if signature is not None:
                    self.assertEqual(read.signature, signature)
                self.assertEqual(read, expected)

    def test_mixed_arrays_hold_each_item_in_a_variant_of_its_type(self):
        # GetEntity's out values: an object and a point; GetXData's: two arrays.
        read = on_the_wire(values.to_dbus(("av", [("o", "/Entities/5"),
                                                  ("ad", [10.0, 20.0, 0.0])])))
        self.assertEqual(read.signature, "v")
        self.assertIsInstance(read[0], dbus.ObjectPath)
        self.assertEqual((read[1].signature, list(read[1])), ("d", [10.0, 20.0, 0.0]))
        data = on_the_wire(values.to_dbus(("av", [("av", [1001, 1040]),
                                                  ("av", ["QUORVEL", 12.0])])))
        self.assertEqual([[type(item) for item in array] for array in data],
                         [[dbus.Int32, dbus.Int32], [dbus.String, dbus.Double]])


class ColorsTest(unittest.TestCase):
    def test_colour_indices(self):
        rows = {1: (255, 0, 0), 2: (255, 255, 0), 5: (0, 0, 255), 6: (255, 0, 255),
                7: (0, 0, 0),  # white is drawn black on FreeCAD's light background
                10: (255, 0, 0), 11: (255, 127, 127), 13: (165, 82, 82), 30: (255, 127, 0),
                250: (51, 51, 51), 255: (255, 255, 255), 0: (0, 0, 0), 256: (0, 0, 0)}
        for index, rgb in rows.items():
            with self.subTest(index=index):
                self.assertEqual(tuple(round(c * 255) for c in colors.color_rgb(index)), rgb)


class OptionsTest(unittest.TestCase):
    def test_the_command_line(self):
        parsed = options.parse(["--points", "10,20;1.5,-2,0", "--repeat-points", "--save",
                                "a.FCStd", "--fail", "5:exception", "--fail", "7:unknown",
                                "--headless"])
        self.assertEqual((parsed.points, parsed.repeat_points, parsed.save, parsed.fail,
                          parsed.gui), ([(10.0, 20.0), (1.5, -2.0)], True, "a.FCStd",
                                        [(5, "exception"), (7, "unknown")], False))
        rows = [(["--points", "1"], "--points takes x,y;x,y"),
                (["--points", "1,2,3,4"], "--points takes x,y;x,y"),
                (["--points", "a,b"], "--points takes x,y;x,y"),
                (["--fail", "0:exception"], "--fail takes N:exception|syserror|unknown"),
                (["--fail", "3:crash"], "--fail takes N:exception|syserror|unknown"),
                (["--bogus"], "unrecognized arguments: --bogus")]
        for argv, message in rows:
            with self.subTest(argv=argv):
                with self.assertRaises(options.OptionError) as raised:
                    options.parse(argv)
                self.assertEqual(str(raised.exception), message)


if __name__ == "__main__":
    unittest.main()
