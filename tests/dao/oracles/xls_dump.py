#!/usr/bin/env python3
"""Reads a spreadsheet file with xlrd and prints one sheet as JSON (the
first, or the one whose position is the second argument), with the names
of all the sheets:
the sheet's name, the file's version as xlrd tells it, and each row as a
list of [kind, value, style] cells (kind: text, number, bool, date, empty;
style: the cell's number format, whether its font is bold and its fill
colour); dates come as "yyyy-mm-dd hh:mm:ss". The export tests'
independent reader."""
import json
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
sheet = book.sheet_by_index(int(sys.argv[2]) if len(sys.argv) > 2 else 0)
rows = []
for r in range(sheet.nrows):
    row = []
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        style = None
        if cell.xf_index is not None and cell.xf_index < len(book.xf_list):
            xf = book.xf_list[cell.xf_index]
            style = "%s|%d|%d" % (book.format_map[xf.format_key].format_str, book.font_list[xf.font_index].bold,
                                  xf.background.pattern_colour_index)
        if cell.ctype == xlrd.XL_CELL_TEXT:
            row.append(["text", cell.value, style])
        elif cell.ctype == xlrd.XL_CELL_NUMBER:
            row.append(["number", cell.value, style])
        elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
            row.append(["bool", bool(cell.value), style])
        elif cell.ctype == xlrd.XL_CELL_DATE:
            t = xlrd.xldate_as_tuple(cell.value, book.datemode)
            row.append(["date", "%04d-%02d-%02d %02d:%02d:%02d" % t, style])
        else:
            row.append(["empty", None, style])
    rows.append(row)
json.dump({"sheet": sheet.name, "merged": sheet.merged_cells, "sheets": book.sheet_names(), "biff": book.biff_version, "rows": rows}, sys.stdout, ensure_ascii=False)
