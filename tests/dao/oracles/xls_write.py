#!/usr/bin/env python3
"""Writes the workbook of two sheets ("Clienti", "Fornitori") named by the
first argument with xlwt, as another program would: texts enough to fill
several records of the shared string table, numbers, dates in a date
format, Booleans, a bold coloured heading over merged cells and a column
width; its days count from 1904. The export tests' foreign workbook."""
import datetime
import sys

import xlwt

book = xlwt.Workbook(encoding="utf-8")
book.dates_1904 = True
heading = xlwt.easyxf("font: bold on; pattern: pattern solid, fore_colour yellow")
date = xlwt.easyxf(num_format_str="dd/mm/yyyy")
first = book.add_sheet("Clienti")
first.write_merge(0, 0, 0, 3, "Clienti — € città", heading)
first.col(0).width = 6000
for r in range(1, 1200):
    first.write(r, 0, "cliente %d" % r)
    first.write(r, 1, r * 1.25)
    first.write(r, 2, datetime.date(2004, 1, 1) + datetime.timedelta(days=r), date)
    first.write(r, 3, r % 2 == 0)
second = book.add_sheet("Fornitori")
second.write(0, 0, "Fornitore")
second.write(1, 0, "cliente 1")
second.write(1, 1, 42)
book.save(sys.argv[1])
