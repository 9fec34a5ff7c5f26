"""The command line of the host started by scripts/freecad-host.sh, a superset of the stand-in
host's, so that the project's end-to-end tests run against either:
  --points "x,y[,z];..."  scripted answers to picks, taken before any click
  --repeat-points         take the scripted points in a cycle
  --open FILE.FCStd       open that document first: the program draws into it (the drawing is
                          read back from the objects an earlier session made)
  --save FILE.FCStd       on SIGTERM or SIGINT save the document there, with FILE.dxf and (when
                          the drawing has a solid) FILE.step beside it
  --gui                   FreeCAD's window (picks by clicks in the 3D view); else headless, where
                          a pick with no scripted point left is refused
  --headless              accepted for the stand-in's sake: headless is the default
  --log FILE              the call log: one line per call
  --fail N:KIND           fail the N-th call (exception, syserror or unknown); may be given again
                          for other calls
  --dxf FILE, --step FILE the drawing's DXF, its solids' STEP, written at exit
  --name CLASS            the class name (bus name) to serve; default: the settings file's
                          [CAD] Application, else AutoCAD.Application
  --settings FILE         the program's settings file (quorvel.ini) to take the class name from
  --stats FILE            one line per program run: passes that changed the document and, with
                          the GUI, frames drawn
"""

import argparse

PROGRAM = "freecad-host"


class OptionError(Exception):
    pass


class _Parser(argparse.ArgumentParser):
    def error(self, message):
        raise OptionError(message)


def parse_points(text):
    """[(x, y)] of "x,y;x,y,z"; raises OptionError on anything else."""
    points = []
    for part in filter(None, (p.strip() for p in text.split(";"))):
        numbers = part.split(",")
        try:
            if len(numbers) not in (2, 3):
                raise ValueError(part)
            values = [float(n) for n in numbers]
        except ValueError:
            raise OptionError("--points takes x,y;x,y") from None
        points.append((values[0], values[1]))
    return points


def parse_failure(text):
    index, _, kind = text.partition(":")
    if not index.isdigit() or int(index) < 1 or kind not in ("exception", "syserror", "unknown"):
        raise OptionError("--fail takes N:exception|syserror|unknown")
    return int(index), kind


def parse(argv):
    """The options; raises OptionError with the reason."""
    parser = _Parser(prog=PROGRAM, add_help=False)
    parser.add_argument("--points", default="")
    parser.add_argument("--repeat-points", action="store_true")
    parser.add_argument("--open")
    parser.add_argument("--save")
    parser.add_argument("--gui", action="store_true")
    parser.add_argument("--headless", action="store_true")
    parser.add_argument("--log")
    parser.add_argument("--fail", action="append", default=[])
    parser.add_argument("--dxf")
    parser.add_argument("--step")
    parser.add_argument("--name")
    parser.add_argument("--settings")
    parser.add_argument("--stats")
    options = parser.parse_args(argv)
    options.points = parse_points(options.points)
    options.fail = [parse_failure(text) for text in options.fail]
    return options
