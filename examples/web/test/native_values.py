#!/usr/bin/python3
"""The native library's outputs for the chart page's plots: loads
libtsfilters.so with ctypes, runs each plot's filter over the CSV's closes
and prints {name: [values]} as JSON, NaN as null.

    native_values.py LIBRARY CSV PLOTS_JSON
"""
import csv
import ctypes
import json
import math
import sys

library, csv_path, plots = sys.argv[1], sys.argv[2], json.loads(sys.argv[3])
lib = ctypes.CDLL(library)
with open(csv_path, newline="") as f:
    closes = [float(row["close"]) for row in csv.DictReader(f) if row["close"].strip()]
n = len(closes)
values = (ctypes.c_float * n)(*closes)
result = {}
for plot in plots:
    name, p = plot["name"], plot["params"]
    out = (ctypes.c_float * n)(*([math.nan] * n))
    fn = getattr(lib, name[0].upper() + name[1:])
    if "highPassPeriod" in p:
        fn(values, ctypes.c_int32(p["highPassPeriod"]), ctypes.c_int32(p["smoothPeriod"]), ctypes.c_int32(n), out)
    elif "gamma" in p:
        fn(values, ctypes.c_float(p["gamma"]), ctypes.c_int32(p["period"]), ctypes.c_int32(n), out)
    else:
        fn(values, ctypes.c_int32(p["period"]), ctypes.c_int32(n), out)
    result[name] = [None if math.isnan(v) else v for v in out]
json.dump(result, sys.stdout)
