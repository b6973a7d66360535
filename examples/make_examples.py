#!/usr/bin/python3
"""Writes the example data sets in this folder (needs Debian's python3-xlwt).

    /usr/bin/python3 examples/make_examples.py

The data are made up but shaped like real measurements, and fixed by a seed
so that the files come out the same every time.
"""
import datetime
import math
import os
import random

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))


def variable_star():
    # Brightness of a pulsating star observed on irregular nights: a period of
    # 7.3 days, observing gaps, and measurement noise.
    rng = random.Random(20261206)
    rows = []
    t = 2460000.0
    while len(rows) < 240:
        t += rng.choice([0.9, 1.0, 1.0, 1.1, 2.0, 3.0]) + rng.uniform(-0.1, 0.1)
        phase = 2 * math.pi * (t - 2460000.0) / 7.3
        magnitude = 11.2 + 0.45 * math.sin(phase) + 0.12 * math.sin(2 * phase) + rng.gauss(0, 0.05)
        rows.append((round(t, 4), round(magnitude, 3)))
    with open(os.path.join(HERE, "variable_star.txt"), "w", newline="") as out:
        for t, m in rows:
            out.write(f"{t:.4f}\t{m:.3f}\r\n")
    wb = xlwt.Workbook()
    ws = wb.add_sheet("Observations")
    for r, (t, m) in enumerate(rows):
        ws.write(r, 0, t)
        ws.write(r, 1, m)
    wb.save(os.path.join(HERE, "variable_star.xls"))


def river_levels():
    # Daily water level of a river over three years: a yearly cycle, a wet
    # spell now and then, and gauge noise. Column A holds dates.
    rng = random.Random(7)
    wb = xlwt.Workbook()
    ws = wb.add_sheet("Gauge")
    date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    day = datetime.date(2021, 1, 1)
    wet = 0.0
    for r in range(3 * 365):
        season = 1.6 + 0.7 * math.cos(2 * math.pi * (r - 60) / 365.25)
        wet = wet * 0.8 + (rng.expovariate(1.0) * 0.5 if rng.random() < 0.05 else 0.0)
        ws.write(r, 0, day, date_style)
        ws.write(r, 1, round(season + wet + rng.gauss(0, 0.05), 2))
        day += datetime.timedelta(days=1)
    wb.save(os.path.join(HERE, "river_levels.xls"))


if __name__ == "__main__":
    variable_star()
    river_levels()
