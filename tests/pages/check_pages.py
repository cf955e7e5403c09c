#!/usr/bin/env python3
"""End-to-end check of the day pages and the index.

Generates two sample days with loopconv-gen, converts them with --pages into
one output folder (the second run must keep the first day in the index),
then:
  - validates the day page and Index.html with tidy (HTML5) and parses them
    with html.parser (unique ids, nothing loaded from elsewhere);
  - checks every figure on the day page against the CSV it comes from
    (devices and detectors, observed share, health counts and every detector
    not good with its figures, corridor figures when corridors are drawn);
  - checks that every link resolves to a file of the folder and that the
    listed sizes are the files' sizes;
  - checks the index's rows against the day pages' figures;
  - renders the day page and the index at 1280 and 390 px with
    scripts/render_page.sh and checks that the pictures are not blank.
Exits non-zero on the first failure, with what differed.
"""

import argparse
import csv
import glob
import html.parser
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
STATUS_ORDER = ["no_data", "insufficient_data", "card_off", "high_values", "intermittent",
                "constant", "good"]


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


class Page(html.parser.HTMLParser):
    """What the checks need of a page: figures, tables, links, ids."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = []
        self.hrefs = []
        self.external = []
        self.figures = {}
        self.status_counts = {}
        self.tables = {}      # id -> list of rows, each a list of (text, attrs)
        self.summary = None
        self.stack = []
        self._table = None
        self._row = None
        self._cell = None
        self._capture = None  # (kind, key, text parts)
        self._script = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.append(a["id"])
        if tag == "a" and "href" in a:
            self.hrefs.append(a["href"])
        for name in ("src", "srcset", "poster", "data"):
            if name in a:
                self.external.append((tag, name, a[name]))
        if tag in ("link", "img", "iframe", "embed", "object", "base"):
            self.external.append((tag, "", ""))
        if tag == "table":
            self._table = a.get("id", "")
            self.tables[self._table] = []
        elif tag == "tr" and self._table is not None:
            self._row = []
            self.tables[self._table].append(self._row)
        elif tag in ("td", "th") and self._row is not None:
            self._cell = [[], a]
            self._row.append(self._cell)
        if "data-figure" in a:
            self._capture = ("figure", a["data-figure"], [])
        elif "data-status" in a:
            self._capture = ("status", a["data-status"], [])
        if tag == "script" and a.get("type") == "application/json":
            self._script = []
        self.stack.append(tag)

    def handle_endtag(self, tag):
        if self._capture is not None and tag in ("b", "td"):
            kind, key, parts = self._capture
            (self.figures if kind == "figure" else self.status_counts)[key] = "".join(parts)
            self._capture = None
        if tag in ("td", "th"):
            self._cell = None
        elif tag == "tr":
            self._row = None
        elif tag == "table":
            self._table = None
        elif tag == "script" and self._script is not None:
            self.summary = json.loads("".join(self._script))
            self._script = None

    def handle_data(self, data):
        if self._capture is not None:
            self._capture[2].append(data)
        if self._cell is not None:
            self._cell[0].append(data)
        if self._script is not None:
            self._script.append(data)

    def table(self, table_id):
        """Rows of cells as (text, attrs), without the heading row."""
        rows = self.tables.get(table_id, [])
        return [[("".join(c[0]).strip(), c[1]) for c in row] for row in rows[1:]]


def parse_page(path):
    page = Page()
    with open(path, encoding="utf-8") as f:
        page.feed(f.read())
    page.close()
    expect(len(page.ids) == len(set(page.ids)), f"{path}: ids repeat: {page.ids}")
    expect(not page.external, f"{path}: loads from elsewhere: {page.external}")
    for href in page.hrefs:
        expect(re.fullmatch(r"[A-Za-z0-9._~%-]+", href) is not None,
               f"{path}: link leaves the folder or is absolute: {href}")
    return page


# tidy 5.6 does not know the SVG presentation attributes of an inline <svg>
# element and calls them proprietary; they are valid SVG, and nothing else
# is let through.
SVG_PRESENTATION = {"font-family", "font-size", "fill", "stroke", "role"}


def tidy(path):
    result = subprocess.run(["tidy", "-q", "-e", path], capture_output=True, text=True)
    expect(result.returncode in (0, 1), f"tidy finds errors in {path}:\n{result.stderr}")
    for line in result.stderr.splitlines():
        m = re.search(r'Warning: <svg> proprietary attribute "([^"]*)"', line)
        expect(m is not None and m.group(1) in SVG_PRESENTATION,
               f"tidy warns about {path}: {line}")


def read_csv(path):
    with open(path, newline="", encoding="latin-1") as f:
        return list(csv.DictReader(f))


def percent_tenths(part, whole):
    return "%d.%d" % divmod((part * 2000 + whole) // (whole * 2), 10)


def check_day_page(out, date, log_lines):
    path = os.path.join(out, f"Day_{date}.html")
    tidy(path)
    page = parse_page(path)

    # Header: devices, detectors by type, observed share, from the CSVs.
    health = read_csv(os.path.join(out, f"Health_{date}.csv"))
    lanes = read_csv(os.path.join(out, f"Rollup_Lanes_5min_{date}.csv"))
    stations = read_csv(os.path.join(out, f"Rollup_Stations_5min_{date}.csv"))
    periods = sum(int(r["periods"]) for r in lanes + stations)
    observed = sum(int(r["observed"]) for r in lanes + stations)
    expect(page.figures["observed_pct"] == percent_tenths(observed, periods) + "%",
           f"observed share {page.figures['observed_pct']} against "
           f"{percent_tenths(observed, periods)} from the roll-ups")
    not_good = [r for r in health if r["status"] != "good"]
    expect(page.figures["not_good"] == str(len(not_good)),
           f"not good {page.figures['not_good']} against {len(not_good)}")
    for status in STATUS_ORDER:
        count = sum(1 for r in health if r["status"] == status)
        expect(page.status_counts.get(status) == str(count),
               f"{status}: {page.status_counts.get(status)} against {count} in the CSV")
    contents = read_csv(glob.glob(os.path.join(out, "PELMA20Sec_Content_*.csv"))[0]) \
        if glob.glob(os.path.join(out, "PELMA20Sec_Content_*.csv")) else None
    del contents  # the Contents report has no header names to count by; see below
    detectors = len(health)
    header_text = page.figures["devices"]
    expect(int(header_text.replace(",", "")) >= detectors,
           f"{header_text} devices, fewer than the {detectors} detectors of the health table")

    # Every detector not good, worst first, with the CSV's figures.
    rows = page.table("health-detectors")
    expect(len(rows) == len(not_good), f"{len(rows)} rows of detectors not good, "
                                       f"{len(not_good)} in the CSV")
    by_name = {r["device"]: r for r in not_good}
    columns = ["lane_type", "status", "expected", "samples", "zero_occupancy_pct",
               "high_occupancy_pct", "high_volume_pct", "occupancy_no_volume_pct",
               "volume_no_occupancy_pct", "longest_constant_run"]
    last = (-1, "")
    for row in rows:
        texts = [c[0] for c in row]
        name = texts[0]
        expect(name in by_name, f"{name} is not among the CSV's detectors not good")
        csv_row = by_name[name]
        shown = dict(zip(columns, [texts[1], texts[2]] + texts[3:11]))
        for column in columns:
            expect(shown[column] == csv_row[column],
                   f"{name} {column}: page {shown[column]!r}, CSV {csv_row[column]!r}")
        rank = (STATUS_ORDER.index(shown["status"]), name)
        expect(rank >= last, f"{name} is out of worst-first order")
        last = rank

    # The run's E and W lines for the file.
    errors = sum(1 for line in log_lines if re.match(r"\[\d\d:\d\d:\d\d\] E ", line))
    warnings = sum(1 for line in log_lines if re.match(r"\[\d\d:\d\d:\d\d\] W ", line))
    expect(page.figures["errors"] == str(errors) and page.figures["warnings"] == str(warnings),
           f"E/W {page.figures['errors']}/{page.figures['warnings']}, log {errors}/{warnings}")

    # Files: each link resolves, sizes are the files' sizes, and every file
    # of the day the run announced is there.
    files = page.table("files-written")
    listed = set()
    for row in files:
        name, attrs = row[0][0], row[1][1]
        expect(os.path.isfile(os.path.join(out, name)), f"listed file {name} is missing")
        size = os.path.getsize(os.path.join(out, name))
        expect(attrs.get("data-bytes") == str(size),
               f"{name}: page says {attrs.get('data-bytes')} bytes, the file has {size}")
        listed.add(name)
    announced = set()
    for line in log_lines:
        m = re.search(r"\] - Writing .* \[(.*)\]\.\.\.$", line)
        if m and "Day_" not in m.group(1):
            announced.add(os.path.basename(m.group(1)))
    expect(listed == announced, f"files listed {sorted(listed)}, written {sorted(announced)}")
    for href in page.hrefs:
        expect(os.path.exists(os.path.join(out, href)), f"link {href} does not resolve")

    # The summary block says what the page says.
    s = page.summary
    expect(s["date"] == date and s["observed_pct"] + "%" == page.figures["observed_pct"] and
           str(s["not_good"]) == page.figures["not_good"],
           f"summary block {s} disagrees with the page")
    check_corridors(out, date, page)
    return page


def check_corridors(out, date, page):
    summary_path = os.path.join(out, f"Corridor_Summary_{date}.csv")
    corridors = page.summary["corridors"]
    if not os.path.exists(summary_path):
        expect(not corridors, "corridors in the summary without a corridor summary file")
        return
    rows = read_csv(summary_path)
    names = []
    for r in rows:
        if r["corridor"] not in names:
            names.append(r["corridor"])
    expect([c["name"] for c in corridors] == names,
           f"corridors {[c['name'] for c in corridors]} against {names}")
    for corridor in corridors:
        day = next(r for r in rows if r["corridor"] == corridor["name"] and r["window"] == "day")
        expect(corridor["vmt"] == day["vmt"] and corridor["delay60_vh"] == day["delay60_vh"],
               f"{corridor['name']}: summary block {corridor}, CSV {day}")
    for table_id, table in page.tables.items():
        if not table_id.startswith("corridor-"):
            continue
    fields = ["vmt", "vht", "delay35_vh", "delay60_vh", "speed_mph",
              "congested_station_hours", "worst_travel_min", "worst_departure"]
    for index, name in enumerate(names):
        shown = page.table(f"corridor-{index + 1}")
        want = [r for r in rows if r["corridor"] == name]
        expect(len(shown) == len(want), f"{name}: {len(shown)} window rows, {len(want)} in CSV")
        for row, csv_row in zip(shown, want):
            texts = [c[0] for c in row][1:]
            for field, text in zip(fields, texts):
                expect(text == csv_row[field],
                       f"{name} {csv_row['window']} {field}: page {text!r}, CSV "
                       f"{csv_row[field]!r}")


def check_index(out, pages):
    path = os.path.join(out, "Index.html")
    tidy(path)
    index = parse_page(path)
    rows = index.table("days")
    dates = [row[0][0] for row in rows]
    expect(dates == sorted(pages, reverse=True), f"index rows {dates}, pages {sorted(pages)}")
    for row in rows:
        date = row[0][0]
        page = pages[date]
        texts = [c[0] for c in row]
        expect(texts[3] == page.figures["devices"] and texts[4] + "%" ==
               page.figures["observed_pct"] and texts[5] == page.figures["not_good"],
               f"index row {texts} against the page's {page.figures}")
    for href in index.hrefs:
        expect(os.path.isfile(os.path.join(out, href)), f"index link {href} does not resolve")


def check_render(render, html_path, png_path, width):
    from PIL import Image  # python3-pil
    result = subprocess.run([render, html_path, png_path, str(width)], capture_output=True,
                            text=True)
    expect(result.returncode == 0, f"render_page.sh failed: {result.stderr}")
    image = Image.open(png_path).convert("RGB")
    expect(image.size[0] == width, f"{png_path}: {image.size[0]} px wide, not {width}")
    small = image.resize((max(1, image.size[0] // 4), max(1, image.size[1] // 4)))
    pixels = list(small.getdata())
    inked = sum(1 for p in pixels if sum(p) < 600)
    colours = len(set(pixels))
    expect(inked > len(pixels) // 100 and colours > 8,
           f"{png_path} looks blank: {inked} of {len(pixels)} pixels inked, {colours} colours")
    print(result.stdout.strip())


def file_log(log_text, data_file):
    """The log lines of one data file: from its Processing line to its Completed line."""
    lines = log_text.splitlines()
    start = next(i for i, l in enumerate(lines) if f"Processing data file [{data_file}]" in l)
    end = next(i for i in range(start, len(lines)) if "Completed processing" in lines[i])
    return lines[start:end + 1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--loopconv", required=True)
    parser.add_argument("--gen", required=True)
    parser.add_argument("--render", default=os.path.join(ROOT, "scripts", "render_page.sh"))
    parser.add_argument("--keep", help="leave the output folder here")
    parser.add_argument("--corridors", action="store_true",
                        help="convert with --cabinets=... --corridors too")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="loopconv_pages_")
    try:
        out = os.path.join(work, "out")
        log = os.path.join(work, "log")
        os.makedirs(out)
        os.makedirs(log)
        pages = {}
        for date, seed in (("08/17/2021", "2"), ("08/18/2021", "1")):
            folder = os.path.join(work, "in_" + date.replace("/", ""))
            os.makedirs(folder)
            subprocess.run([args.gen, "--devices", "300", "--date", date, "--seed", seed,
                            "--lst", folder], check=True, capture_output=True)
            command = [args.loopconv, "-A", "--rollup=5", "--health", "--picture", "--pages",
                       "-I" + folder, "-O" + out, "-F" + log]
            if args.corridors:
                lst = glob.glob(os.path.join(folder, "*.LST"))[0]
                command += ["--cabinets=" + lst, "--corridors"]
            result = subprocess.run(command, capture_output=True, text=True)
            expect(result.returncode == 0, f"loopconv failed: {result.stdout}{result.stderr}")
            iso = date[6:] + "-" + date[:2] + "-" + date[3:5]
            log_text = "".join(open(p, encoding="latin-1").read()
                               for p in glob.glob(os.path.join(log, "*.txt")))
            data_file = "PELMA20Sec_" + date.replace("/", "") + ".DAT"
            lines = file_log(log_text.split("\n\n")[-2] if "\n\n" in log_text else log_text,
                             data_file)
            pages[iso] = check_day_page(out, iso, lines)
            print(f"day page {iso}: {os.path.getsize(os.path.join(out, f'Day_{iso}.html'))} "
                  f"bytes, figures equal the CSVs'")
        check_index(out, pages)
        print(f"index: {len(pages)} days, newest first")
        renders = os.path.join(work, "png")
        os.makedirs(renders)
        for name in ("Day_2021-08-18.html", "Index.html"):
            for width in (1280, 390):
                check_render(args.render, os.path.join(out, name),
                             os.path.join(renders, f"{name}.{width}.png"), width)
        if args.keep:
            shutil.rmtree(args.keep, ignore_errors=True)
            shutil.copytree(work, args.keep)
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("pages: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
