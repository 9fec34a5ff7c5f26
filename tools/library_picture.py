#!/usr/bin/env python3
"""Draws a window of a parts-library DXF written by quorvel-export as a PNG, for the README.

Reads the DXF with ezdxf, expands every block insert of model space into its lines and polylines,
keeps those inside the window and draws them in their layers' colours on a dark ground through
ImageMagick's own vector format (no SVG or plotting library needed).

Usage: library_picture.py LIBRARY.dxf OUT.png X0 Y0 X1 Y1 [WIDTH_PX]
"""
import subprocess
import sys
import tempfile

import ezdxf

# AutoCAD colour index 1..7 as CAD programs show them on a dark ground.
ACI = {1: "#ff0000", 2: "#ffff00", 3: "#00ff00", 4: "#00ffff", 5: "#4060ff", 6: "#ff00ff",
       7: "#ffffff"}


def segments(entity):
    if entity.dxftype() == "LINE":
        yield entity.dxf.start, entity.dxf.end
    elif entity.dxftype() == "POLYLINE":
        points = [v.dxf.location for v in entity.vertices]
        if entity.is_closed:
            points.append(points[0])
        yield from zip(points, points[1:])


def main(dxf_file, png_file, x0, y0, x1, y1, width=1600):
    doc = ezdxf.readfile(dxf_file)
    colours = {layer.dxf.name: ACI.get(abs(layer.dxf.color), "#ffffff") for layer in doc.layers}
    scale = width / (x1 - x0)
    height = round((y1 - y0) * scale)
    lines = ["viewbox 0 0 %d %d" % (width, height), "fill '#1e1e1e'",
             "rectangle 0,0 %d,%d" % (width, height), "fill none", "stroke-width 1.2"]
    for insert in doc.modelspace().query("INSERT"):
        for entity in insert.virtual_entities():
            for start, end in segments(entity):
                if not all(x0 <= p[0] <= x1 and y0 <= p[1] <= y1 for p in (start, end)):
                    continue
                lines.append("stroke '%s' line %.2f,%.2f %.2f,%.2f" % (
                    colours.get(entity.dxf.layer, "#ffffff"),
                    (start[0] - x0) * scale, (y1 - start[1]) * scale,
                    (end[0] - x0) * scale, (y1 - end[1]) * scale))
    with tempfile.NamedTemporaryFile("w", suffix=".mvg") as mvg:
        mvg.write("\n".join(lines) + "\n")
        mvg.flush()
        subprocess.run(["convert", "mvg:" + mvg.name, "-depth", "8", png_file], check=True)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], *map(float, sys.argv[3:7]),
         *(int(a) for a in sys.argv[7:8]))
