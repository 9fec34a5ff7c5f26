"""Reads what quorvel-export wrote with readers independent of it and prints what a test checks.

dxf FILE: the ezdxf audit's errors and fixes, each block followed by its entities (kind, layer,
coordinates rounded to 1e-9, indented) and its attribute definitions (tag, default value, "hidden"
when invisible), and each insert of model space followed by its attributes (tag, value) and its
extended data of QUORVEL (its values), one item a line.
librecad FILE: the DXF printed to PDF by LibreCAD: each stroke colour (r g b) with the number of
straight segments drawn in it, then the colours of the slanted segments (a stud's chamfer edges,
which only its outline has).
freecad FILE: the DXF imported by FreeCAD: what its importer complains of, then the number of
edges imported.
csv FILE: the index read by Python's csv module, one row a line, fields joined by " | ".
calc FILE: the index opened by LibreOffice Calc and saved again as UTF-8 CSV."""
import csv as csv_module
import os
import re
import subprocess
import sys
import tempfile
import zlib

# ezdxf 0.18 loses the owner of a POLYLINE's SEQEND in a block definition of an R12 file and
# "fixes" it on audit; its own R12 files with a polyline in a block get the same fix.
READER_DEFECT = "entity with invalid owner handle #None."


def point(vertex):
    return "%s,%s" % (round(vertex[0], 9), round(vertex[1], 9))


def dxf(path):
    import ezdxf

    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    fixes = [f for f in auditor.fixes
             if not (f.message.startswith("Deleted SEQEND") and f.message.endswith(READER_DEFECT))]
    print("audit errors %d fixes %d" % (len(auditor.errors), len(fixes)))
    for problem in auditor.errors + fixes:
        print("  problem", problem.message)
    for block in doc.blocks:
        if block.name.startswith("*"):
            continue
        print("block %s" % block.name)
        for entity in block:
            if entity.dxftype() == "POLYLINE":
                print("  polyline %s %s %s" % (
                    entity.dxf.layer, "closed" if entity.is_closed else "open",
                    " ".join(point(v.dxf.location) for v in entity.vertices)))
            elif entity.dxftype() == "LINE":
                print("  line %s %s %s" % (entity.dxf.layer, point(entity.dxf.start),
                                           point(entity.dxf.end)))
            elif entity.dxftype() == "ATTDEF":
                print("  attdef %s %s%s" % (entity.dxf.tag, entity.dxf.text,
                                            " hidden" if entity.is_invisible else ""))
            else:
                print("  other", entity.dxftype())
    for entity in doc.modelspace():
        if entity.dxftype() == "INSERT":
            print("insert %s %s" % (entity.dxf.name, point(entity.dxf.insert)))
            for attrib in entity.attribs:
                print("  attrib %s %s" % (attrib.dxf.tag, attrib.dxf.text))
            if entity.has_xdata("QUORVEL"):
                print("  xdata QUORVEL %s" % " ".join(
                    str(value) for _, value in entity.get_xdata("QUORVEL")))
        else:
            print("other", entity.dxftype())


def home_in(folder):
    """The environment with a home folder of its own: the programs keep their settings there, not
    in the user's."""
    return dict(os.environ, HOME=folder, XDG_CONFIG_HOME=folder + "/config",
                XDG_DATA_HOME=folder + "/data", XDG_CACHE_HOME=folder + "/cache")


def librecad(path):
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["xvfb-run", "-a", "librecad", "dxf2pdf", "-a", "-t", folder, path],
                       env=home_in(folder), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)
        name = os.path.splitext(os.path.basename(path))[0] + ".pdf"
        with open(os.path.join(folder, name), "rb") as pdf:
            data = pdf.read()
    counts = {}
    slanted = set()
    colour = None
    for stream in re.findall(rb"stream\r?\n(.*?)\r?\nendstream", data, re.S):
        try:
            text = zlib.decompress(stream).decode("latin-1")
        except zlib.error:
            continue
        # Qt's PDF writer strokes each segment as "x0 y0 m x1 y1 l S" after "r g b SCN".
        for match in re.finditer(r"([\d.]+ [\d.]+ [\d.]+) SCN|(\S+) (\S+) m\s+(\S+) (\S+) l\s+S",
                                 text):
            if match.group(1):
                colour = match.group(1)
                continue
            counts[colour] = counts.get(colour, 0) + 1
            x0, y0, x1, y1 = (float(match.group(i)) for i in range(2, 6))
            if x0 != x1 and y0 != y1:
                slanted.add(colour)
    for colour, count in sorted(counts.items()):
        print("colour %s segments %d" % (colour, count))
    for colour in sorted(slanted):
        print("slanted %s" % colour)


FREECAD_IMPORT = """
import os, FreeCAD, Import
document = FreeCAD.newDocument("read")
Import.readDXF(os.environ["QUORVEL_DXF"], document.Name)
print("edges %d" % sum(len(o.Shape.Edges) for o in document.Objects if hasattr(o, "Shape")))
"""


def freecad(path):
    with tempfile.TemporaryDirectory() as folder:
        run = subprocess.run(["freecadcmd", "-c", FREECAD_IMPORT],
                             env=dict(home_in(folder), QUORVEL_DXF=path), capture_output=True,
                             text=True, errors="replace", timeout=300, check=True)
    for line in run.stdout.splitlines() + run.stderr.splitlines():
        if "DxfRead" in line or "Failed" in line or line.startswith("edges "):
            print(line.strip())


def csv(path):
    with open(path, newline="", encoding="utf-8-sig") as index:
        for row in csv_module.reader(index):
            print(" | ".join(row))


def calc(path):
    with tempfile.TemporaryDirectory() as folder:
        # A profile of its own, so that a running office or a locked profile does not interfere.
        subprocess.run(["soffice", "-env:UserInstallation=file://" + folder + "/profile",
                        "--headless", "--infilter=CSV:44,34,76",
                        "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76",
                        "--outdir", folder + "/out", path],
                       env=home_in(folder), check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        with open(os.path.join(folder, "out", os.path.basename(path)), "rb") as saved:
            sys.stdout.write(saved.read().decode("utf-8"))


if __name__ == "__main__":
    {"dxf": dxf, "librecad": librecad, "freecad": freecad, "csv": csv,
     "calc": calc}[sys.argv[1]](sys.argv[2])
