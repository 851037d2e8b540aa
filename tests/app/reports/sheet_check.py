#!/usr/bin/env python3
"""Opens the exports that export_sheet_files wrote in LibreOffice Calc, as a
user's spreadsheet would (CSV files as comma-separated text, the clipboard
text as TAB-separated text, formulas evaluated), and checks that every
hostile name and location arrives as the text it is, in its own cell.

usage: sheet_check.py FOLDER [SOFFICE]
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

# Must match kCards in export_sheet_files.cpp: id -> (name in a CSV cell,
# name in a pasted cell, location in the stock CSV). A CSV cell keeps a
# line break (LibreOffice gives LF); a pasted cell has a blank in place of
# each TAB and line end. Formula triggers stay text behind their guard.
CARDS = {
    "h-01": ('Smith, "Big" Jr.', 'Smith, "Big" Jr.', 'Binder, "A"\npage 2'),
    "h-02": ("two\nlines", "two  lines", "'=HYPERLINK(\"http://x\")"),
    "h-03": ("one\nbreak", "one break", "'-5"),
    "h-04": ("Pok\u00e9mon \u00e9t\u00e9", "Pok\u00e9mon \u00e9t\u00e9", "Bo\u00eete"),
    "h-05": ("'=SUM(A1:A9)", "'=SUM(A1:A9)", ""),
    "h-06": ("'+1", "'+1", ""),
    "h-07": ("'-1", "'-1", ""),
    "h-08": ("'@SUM(1)", "'@SUM(1)", ""),
    "h-09": ("'\tTabbed", " Tabbed", ""),
    "h-10": ("'\nCarriage", " Carriage", ""),
    "h-11": ('"Ace', '"Ace', ""),
    "h-12": ('"Alolan" Raichu', '"Alolan" Raichu', ""),
    "h-13": ("Bad\ufffd byte", "Bad\ufffd byte", ""),
    "h-14": ("\nLine first", " Line first", ""),
    "h-15": ("Tab\tinside", "Tab inside", '"Shelf'),
}
SET = 'Base, "Unlimited"'
CARD_LIST_HEADER = ["Card ID", "Name", "Set", "Number", "Total", "Rarity", "Variant", "Condition", "Qty", "Price"]
STOCK_HEADER = ["Card ID", "Name", "Set", "Variant", "Condition", "Qty", "Price", "Location"]

NS = {
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
}
CONVERT_SECONDS = 120


def q(ns, name):
    return "{%s}%s" % (NS[ns], name)


def paragraph_text(element):
    """The text of a text:p, with its space, tab and line-break elements."""
    out = [element.text or ""]
    for child in element:
        if child.tag == q("text", "s"):
            out.append(" " * int(child.get(q("text", "c"), "1")))
        elif child.tag == q("text", "tab"):
            out.append("\t")
        elif child.tag == q("text", "line-break"):
            out.append("\n")
        else:
            out.append(paragraph_text(child))
        out.append(child.tail or "")
    return "".join(out)


def read_sheet(path, columns):
    """Rows of (text, value type, formula) cells, the first `columns` of each."""
    rows = []
    for row in ET.parse(path).iter(q("table", "table-row")):
        cells = []
        for cell in row:
            if cell.tag not in (q("table", "table-cell"), q("table", "covered-table-cell")):
                continue
            text = "\n".join(paragraph_text(p) for p in cell.findall("text:p", NS))
            value = (text, cell.get(q("office", "value-type")), cell.get(q("table", "formula")))
            repeat = int(cell.get(q("table", "number-columns-repeated"), "1"))
            cells.extend([value] * min(repeat, columns))
        cells = cells[:columns]
        if any(text for text, _, _ in cells):
            rows.append(cells + [("", None, None)] * (columns - len(cells)))
    return rows


def convert(soffice, profile, source, separator, out_dir):
    """source as a spreadsheet (flat ODS) in out_dir, read with UTF-8 text,
    quotes as text delimiters and formulas evaluated."""
    # Tokens: separator, quote, UTF-8, first line, formats, language,
    # quoted as text, detect special numbers, (export only) x3, trim
    # spaces... the twelfth evaluates formulas, as a spreadsheet would.
    options = "%d,34,76,1,,0,false,false,false,false,false,true" % separator
    command = [soffice, "--headless", "--norestore", "-env:UserInstallation=file://" + profile,
               "--infilter=Text - txt - csv (StarCalc):" + options, "--convert-to", "fods", "--outdir", out_dir,
               source]
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True)
    try:
        output, _ = process.communicate(timeout=CONVERT_SECONDS)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        raise SystemExit("LibreOffice did not finish converting %s in %d s" % (source, CONVERT_SECONDS))
    result = os.path.join(out_dir, os.path.splitext(os.path.basename(source))[0] + ".fods")
    if process.returncode != 0 or not os.path.exists(result):
        raise SystemExit("LibreOffice could not convert %s:\n%s" % (source, output.decode(errors="replace")))
    return result


class Checker:
    def __init__(self):
        self.failures = []

    def expect(self, what, got, wanted):
        if got != wanted:
            self.failures.append("%s: got %r, wanted %r" % (what, got, wanted))

    def sheet(self, label, rows, header, wanted_by_id):
        self.expect(label + " header", [text for text, _, _ in rows[0]] if rows else None, header)
        self.expect(label + " row count", len(rows) - 1, len(wanted_by_id))
        seen = set()
        for row in rows[1:]:
            card_id = row[0][0]
            seen.add(card_id)
            wanted = wanted_by_id.get(card_id)
            if wanted is None:
                self.failures.append("%s: a row starts with %r" % (label, card_id))
                continue
            for column, (text, value_type, formula) in enumerate(row):
                where = "%s %s column %s" % (label, card_id, header[column])
                self.expect(where + " formula", formula, None)
                want_text, want_type = wanted[column]
                self.expect(where, text, want_text)
                if want_text:
                    self.expect(where + " type", value_type, want_type)
        self.expect(label + " ids", sorted(seen), sorted(wanted_by_id))


def card_list_rows(pasted):
    rows = {}
    for number, (card_id, (csv_name, pasted_name, _)) in enumerate(sorted(CARDS.items()), start=1):
        qty = str(number)
        rows[card_id] = [(card_id, "string"), (pasted_name if pasted else csv_name, "string"), (SET, "string"),
                         ("4", "float"), ("102", "float"), ("Rare Holo", "string"), ("Holo", "string"),
                         ("Mint", "string"), (qty, "float"), ("%d.25" % number, "float")]
    return rows


def stock_rows():
    rows = {}
    for number, (card_id, (csv_name, _, location)) in enumerate(sorted(CARDS.items()), start=1):
        rows[card_id] = [(card_id, "string"), (csv_name, "string"), (SET, "string"), ("Holo", "string"),
                         ("Mint", "string"), (str(number), "float"), ("%d.25" % number, "float"),
                         (location, "string")]
    return rows


def main():
    if len(sys.argv) not in (2, 3):
        raise SystemExit(__doc__)
    folder = sys.argv[1]
    soffice = sys.argv[2] if len(sys.argv) == 3 else shutil.which("soffice")
    if not soffice:
        raise SystemExit("LibreOffice (soffice) is not installed")
    work = tempfile.mkdtemp(prefix="bw-sheets-")
    try:
        # LibreOffice's own profile for this run alone, so no user's profile
        # and no other run's lock is touched.
        profile = os.path.join(work, "profile")
        # The clipboard text goes in under a name LibreOffice reads as text.
        pasted = os.path.join(work, "clipboard.csv")
        shutil.copyfile(os.path.join(folder, "clipboard.txt"), pasted)
        checker = Checker()
        for label, source, separator, header, wanted in (
                ("card list CSV", os.path.join(folder, "card_list.csv"), 44, CARD_LIST_HEADER,
                 card_list_rows(False)),
                ("stock CSV", os.path.join(folder, "stock.csv"), 44, STOCK_HEADER, stock_rows()),
                ("clipboard text", pasted, 9, CARD_LIST_HEADER, card_list_rows(True))):
            sheet = convert(soffice, profile, source, separator, work)
            checker.sheet(label, read_sheet(sheet, len(header)), header, wanted)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in checker.failures:
        print(failure)
    print("%d failures" % len(checker.failures))
    return 1 if checker.failures else 0


if __name__ == "__main__":
    sys.exit(main())
