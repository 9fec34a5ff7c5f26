#!/usr/bin/env python3
"""Writes the dimension table files of data/ from the working tables below.

Usage: python3 tools/make_tables.py [folder]   (default: the data/ folder of this checkout)

The tables hold the values as the standards print them, not rules, wherever a printed table is
known. Every value names its source: a section of the project's stud reference ("ref 9.2") or
PROVISIONAL, a working assumption that a value read from a full copy of the standard may
overwrite. A table states the source of all its values once; a value wrapped in prov() or
Sourced() has the source written beside it instead.

To correct a value, change it here and run the script: it rewrites every file with the same
layout (Windows-1251, CR LF, fixed columns), which other programs and edited copies rely on.
"""
import sys
from fractions import Fraction as F
from pathlib import Path
from typing import NamedTuple, Optional

DATA = Path(__file__).resolve().parent.parent / "data"
BASE = "quorvel"
PROVISIONAL = "provisional"


class Sourced(NamedTuple):
    """A value whose source differs from the one its table states."""
    value: object
    source: str


def prov(value):
    return Sourced(value, PROVISIONAL)


def plain(cell):
    return cell.value if isinstance(cell, Sourced) else cell


# d, coarse pitch P, end chamfer c. Source: P ref 2 and 9.5; c ref 4 and 9.5 (chamfer by pitch,
# external thread).
DIAMETERS = [
    ("2", "0.4", "0.3"), ("2.5", "0.45", "0.3"), ("3", "0.5", "0.5"), ("4", "0.7", "0.5"),
    ("5", "0.8", "1"), ("6", "1", "1"), ("8", "1.25", "1.6"), ("10", "1.5", "1.6"),
    ("12", "1.75", "1.6"), ("14", "2", "2"), ("16", "2", "2"), ("18", "2.5", "2.5"),
    ("20", "2.5", "2.5"), ("22", "2.5", "2.5"), ("24", "3", "2.5"), ("27", "3", "2.5"),
    ("30", "3.5", "2.5"), ("36", "4", "3"), ("42", "4.5", "3"), ("48", "5", "4"),
]

# Screw-in end b1 per factor, one value per d in the order of DIAMETERS, stored as printed (the
# printed rows are rounded unevenly, so they are not computed from the factor).
B1 = {
    # ref 3 and 9.5: b1 = d by the definition of the 1d standards.
    "1": ["2", "2.5", "3", "4", "5", "6", "8", "10", "12", "14", "16", "18", "20", "22", "24",
          "27", "30", "36", "42", "48"],
    # PROVISIONAL (ref 3 and 8.6): handbook values, agree with DIN 939 except 8 against 7.5 at d 6.
    "1.25": [prov(v) for v in ("2.5", "3", "4", "5", "6", "8", "10", "12", "15", "18", "20", "22",
                               "25", "28", "30", "35", "38", "45", "52", "60")],
    # PROVISIONAL (ref 3 and 8.6): handbook values, least certain at d 8 and 27.
    "1.6": [prov(v) for v in ("3.2", "4", "5", "6.5", "8", "10", "14", "16", "20", "22", "25",
                              "28", "32", "35", "38", "42", "48", "56", "68", "76")],
    # ref 3 and 9.5: b1 = 2d by the definition of the 2d standards.
    "2": ["4", "5", "6", "8", "10", "12", "16", "20", "24", "28", "32", "36", "40", "44", "48",
          "54", "60", "72", "84", "96"],
    # ref 3 and 9.5: printed table of 22041-76 (88 at d 36 as printed, not 90).
    "2.5": ["5", "6", "7.5", "10", "12", "16", "20", "25", "30", "35", "40", "45", "50", "55",
            "60", "68", "75", "88", "105", "120"],
}

# index, number, first title line, second title line, screw-in factor (None: plain holes).
# Source: ref 1 and 8.2 (titles and classes).
STANDARDS = [
    (0, "22032-76", "Шпильки с ввинчиваемым концом длиной 1d", "Класс точности В", "1"),
    (1, "22033-76", "Шпильки с ввинчиваемым концом длиной 1d", "Класс точности А", "1"),
    (2, "22034-76", "Шпильки с ввинчиваемым концом длиной 1,25d", "Класс точности В", "1.25"),
    (3, "22035-76", "Шпильки с ввинчиваемым концом длиной 1,25d", "Класс точности А", "1.25"),
    (4, "22036-76", "Шпильки с ввинчиваемым концом длиной 1,6d", "Класс точности В", "1.6"),
    (5, "22037-76", "Шпильки с ввинчиваемым концом длиной 1,6d", "Класс точности А", "1.6"),
    (6, "22038-76", "Шпильки с ввинчиваемым концом длиной 2d", "Класс точности В", "2"),
    (7, "22039-76", "Шпильки с ввинчиваемым концом длиной 2d", "Класс точности А", "2"),
    (8, "22040-76", "Шпильки с ввинчиваемым концом длиной 2,5d", "Класс точности В", "2.5"),
    (9, "22041-76", "Шпильки с ввинчиваемым концом длиной 2,5d", "Класс точности А", "2.5"),
    (10, "22042-76", "Шпильки для деталей с гладкими отверстиями", "Класс точности В", None),
    (11, "22043-76", "Шпильки для деталей с гладкими отверстиями", "Класс точности А", None),
]

