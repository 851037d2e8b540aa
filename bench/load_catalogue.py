#!/usr/bin/python3
"""The yardstick for the online update's benchmark: loads the same
repository files from disk into a new SQLite catalogue with Python's json and
sqlite3 modules, one transaction per set as the update does, with SQLite's
defaults (no PRAGMA) as the update has them, and writes its own run time and
how much of it went to reading and parsing the files.

usage: load_catalogue.py repository-folder database result-file
"""

import json
import os
import sqlite3
import sys
import time

start = time.perf_counter()
folder, database, result = sys.argv[1:4]
db = sqlite3.connect(database, isolation_level=None)
db.execute("CREATE TABLE IF NOT EXISTS catalogue (card_id TEXT, name TEXT, set_id TEXT, set_name TEXT, "
           "series TEXT, number TEXT, set_total TEXT, rarity TEXT, supertype TEXT, img_small TEXT, img_large TEXT)")
db.execute("CREATE UNIQUE INDEX IF NOT EXISTS idx_catalogue_id ON catalogue(card_id)")
db.execute("CREATE INDEX IF NOT EXISTS idx_catalogue_set ON catalogue(set_id)")
db.execute("CREATE INDEX IF NOT EXISTS idx_catalogue_name ON catalogue(name)")
with open(os.path.join(folder, "sets.json"), encoding="utf-8") as f:
    sets = json.load(f)
added = 0
loading = 0.0
for s in sets:
    load_start = time.perf_counter()
    with open(os.path.join(folder, s["id"] + ".json"), encoding="utf-8") as f:
        cards = json.load(f)
    loading += time.perf_counter() - load_start
    db.execute("BEGIN")
    for c in cards:
        images = c.get("images") or {}
        cur = db.execute("INSERT OR IGNORE INTO catalogue VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                         (c["id"], c.get("name", ""), s["id"], s.get("name", ""), s.get("series", ""),
                          c.get("number", ""), str(s.get("printedTotal", "")), c.get("rarity", ""),
                          c.get("supertype", ""), images.get("small", ""), images.get("large", "")))
        added += cur.rowcount
    db.execute("COMMIT")
db.close()
with open(result + ".tmp", "w") as f:
    f.write("%d %.3f %.3f" % (added, time.perf_counter() - start, loading))
os.rename(result + ".tmp", result)
