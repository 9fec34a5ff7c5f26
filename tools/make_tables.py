#!/usr/bin/env python3
"""Writes the dimension table files of data/ from the working values below.

The values follow the project's stud reference (working data); the ones marked provisional there
are provisional here too. Correct a value below and run `python3 tools/make_tables.py` to rewrite
every file, or edit a file in data/ by hand (Windows-1251, CR LF, fixed columns).
"""
from fractions import Fraction as F
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "data"
BASE = "quorvel"

# d, coarse pitch P, chamfer c
DIAMETERS = [
    ("2", "0.4", "0.3"), ("2.5", "0.45", "0.3"), ("3", "0.5", "0.5"), ("4", "0.7", "0.5"),
    ("5", "0.8", "1"), ("6", "1", "1"), ("8", "1.25", "1.6"), ("10", "1.5", "1.6"),
    ("12", "1.75", "1.6"), ("14", "2", "2"), ("16", "2", "2"), ("18", "2.5", "2.5"),
    ("20", "2.5", "2.5"), ("22", "2.5", "2.5"), ("24", "3", "2.5"), ("27", "3", "2.5"),
    ("30", "3.5", "2.5"), ("36", "4", "3"), ("42", "4.5", "3"), ("48", "5", "4"),
]

# b1 per screw-in factor, as printed (1.25d and 1.6d are provisional).
B1 = {
    "1": ["2", "2.5", "3", "4", "5", "6", "8", "10", "12", "14", "16", "18", "20", "22", "24",
          "27", "30", "36", "42", "48"],
    "1.25": ["2.5", "3", "4", "5", "6", "8", "10", "12", "15", "18", "20", "22", "25", "28",
             "30", "35", "38", "45", "52", "60"],
    "1.6": ["3.2", "4", "5", "6.5", "8", "10", "14", "16", "20", "22", "25", "28", "32", "35",
            "38", "42", "48", "56", "68", "76"],
    "2": ["4", "5", "6", "8", "10", "12", "16", "20", "24", "28", "32", "36", "40", "44", "48",
          "54", "60", "72", "84", "96"],
    "2.5": ["5", "6", "7.5", "10", "12", "16", "20", "25", "30", "35", "40", "45", "50", "55",
            "60", "68", "75", "88", "105", "120"],
}

# index, number, first title line, second title line, factor (None: plain-hole)
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

# Length series (provisional: 18, 22, 28, 32, 38, 42, 48, 95, 105, 115).
SERIES = [10, 12, 14, 16, 18, 20, 22, 25, 28, 30, 32, 35, 38, 40, 42, 45, 48, 50, 55, 60, 65, 70,
          75, 80, 85, 90, 95, 100, 105, 110, 115, 120, 130, 140, 150, 160, 170, 180, 190, 200,
          220, 240, 260, 280, 300]

# Smallest and largest length per d (provisional except the smallest for d <= 4).
RANGE = {
    "2": (10, 40), "2.5": (10, 40), "3": (10, 50), "4": (14, 60), "5": (16, 80), "6": (16, 100),
    "8": (16, 120), "10": (16, 160), "12": (20, 200), "14": (25, 220), "16": (25, 300),
    "18": (30, 300), "20": (30, 300), "22": (35, 300), "24": (40, 300), "27": (45, 300),
    "30": (50, 300), "36": (60, 300), "42": (70, 300), "48": (80, 300),
}


def text(value):
    value = F(value)
    if value.denominator == 1:
        return str(value.numerator)
    return format(float(value), "g")


def band(d, length):
    if length <= 125:
        return 2 * d + 6
    if length <= 200:
        return 2 * d + 12
    return 2 * d + 25


def screw_in_b(d, pitch, length):
    # "0": shorter than the band; the program computes L - 0.5d - 2P.
    return "0" if length - d / 2 - 2 * pitch < band(d, length) else text(band(d, length))


def plain_hole_b(d, length):
    # "0": threaded over the whole length (provisional threshold).
    return "0" if length - 2 * band(d, length) < F(3, 2) * d else text(band(d, length))


def write(name, lines):
    data = "".join(line + "\r\n" for line in lines).encode("cp1251")
    (OUT / name).write_bytes(data)


def main():
    OUT.mkdir(exist_ok=True)
    catalogue = []
    for index, number, title1, title2, factor in STANDARDS:
        catalogue += [title1, title2, number, "ris_1" if factor else "ris_2", ""]
        rows = ["d   b1    P     c"]
        for i, (d, pitch, chamfer) in enumerate(DIAMETERS):
            b1 = B1[factor][i] if factor else "0"
            rows.append(f"{d:<3} {b1:<4}  {pitch:<4}  {chamfer:<3}".rstrip())
        write(f"{BASE}_{number}.dat", rows)
    write(f"{BASE}.dat", catalogue)

    for key, rule in (("ris_1", "screw-in"), ("ris_2", "plain-hole")):
        rows = ["d   L   b"]
        for d_text, pitch, _ in DIAMETERS:
            d, p = F(d_text), F(pitch)
            low, high = RANGE[d_text]
            for length in (l for l in SERIES if low <= l <= high):
                b = screw_in_b(d, p, length) if rule == "screw-in" else plain_hole_b(d, length)
                rows.append(f"{d_text:<3} {length:<3} {b:<3}".rstrip())
        write(f"{BASE}_{key}.dat", rows)


if __name__ == "__main__":
    main()