# The length series. Source: ref 9.1 and 9.2 (the lengths of a d are every length of this series
# within its range, the non-preferred 18, 22, 28, 32, 38, 42, 48, 95, 105 and 115 included).
SERIES = [10, 12, 14, 16, 18, 20, 22, 25, 28, 30, 32, 35, 38, 40, 42, 45, 48, 50, 55, 60, 65, 70,
          75, 80, 85, 90, 95, 100, 105, 110, 115, 120, 130, 140, 150, 160, 170, 180, 190, 200,
          220, 240, 260, 280, 300]
# The series past 300, reached only by the plain-hole studs. Source: ref 10.2.
SERIES_PAST_300 = [320, 340, 360, 380, 400, 420, 450, 480, 500]

# The bands of the nut-end thread b of the screw-in studs: l up to 120, l from 130 to 200, l from
# 220 (the series has no length between 120 and 130 or between 200 and 220).
BANDS = ((10, 120), (130, 200), (220, 300))


class LengthRow(NamedTuple):
    shortest: object
    longest: object
    last_starred: object  # the longest l whose b is stored as 0 (b = l - 0.5d - 2P)
    b: tuple  # b per band of BANDS; None where the d has no unstarred length in that band


# The length table shared by the ten screw-in standards 22032-76 ... 22041-76 (l is measured
# without the screw-in end, so the screw-in length does not enter it). Source of every value:
# ref 9.2, the printed length table of 22032-76 (its starred cells for d 2 and 2.5 from the
# printed opening rows of 22041-76), unless marked.
SCREW_IN_LENGTHS = {
    #      shortest longest   starred  b: to 120  130-200  220-300
    "2":   LengthRow(10, prov(40), 10, (10, None, None)),
    # Largest l and the band from 130: ref 10.3 (a catalogue lists d 2.5 up to 160, as d 3).
    "2.5": LengthRow(10, Sourced(160, "ref 10.3"), 12, (11, Sourced(17, "ref 10.3"), None)),
    "3":   LengthRow(10, 160, 14, (12, 18, None)),
    "4":   LengthRow(14, 160, 16, (14, 20, None)),
    "5":   LengthRow(16, 160, 18, (16, 22, None)),
    "6":   LengthRow(16, 160, 22, (18, 24, None)),
    "8":   LengthRow(16, 200, 25, (22, 28, None)),
    "10":  LengthRow(16, 200, 32, (26, 32, None)),
    "12":  LengthRow(25, 220, 35, (30, 36, 36)),
    "14":  LengthRow(25, 220, 40, (34, 40, 40)),
    "16":  LengthRow(35, 220, 45, (38, 44, 44)),
    "18":  LengthRow(35, 220, 50, (42, 48, 48)),
    "20":  LengthRow(40, 240, 55, (46, 52, 52)),
    "22":  LengthRow(45, 240, 60, (50, 56, 56)),
    "24":  LengthRow(45, 240, 65, (54, 60, 60)),
    "27":  LengthRow(55, 260, 70, (60, 66, 66)),
    "30":  LengthRow(60, 260, 80, (66, 72, 72)),
    "36":  LengthRow(70, 300, 90, (78, 84, 84)),
    "42":  LengthRow(80, 300, 105, (90, 96, 96)),
    # Every l up to 120 is starred: the first band has no length.
    "48":  LengthRow(80, 300, 120, (None, 108, 121)),
}


class PlainHoleRow(NamedTuple):
    shortest: object
    longest: object
    last_whole: object  # the longest l threaded over its whole length (b stored as 0)


