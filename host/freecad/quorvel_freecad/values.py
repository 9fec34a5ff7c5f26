"""The automation protocol's values between D-Bus (dbus-python) and the object model's module.

The module takes plain values (None, bool, int, float, str) and tagged pairs where a type would be
lost: ("o", path) an object, ("ad", [float]) an array of doubles, ("ao", [path]) an array of
objects, ("av", [value]) an array of mixed values, ("?", text) a value the object model takes
nowhere. On the bus an empty "av" is "empty" (an optional argument left out), an "av" of object
paths only is an array of objects, an "an" (extended data's type codes) an array of integers.
"""

import dbus

_INTEGERS = (dbus.Byte, dbus.Int16, dbus.UInt16, dbus.Int32, dbus.UInt32, dbus.Int64,
             dbus.UInt64)


def _signature(array):
    return str(array.signature) if array.signature is not None else ""


def to_model(value):
    """One argument as the object model takes it."""
    if isinstance(value, dbus.Boolean):  # before the integers: it is one of them in Python
        return bool(value)
    if isinstance(value, _INTEGERS):
        return int(value)  # the module refuses what does not fit in 32 bits
    if isinstance(value, dbus.Double):
        return float(value)
    if isinstance(value, dbus.ObjectPath):
        return ("o", str(value))
    if isinstance(value, dbus.String):
        return str(value)
    if isinstance(value, dbus.Array):
        signature = _signature(value)
        if signature == "d":
            return ("ad", [float(item) for item in value])
        if signature == "o":
            return ("ao", [str(item) for item in value])
        if signature == "n":
            return ("av", [int(item) for item in value])
        if signature == "v":
            if len(value) == 0:
                return None
            if all(isinstance(item, dbus.ObjectPath) for item in value):
                return ("ao", [str(item) for item in value])
            # The module refuses an item it cannot hold (an array of objects, an unknown type).
            return ("av", [to_model(item) for item in value])
        return ("?", "<array>")
    return ("?", str(value))


def to_dbus(value):
    """A result of the object model as the reply's variant carries it."""
    if value is None:
        return dbus.Array([], signature="v")  # "empty"
    if isinstance(value, bool):
        return dbus.Boolean(value)
    if isinstance(value, int):
        return dbus.Int32(value)
    if isinstance(value, float):
        return dbus.Double(value)
    if isinstance(value, str):
        return dbus.String(value)
    tag, payload = value
    if tag == "o":
        return dbus.ObjectPath(payload)
    if tag == "ad":
        return dbus.Array([dbus.Double(item) for item in payload], signature="d")
    if tag == "ao":
        return dbus.Array([dbus.ObjectPath(item) for item in payload], signature="o")
    if tag == "av":
        # Each item in a variant of its own, typed by what it is.
        return dbus.Array([to_dbus(item) for item in payload], signature="v")
    return dbus.Array([], signature="v")
