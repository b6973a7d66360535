#!/usr/bin/python3
"""Writes the workbook fixtures of the import tests into this folder.

Run with Debian's python3 (it needs python3-xlwt) and, for the workbooks that
LibreOffice writes, libreoffice-calc and python3-uno:

    /usr/bin/python3 tests/data/make_workbooks.py

The BIFF5 workbooks and the large sheets are written at test time by
tests/support/BiffWriter.cpp instead.
"""
import datetime
import os
import shutil
import subprocess
import tempfile
import time

import xlwt
from xml.sax.saxutils import quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))


def path(name):
    return os.path.join(HERE, name)


def basic():
    # A title row, whole numbers and fractions, text, an empty cell inside a
    # row and an empty row.
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("Measurements")
    rows = [
        ["time", "value", "note"],
        [0, 1.5, "first"],
        [1, -2.25, None],
        [2, 0.1, "µ-sensor"],
        None,  # an empty row
        [3, 123456789.123, ""],
        [4, 1e-7, None],
        [5, None, "gap"],
        [1e20, 7, None],
    ]
    for r, row in enumerate(rows):
        if row is None:
            continue
        for c, value in enumerate(row):
            if value is not None:
                ws.write(r, c, value)
    wb.save(path("basic.xls"))


def two_sheets():
    wb = xlwt.Workbook()
    first = wb.add_sheet("First")
    second = wb.add_sheet("Second")
    for r, (x, y) in enumerate([(1, 2), (3, 4)]):
        first.write(r, 0, x)
        first.write(r, 1, y)
    for c in range(3):
        second.write(0, c, 9)
    wb.save(path("two_sheets.xls"))


def one_column():
    wb = xlwt.Workbook()
    ws = wb.add_sheet("Only")
    for r in range(3):
        ws.write(r, 0, r + 1)
    wb.save(path("one_column.xls"))


def empty_first_sheet():
    wb = xlwt.Workbook()
    wb.add_sheet("Empty")
    wb.add_sheet("Full").write(0, 0, 1)
    wb.save(path("empty_first_sheet.xls"))


def dates(name, use_1904):
    # Serial numbers under date, date-time and time formats, next to their
    # plain values.
    wb = xlwt.Workbook()
    wb.dates_1904 = use_1904
    ws = wb.add_sheet("Dates")
    formats = [
        xlwt.easyxf(num_format_str="YYYY-MM-DD"),
        xlwt.easyxf(num_format_str="YYYY-MM-DD HH:MM:SS"),
        xlwt.easyxf(num_format_str="HH:MM:SS"),
    ]
    serials = [1, 59, 61, 45000.5, 45000.123456789, 0.25]
    for r, serial in enumerate(serials):
        for c, style in enumerate(formats):
            ws.write(r, c, serial, style)
        ws.write(r, 3, serial)
    wb.save(path(name))


FODS = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:body><office:spreadsheet><table:table table:name="Formulas">
{rows}
 </table:table></office:spreadsheet></office:body></office:document>
"""


def number_cell(value):
    return f'<table:table-cell office:value-type="float" office:value="{value}"><text:p>{value}</text:p></table:table-cell>'


def formula_cell(formula):
    return f'<table:table-cell table:formula={quoteattr("of:=" + formula)}/>'


def formulas():
    # Column A numbers; B a numeric formula; C a text formula; D an error;
    # E an empty text result; F a Boolean; G a long text result.
    rows = []
    for r, a in enumerate([0.5, 2, 3.25], start=1):
        cells = [
            number_cell(a),
            formula_cell(f"[.A{r}]*2"),
            formula_cell(f'IF([.A{r}]>1;"big";"small µ")'),
            formula_cell(f"[.A{r}]/0"),
            formula_cell('""'),
            formula_cell(f"[.A{r}]>1"),
            formula_cell(f'REPT("ab";{150 * r})'),
        ]
        rows.append("  <table:table-row>" + "".join(cells) + "</table:table-row>")
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "formulas.fods")
        with open(source, "w", encoding="utf-8") as out:
            out.write(FODS.format(rows="\n".join(rows)))
        convert(source, work, 'xls:MS Excel 97', "formulas.xls")
        convert(source, work, "xlsx:Calc MS Excel 2007 XML", "xlsx_renamed.xls", ".xlsx")


def convert(source, work, target, name, suffix=".xls"):
    subprocess.run(
        ["soffice", "--headless", f"-env:UserInstallation=file://{work}/profile",
         "--convert-to", target, "--outdir", work, source],
        check=True, stdout=subprocess.DEVNULL)
    produced = os.path.splitext(os.path.basename(source))[0] + suffix
    shutil.copy(os.path.join(work, produced), path(name))


def encrypted():
    # A workbook saved by LibreOffice with the password "secret".
    import uno
    from com.sun.star.beans import PropertyValue

    def prop(name, value):
        p = PropertyValue()
        p.Name, p.Value = name, value
        return p

    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "plain.fods")
        with open(source, "w", encoding="utf-8") as out:
            out.write(FODS.format(rows="<table:table-row>" + number_cell(1) + number_cell(2)
                                  + "</table:table-row>"))
        office = subprocess.Popen(
            ["soffice", "--headless", "--norestore", f"-env:UserInstallation=file://{work}/profile",
             "--accept=pipe,name=tesselin_fixtures;urp;"], stdout=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(120):
            try:
                remote = resolver.resolve(
                    "uno:pipe,name=tesselin_fixtures;urp;StarOffice.ComponentContext")
                break
            except Exception:
                time.sleep(0.5)
        desktop = remote.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", remote)
        doc = desktop.loadComponentFromURL(f"file://{source}", "_blank", 0,
                                           (prop("Hidden", True),))
        doc.storeToURL(f"file://{path('encrypted.xls')}",
                       (prop("FilterName", "MS Excel 97"), prop("Password", "secret")))
        doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass  # the office process ends before answering
        office.wait(timeout=60)


if __name__ == "__main__":
    basic()
    two_sheets()
    one_column()
    empty_first_sheet()
    dates("dates.xls", False)
    dates("dates_1904.xls", True)
    formulas()
    encrypted()