# The length table shared by the plain-hole standards 22042-76 and 22043-76 (l is the overall
# length). Source of every value: ref 10.2, the sizes and, through their masses, the thread
# lengths of a catalogue transcribing the mass appendix of 22043-76 (22042-76 shares the table as
# the screw-in pairs share theirs), unless marked. A d offers every length of SERIES and
# SERIES_PAST_300 in its range.
PLAIN_HOLE_LENGTHS = {
    #      shortest      longest       threaded whole up to
    # d 2 is in no catalogue: it keeps its earlier rows (the screw-in range of l, threaded whole
    # where the two threads of 2d + 6 would leave less than 1.5d plain).
    "2":   PlainHoleRow(prov(10), prov(40), prov(22)),
    "2.5": PlainHoleRow(10, 50, 25),
    "3":   PlainHoleRow(10, 300, 28),
    "4":   PlainHoleRow(12, 300, 32),
    "5":   PlainHoleRow(14, 300, 38),
    "6":   PlainHoleRow(14, 300, 42),
    "8":   PlainHoleRow(20, 300, 50),
    "10":  PlainHoleRow(30, 300, 60),
    "12":  PlainHoleRow(40, 360, 70),
    "14":  PlainHoleRow(55, 360, 85),
    "16":  PlainHoleRow(55, 500, 90),
    "18":  PlainHoleRow(70, 500, 95),
    "20":  PlainHoleRow(80, 500, 105),
    # d 22 and up: the catalogue's shorter sizes are lost, so the smallest l stays the screw-in
    # table's and every length below the catalogue's first is threaded whole (ref 10.2).
    "22":  PlainHoleRow(prov(45), 500, prov(115)),
    "24":  PlainHoleRow(prov(45), 500, prov(120)),
    "27":  PlainHoleRow(prov(55), 500, prov(140)),
    "30":  PlainHoleRow(prov(60), 500, prov(160)),
    "36":  PlainHoleRow(prov(70), 500, prov(180)),
    "42":  PlainHoleRow(prov(80), 500, prov(220)),
    "48":  PlainHoleRow(prov(80), 500, prov(240)),
}

# The thread length b on each end of a plain-hole stud not threaded whole: 2d + 6 up to l 150,
# 2d + 12 from l 160, d 48 included (the series has no length between 150 and 160).
# Source: ref 10.2 (PROVISIONAL for d 2, which no source lists).
PLAIN_HOLE_BANDS = ((150, 6), (500, 12))  # (up to l, b - 2d)


def text(value):
    value = F(value)
    if value.denominator == 1:
        return str(value.numerator)
    return format(float(value), "g")


def lengths(row, series):
    return [l for l in series if plain(row.shortest) <= l <= plain(row.longest)]


def screw_in_lengths(d_text):
    return lengths(SCREW_IN_LENGTHS[d_text], SERIES)


def plain_hole_lengths(d_text):
    return lengths(PLAIN_HOLE_LENGTHS[d_text], SERIES + SERIES_PAST_300)


def band_b(d_text, length):
    row = SCREW_IN_LENGTHS[d_text]
    for (first, last), b in zip(BANDS, row.b):
        if first <= length <= last:
            return plain(b)
    raise ValueError(f"M{d_text}x{length} lies in no band")


def screw_in_b(d_text, length):
    # "0": starred in the table; the program computes l - 0.5d - 2P.
    if length <= plain(SCREW_IN_LENGTHS[d_text].last_starred):
        return "0"
    b = band_b(d_text, length)
    if b is None:
        raise ValueError(f"M{d_text}x{length}: neither starred nor in a band with a b")
    return text(b)


def plain_hole_b(d_text, length):
    # "0": threaded over the whole length.
    if length <= plain(PLAIN_HOLE_LENGTHS[d_text].last_whole):
        return "0"
    for last, extra in PLAIN_HOLE_BANDS:
        if length <= last:
            return text(2 * F(d_text) + extra)
    raise ValueError(f"M{d_text}x{length} lies in no band")


def fit(value, width):
    """The text of value left-aligned in a column of width characters; never wider, as the readers
    cut the fields out of fixed columns."""
    value = str(value)
    if len(value) > width:
        raise ValueError(f"{value!r} is wider than its column of {width}")
    return f"{value:<{width}}"


def write(folder, name, lines):
    data = "".join(line + "\r\n" for line in lines).encode("cp1251")
    (folder / name).write_bytes(data)


def main(folder):
    folder.mkdir(parents=True, exist_ok=True)
    catalogue = []
    for index, number, title1, title2, factor in STANDARDS:
        catalogue += [title1, title2, number, "ris_1" if factor else "ris_2", ""]
        rows = ["d   b1    P     c"]
        for i, (d, pitch, chamfer) in enumerate(DIAMETERS):
            b1 = plain(B1[factor][i]) if factor else "0"
            rows.append(f"{fit(d, 3)} {fit(b1, 4)}  {fit(pitch, 4)}  {fit(chamfer, 3)}".rstrip())
        write(folder, f"{BASE}_{number}.dat", rows)
    write(folder, f"{BASE}.dat", catalogue)

    for key, lengths_of, thread_length in (("ris_1", screw_in_lengths, screw_in_b),
                                           ("ris_2", plain_hole_lengths, plain_hole_b)):
        rows = ["d   L   b"]
        for d_text, _, _ in DIAMETERS:
            for length in lengths_of(d_text):
                b = thread_length(d_text, length)
                rows.append(f"{fit(d_text, 3)} {fit(length, 3)} {fit(b, 3)}".rstrip())
        write(folder, f"{BASE}_{key}.dat", rows)


if __name__ == "__main__":
    main(Path(sys.argv[1]) if len(sys.argv) > 1 else DATA)
