#!/usr/bin/python3
"""Writes the data-set fixtures of the format tests into tables/ beside this file.

One series of measurements, given in every form a user may have it:

- LibreOffice (headless) saves one sheet, with date-time cells, numbers, a
  formula and a text column under a header row, as .xlsx, .ods and .csv;
- openpyxl writes the same sheet as .xlsx the way scripts write them;
- this script writes whitespace text (no header), a semicolon CSV with decimal
  commas, and a TSV with ISO 8601 timestamps in UTC.

The times are multiples of six hours, exact in binary both as serial numbers
and as dates, so that every form gives the same results file. Run with
Debian's python3 (python3-openpyxl) and libreoffice-calc:

    /usr/bin/python3 tests/data/make_tables.py
"""
import datetime
import os
import tempfile

import openpyxl

from make_workbooks import convert

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tables")
DAY_ZERO = datetime.datetime(1899, 12, 30)


def series():
    rows = []
    for k in range(40):
        quarter_days = 4 * k + (k * 7) % 3  # irregular, whole quarters of a day
        serial = 45000 + quarter_days / 4
        mag = round(11.5 + 0.4 * ((k * 37) % 11) / 10 - 0.05 * (k % 4), 3)
        rows.append((serial, mag))
    return rows


def when(serial):
    return DAY_ZERO + datetime.timedelta(days=serial)


def path(name):
    return os.path.join(HERE, name)


def plain_files(rows):
    with open(path("measurements.txt"), "w", newline="") as out:
        for serial, mag in rows:
            out.write(f"{serial:.2f} {mag:g}\r\n")
    with open(path("decimal_commas.csv"), "w", newline="") as out:
        out.write("time;mag;sensor\r\n")
        for serial, mag in rows:
            out.write(f"{serial:.2f};{mag:g};CCD-1\r\n".replace(".", ","))
    with open(path("timestamps.tsv"), "w", newline="") as out:
        out.write("time\tmag\n")
        for serial, mag in rows:
            out.write(f"{when(serial):%Y-%m-%dT%H:%M:%S}Z\t{mag:g}\n")


def openpyxl_file(rows):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Measurements"
    sheet.append(["time", "mag", "double", "sensor"])
    for r, (serial, mag) in enumerate(rows, start=2):
        sheet.append([when(serial), mag, f"=B{r}*2", "CCD-1"])
        sheet.cell(row=r, column=1).number_format = "yyyy-mm-dd hh:mm"
    book.save(path("openpyxl.xlsx"))


FODS = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
  xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:automatic-styles>
  <number:date-style style:name="when"><number:year number:style="long"/><number:text>-</number:text>
   <number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/>
   <number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text>
   <number:minutes number:style="long"/><number:text>:</number:text>
   <number:seconds number:style="long"/></number:date-style>
  <style:style style:name="date" style:family="table-cell" style:data-style-name="when"/>
 </office:automatic-styles>
 <office:body><office:spreadsheet><table:table table:name="Measurements">
{rows}
 </table:table></office:spreadsheet></office:body></office:document>
"""


def text_cell(text):
    return f'<table:table-cell office:value-type="string"><text:p>{text}</text:p></table:table-cell>'


def libreoffice_files(rows):
    lines = ["<table:table-row>" + "".join(text_cell(t) for t in ["time", "mag", "double", "sensor"])
             + "</table:table-row>"]
    for r, (serial, mag) in enumerate(rows, start=2):
        lines.append(
            "<table:table-row>"
            f'<table:table-cell table:style-name="date" office:value-type="date" '
            f'office:date-value="{when(serial):%Y-%m-%dT%H:%M:%S}"/>'
            f'<table:table-cell office:value-type="float" office:value="{mag:g}"/>'
            f'<table:table-cell table:formula="of:=[.B{r}]*2"/>'
            + text_cell("CCD-1") + "</table:table-row>")
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "measurements.fods")
        with open(source, "w", encoding="utf-8") as out:
            out.write(FODS.format(rows="\n".join(lines)))
        for target, suffix, name in [("xlsx:Calc MS Excel 2007 XML", ".xlsx", "libreoffice.xlsx"),
                                     ("ods", ".ods", "libreoffice.ods"),
                                     ("csv:Text - txt - csv (StarCalc):44,34,76", ".csv",
                                      "libreoffice.csv")]:
            convert(source, work, target, os.path.join("tables", name), suffix)

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    measurements = series()
    plain_files(measurements)
    openpyxl_file(measurements)
    libreoffice_files(measurements)
