#!/usr/bin/env python3
"""Reads a dBase or FoxPro table (with its memo file) with dbfread and
prints it as JSON: the header's version byte, the field names and types,
and the records as lists of values (dates and date-times as
"yyyy-mm-dd hh:mm:ss", Null as null). The export tests' independent
reader."""
import datetime
import json
import sys

import dbfread

table = dbfread.DBF(sys.argv[1], load=True, char_decode_errors="strict")


def plain(v):
    if isinstance(v, datetime.datetime):
        return v.strftime("%Y-%m-%d %H:%M:%S")
    if isinstance(v, datetime.date):
        return v.strftime("%Y-%m-%d 00:00:00")
    if isinstance(v, bytes):
        return v.hex().upper()
    return v


json.dump({
    "version": table.header.dbversion,
    "memo": table.memofilename,
    "fields": [[f.name, f.type] for f in table.fields],
    "rows": [[plain(v) for v in r.values()] for r in table.records],
}, sys.stdout, ensure_ascii=False)
