"""Opens a parts list CSV in LibreOffice Calc headless as a spreadsheet set to Russian opens it
(fields parted by ";", UTF-8, the language Russian: decimal comma), saves it as a workbook and
prints what Calc made of each cell, a row a line, cells joined by " | ": "n:<number>" for a
number, "s:<text>" for a text, "" for an empty cell."""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as tree
import zipfile

SHEET = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"


def column(reference):
    letters = re.match(r"[A-Z]+", reference).group(0)
    number = 0
    for letter in letters:
        number = number * 26 + ord(letter) - ord("A") + 1
    return number - 1


def main(path):
    with tempfile.TemporaryDirectory() as folder:
        # A profile of its own, so that a running office or a locked profile does not interfere.
        subprocess.run(["soffice", "-env:UserInstallation=file://" + folder + "/profile",
                        "--headless", "--infilter=CSV:59,34,76,1,,1049", "--convert-to", "xlsx",
                        "--outdir", folder + "/out", path],
                       env=dict(os.environ, HOME=folder), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
        name = os.path.splitext(os.path.basename(path))[0] + ".xlsx"
        with zipfile.ZipFile(os.path.join(folder, "out", name)) as book:
            strings = [("".join(t.text or "" for t in item.iter(SHEET + "t")))
                       for item in tree.fromstring(book.read("xl/sharedStrings.xml"))]
            sheet = tree.fromstring(book.read("xl/worksheets/sheet1.xml"))
    for row in sheet.iter(SHEET + "row"):
        cells = []
        for cell in row.iter(SHEET + "c"):
            at = column(cell.get("r"))
            cells += [""] * (at - len(cells))
            value = cell.find(SHEET + "v").text
            cells.append("s:" + strings[int(value)] if cell.get("t") == "s" else "n:" + value)
        print(" | ".join(cells))


if __name__ == "__main__":
    main(sys.argv[1])
