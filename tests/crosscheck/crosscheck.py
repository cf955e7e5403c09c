#!/usr/bin/env python3
"""End-to-end cross-check of loopconv against the reference model.

Generates sample days with loopconv-gen, crafts odd data and list files of its
own, runs loopconv with many option combinations and compares every file it
writes, its log and its console byte for byte with reference_model.py (time
stamps and durations normalised). Prints the first differing line of every
mismatch and ends with "N passed, N failed"; exits non-zero on any failure.
"""

import argparse
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference_model as rm  # noqa: E402

# Time stamps stand at the start of a line and after "starting"; a period
# text such as [07:00:20] elsewhere must stay.
TS_RE = re.compile(rb"(^|starting at |starting)\[\d\d:\d\d:\d\d\]", re.M)
DUR_RE = re.compile(rb"\[\d+\.\d\] seconds")


def normalise(b):
    b = TS_RE.sub(rb"\1[T]", b)
    return DUR_RE.sub(b"[S] seconds", b)


def first_difference(name, want, got):
    """A short account of the first line where two byte texts differ."""
    wl = want.split(b"\n")
    gl = got.split(b"\n")
    for i in range(max(len(wl), len(gl))):
        w = wl[i] if i < len(wl) else None
        g = gl[i] if i < len(gl) else None
        if w != g:
            return ("%s: first difference at line %d\n    model:   %r\n    program: %r"
                    % (name, i + 1, w, g))
    return "%s: differs" % name


class Checker:
    def __init__(self, loopconv, gen, work, verbose):
        self.loopconv = loopconv
        self.gen = gen
        self.work = work
        self.verbose = verbose
        self.passed = 0
        self.failed = 0
        self.serial = 0
        self.cache = {}

    # One run of the program and of the model, compared.
    def check(self, title, in_dir, args, cwd_run=False, out_missing=False):
        self.serial += 1
        run_dir = os.path.join(self.work, "run%03d" % self.serial)
        out_dir = os.path.join(run_dir, "out")
        log_dir = os.path.join(run_dir, "log")
        os.makedirs(log_dir)
        if not out_missing:
            os.makedirs(out_dir)
        entries = None
        if os.path.isdir(in_dir):
            entries = {}
            for n in os.listdir(in_dir):
                p = os.path.join(in_dir, n)
                if os.path.isfile(p):
                    with open(p, "rb") as f:
                        entries[n] = f.read()
                else:
                    entries[n] = None
        cache = self.cache.setdefault(in_dir, {})
        if cwd_run:
            # A run without arguments works in the current folder.
            for n in entries:
                os.link(os.path.join(in_dir, n), os.path.join(out_dir, n))
            argv = [self.loopconv] + args
            cwd = out_dir
            log_dir = out_dir
        else:
            argv = [self.loopconv] + args + ["-I" + in_dir, "-O" + out_dir, "-F" + log_dir]
            cwd = run_dir
        proc = subprocess.run(argv, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=120)
        model, status = rm.run(argv, cwd, entries, cache)
        problems = []
        if proc.returncode != status:
            problems.append("exit status: model %d, program %d" % (status, proc.returncode))
        # Standard error: the E lines and the closing count, the log's
        # dated name masked.
        got_err = re.sub(rb"ConvertorLog\d{8}\.txt", b"ConvertorLog*.txt", proc.stderr)
        want_err = "".join(model.err).encode("latin-1")
        if got_err != want_err:
            problems.append(first_difference("stderr", want_err, got_err))
        # Console from the version line on (the banner's wording is free).
        con = normalise(proc.stdout)
        k = con.find(b"[T] - Version = ")
        con = con[k:] if k >= 0 else con
        want_con = "".join(model.con).encode("latin-1")
        if con != want_con:
            problems.append(first_difference("console", want_con, con))
        # Log.
        logs = [n for n in os.listdir(log_dir) if n.startswith("ConvertorLog")]
        got_log = b""
        if len(logs) == 1:
            with open(os.path.join(log_dir, logs[0]), "rb") as f:
                got_log = normalise(f.read())
        elif model.log:
            problems.append("log files: %r" % logs)
        want_log = "".join(model.log).encode("latin-1")
        if got_log != want_log:
            problems.append(first_difference("log", want_log, got_log))
        # Report and metadata files.
        want_files = {os.path.basename(p): b for p, b in model.files.items()}
        got_names = set(os.listdir(out_dir)) if os.path.isdir(out_dir) else set()
        got_names -= set(entries or ()) | set(logs)
        if cwd_run:
            got_names -= set(logs)
        if got_names != set(want_files):
            problems.append("files: model %s, program %s"
                            % (sorted(want_files), sorted(got_names)))
        for n in sorted(got_names & set(want_files)):
            with open(os.path.join(out_dir, n), "rb") as f:
                got = f.read()
            if got != want_files[n]:
                problems.append(first_difference(n, want_files[n], got))
        label = "%s: %s" % (title, " ".join(args) or "(no arguments)")
        if problems:
            self.failed += 1
            print("FAIL %s" % label)
            for p in problems:
                print("  " + p)
        else:
            self.passed += 1
            if self.verbose:
                print("ok   %s (%d files)" % (label, len(want_files)))
            shutil.rmtree(run_dir)

    def generate(self, name, *gen_args):
        d = os.path.join(self.work, name)
        os.makedirs(d)
        subprocess.run([self.gen] + list(gen_args) + [d], check=True, stdout=subprocess.DEVNULL)
        return d

    def folder(self, name, files):
        d = os.path.join(self.work, name)
        os.makedirs(d)
        for n, b in files.items():
            with open(os.path.join(d, n), "wb") as f:
                f.write(b)
        return d


# ---------------------------------------------------------------------------
# Record encoders, from the bit layouts of the data blocks.

def lane(numlanes, scan, vol, flag=0, incident=0):
    return bytes([(incident << 6) | (numlanes << 3) | (scan >> 8), scan & 0xFF,
                  (flag << 5) | vol])


def station(numlanes, scan, vol, flag=0, incident=0):
    return bytes([(incident << 6) | (numlanes << 3) | (scan >> 8), scan & 0xFF,
                  (flag << 7) | vol])


def trap(spd, length, b1, b2, b3, b4, flag=0, flag2=0x80):
    return bytes([flag, (flag2 & 0xF0) | ((length >> 8) << 2) | (spd >> 8), spd & 0xFF,
                  length & 0xFF, (b4 << 5) | b1, (b2 << 4) | b3])


def repeat(rec, n):
    return rec * n


# ---------------------------------------------------------------------------
# Crafted inputs

def craft_station_cases(n):
    """Stations with a missing lane, lanes out of order, N of 0, sums past 65535."""
    devs = []
    # Station A: N 3, lanes 1 and 3 present, lane 2 missing.
    devs.append((b"010es00001:_AA_S00", rm.KIND_STATION, repeat(station(3, 100, 20), n)))
    devs.append((b"010es00001:_AA___1", rm.KIND_LANE, repeat(lane(1, 50, 6), n)))
    devs.append((b"010es00001:_AA__T1", rm.KIND_TRAP, repeat(trap(600, 180, 3, 1, 0, 0), n)))
    devs.append((b"010es00001:_AA___3", rm.KIND_LANE, repeat(lane(1, 40, 5), n)))
    devs.append((b"010es00001:_AA__T3", rm.KIND_TRAP, repeat(trap(650, 160, 2, 0, 0, 0), n)))
    # Station B: N 2, lane 2 before lane 1 in the table.
    devs.append((b"010es00002:_BB___2", rm.KIND_LANE, repeat(lane(1, 30, 4), n)))
    devs.append((b"010es00002:_BB__T2", rm.KIND_TRAP, repeat(trap(550, 200, 1, 1, 1, 1), n)))
    devs.append((b"010es00002:_BB_S00", rm.KIND_STATION, repeat(station(2, 70, 9), n)))
    devs.append((b"010es00002:_BB___1", rm.KIND_LANE, repeat(lane(1, 30, 4), n)))
    devs.append((b"010es00002:_BB__T1", rm.KIND_TRAP, repeat(trap(700, 190, 2, 2, 0, 0), n)))
    # Station C: lane count 0 at period 0, lanes 1 and 2 present; later periods 2 lanes.
    recs = station(0, 0, 0) + repeat(station(2, 90, 12), n - 1)
    devs.append((b"010es00003:_CC_S00", rm.KIND_STATION, recs))
    devs.append((b"010es00003:_CC___1", rm.KIND_LANE, repeat(lane(1, 45, 6), n)))
    devs.append((b"010es00003:_CC__T1", rm.KIND_TRAP, repeat(trap(620, 170, 4, 0, 1, 0), n)))
    devs.append((b"010es00003:_CC___2", rm.KIND_LANE, repeat(lane(1, 45, 6), n)))
    devs.append((b"010es00003:_CC__T2", rm.KIND_TRAP, repeat(trap(0, 0, 0, 0, 0, 0, flag=0x80,
                                                                   flag2=0), n)))
    # Station D: weighted sums past 16 bits (68 vehicles at 100.0 mph, 102.3 ft).
    devs.append((b"010es00004:_DD_S00", rm.KIND_STATION, repeat(station(2, 300, 60), n)))
    devs.append((b"010es00004:_DD___1", rm.KIND_LANE, repeat(lane(1, 150, 31), n)))
    devs.append((b"010es00004:_DD__T1", rm.KIND_TRAP, repeat(trap(1000, 1023, 31, 15, 15, 7), n)))
    devs.append((b"010es00004:_DD___2", rm.KIND_LANE, repeat(lane(1, 150, 31), n)))
    devs.append((b"010es00004:_DD__T2", rm.KIND_TRAP, repeat(trap(1009, 1000, 31, 15, 15, 7), n)))
    # Station E: speeds at the edges of the window, varying per period.
    speeds = [99, 100, 101, 1023, 0, 500]
    devs.append((b"010es00005:_EE_S00", rm.KIND_STATION, repeat(station(1, 10, 3), n)))
    devs.append((b"010es00005:_EE___1", rm.KIND_LANE, repeat(lane(1, 10, 3), n)))
    devs.append((b"010es00005:_EE__T1", rm.KIND_TRAP,
                 b"".join(trap(speeds[p % 6], 150, 1, 0, 0, 0, flag2=0x80 if p % 7 else 0x70)
                          for p in range(n))))
    return rm.build_data_file(devs, n)


def craft_trap_cases(n):
    """Traps with two _x lanes, an 'M' second _x name, Sx before _x, a lane
    after the point where both were found, two traps naming one lane."""
    devs = [
        (b"020es00001:_MN___1", rm.KIND_LANE, repeat(lane(1, 60, 5), n)),
        (b"020es00001:MMN___1", rm.KIND_LANE, repeat(lane(1, 61, 6), n)),
        (b"020es00001:_MN__S1", rm.KIND_LANE, repeat(lane(1, 62, 7), n)),
        (b"020es00001:_MN__T1", rm.KIND_TRAP, repeat(trap(655, 183, 4, 1, 0, 0), n)),
        # Sx lane before the _x lane; a second _x lane after both were found.
        (b"020es00002:_MN__S2", rm.KIND_LANE, repeat(lane(1, 63, 8), n)),
        (b"020es00002:_MN___2", rm.KIND_LANE, repeat(lane(1, 64, 9), n)),
        (b"020es00002:MMN___2", rm.KIND_LANE, repeat(lane(1, 65, 10), n)),
        (b"020es00002:_MN__T2", rm.KIND_TRAP, repeat(trap(512, 222, 1, 2, 3, 4, flag=7), n)),
        # A trap with only the 'M' lane (its own position 11 is 'M' already).
        (b"020es00003:MSR__T1", rm.KIND_TRAP, repeat(trap(400, 300, 5, 5, 5, 5), n)),
        (b"020es00003:MSR___1", rm.KIND_LANE, repeat(lane(2, 66, 11), n)),
        # Two traps naming the same lane: the later one wins.
        (b"020es00004:_AB___1", rm.KIND_LANE, repeat(lane(1, 67, 12), n)),
        (b"020es00004:_AB__T1", rm.KIND_TRAP, repeat(trap(301, 101, 1, 0, 0, 0), n)),
        (b"020es00004:_AB__T1", rm.KIND_TRAP, repeat(trap(302, 102, 2, 0, 0, 0), n)),
        # A trap-named device of another kind still transfers; a kind 88 device
        # without 'T' at 16 does not.
        (b"020es00005:_CD__T1", rm.KIND_LANE, repeat(lane(1, 70, 3), n)),
        (b"020es00005:_CD___1", rm.KIND_LANE, repeat(lane(1, 71, 4), n)),
        (b"020es00005:_CD__X1", rm.KIND_TRAP, repeat(trap(777, 55, 1, 1, 1, 1), n)),
        # A short name whose stored byte 16 is 'T' past its terminator.
        (b"SHORT\0xxxxxxxxxxT", rm.KIND_TRAP, repeat(trap(333, 44, 1, 0, 0, 0), n)),
        (b"SHORT", rm.KIND_LANE, repeat(lane(1, 72, 5), n)),
        # Station over lanes of other kinds.
        (b"020es00001:_MN_S00", rm.KIND_STATION, repeat(station(1, 60, 5), n)),
    ]
    return rm.build_data_file(devs, n)


def craft_colour_edges():
    """Values at the colour band edges, one combination per period."""
    combos = []   # (numlanes, volume, scan, speed tenths)
    for vol, nl in [(16, 3), (17, 3), (25, 3), (11, 1), (12, 1), (1, 7), (2, 7), (0, 2),
                    (31, 1), (5, 0)]:
        combos.append((nl, vol, 30, 450))
    for scan in [0, 180, 181, 264, 265, 420, 421, 2047]:
        combos.append((1, 0, scan, 450))
    for spd in [0, 300, 301, 400, 401, 500, 501, 1023]:
        combos.append((1, 3, 10, spd))
    combos.append((0, 0, 0, 800))    # all 4 whatever the speed
    combos.append((0, 9, 0, 800))    # flow 0 without lanes: 4
    combos.append((0, 0, 30, 450))   # NumLanes 0, ScanCnt 30: 3, 3, 2
    combos.append((7, 31, 2047, 1023))
    combos.append((1, 1, 2047, 5))
    n = len(combos)
    lane_recs = b"".join(lane(nl, sc, v, flag=p % 8, incident=p % 4)
                         for p, (nl, v, sc, sp) in enumerate(combos))
    stat_recs = b"".join(station(nl, sc, min(127, v * 4), flag=p % 2)
                         for p, (nl, v, sc, sp) in enumerate(combos))
    trap_recs = b"".join(trap(sp, 100 + p, 1, 0, 0, 0) for p, (nl, v, sc, sp) in enumerate(combos))
    devs = [(b"030es00001:_CL___1", rm.KIND_LANE, lane_recs),
            (b"030es00001:_CL__T1", rm.KIND_TRAP, trap_recs),
            (b"030es00002:_CL_S00", rm.KIND_STATION, stat_recs),
            (b"030es00003:_CL__S1", rm.KIND_LANE, lane_recs),
            (b"030es00003:_CL__T1", rm.KIND_TRAP, trap_recs),
            (b"030es00004:_CL__R1", rm.KIND_LANE, lane_recs),
            (b"030es00005:_CL__R1", rm.KIND_METERED, bytes(range(2 * n))),
            (b"030es00006:_CL__S1", rm.KIND_METERED, bytes(2 * n)),
            (b"030es00007:_CL___1", 0, None),
            (b"030es00008:_CL___1", 300, lane_recs)]
    # Every byte value in every lane field.
    full = bytes(range(256)) * 3
    devs.append((b"030es00009:_FF___1", rm.KIND_LANE, full[:3 * n]))
    devs.append((b"030es00009:_FF_S00", rm.KIND_STATION, full[3:3 + 3 * n]))
    devs.append((b"030es00009:_FF__T1", rm.KIND_TRAP, (full * 2)[:6 * n]))
    return rm.build_data_file(devs, n)


def craft_short_tables():
    n = 30
    devs = [(b"040es00001:_SH___%d" % i, rm.KIND_LANE, repeat(lane(1, 10 * i, i), n))
            for i in range(1, 6)]
    # One byte short of the five entries: the last is still copied.
    a = rm.build_data_file(devs, n, name_list_size=27 * 5 - 1)
    # Name List Size missing: only the first entry.
    b = rm.build_data_file(devs, n, name_list_size=0)
    # The file ends inside the name table: only whole entries are taken.
    c = rm.build_data_file(devs, n, number_of_names=9, truncate=512 + 27 * 3 + 10)
    # A data block past the end of the file.
    d = rm.build_data_file(devs, n, truncate=512 + 27 * 5 + 3 * n * 4 + 7)
    return {"a_short_DAT": a, "b_nolist_DAT": b, "c_cut_DAT": c, "d_block_DAT": d}


def craft_odd_headers():
    n = 20
    devs = [(b"050es00001:_HD___1", rm.KIND_LANE, repeat(lane(2, 120, 7), n)),
            (b"050es00001:_HD__T1", rm.KIND_TRAP, repeat(trap(555, 190, 2, 1, 1, 0), n)),
            (b"050es00001:_HD_S00", rm.KIND_STATION, repeat(station(1, 120, 7), n)),
            (b"050es00002:_HD___1XYZ", rm.KIND_LANE, repeat(lane(1, 5, 1), n))]
    files = {}
    # A short "Data Start": pieces past its end are empty, labels right-aligned.
    files["a_shortdate_DAT"] = rm.build_data_file(devs, n, data_start="0818")
    # Data Start without the blank loses its first character.
    files["b_noblank_DAT"] = rm.build_data_file(devs, n, data_start="x09/01/2022",
                                                 data_start_sep="=")
    # More columns than a day holds: the first 4320 are used.
    big = [(nm, k, repeat(r[:len(r) // n], 4400)) for nm, k, r in devs]
    files["c_columns_DAT"] = rm.build_data_file(big, 4400)
    # No periods at all.
    files["d_nocols_DAT"] = rm.build_data_file(devs, n, number_of_columns=0,
                                                data_start="01/01/2001")
    return files


def craft_overlap():
    """A name table that overlaps header lines: its one entry is valid only
    after the header parse has cut the line at its '=' (kind high byte), its
    value end (CR) and its line end (LF)."""
    n = 10
    offset = 0x0320
    lines = [b"PELMA TMS Twenty Second Data File", b"VX.2 Format", b"DB Mode = FIXED",
             b"Data Start = 03/04/2005 00:00:00", b"Number of Names = 1",
             b"Number of Columns = %d" % n, b"Name List Size = 27", b"Header Size = %d"]
    head = b"".join(l + b"\r\n" for l in lines)
    head = head % (len(head) + 1)   # the width of the number is kept
    hs = len(head)
    entry_line = b"Data Endxxxxxxxxxxx" + b"P" + b"=" + b"ab" + bytes([offset & 0xFF, offset >> 8])
    img = head + entry_line + b"\r\n" + b"The remainder\r\n"
    assert img[hs + 20:hs + 21] == b"=" and img[hs + 25:hs + 27] == b"\r\n", hs
    img = img.ljust(offset, b"\0") + repeat(lane(2, 123, 9), n)
    return img


def craft_small_tables():
    n = 6
    devs = [(b"070es00001:_ST___1", rm.KIND_LANE, repeat(lane(1, 20, 2), n)),
            (b"070es00001:_ST_ST1", rm.KIND_STATION, repeat(station(1, 20, 2), n)),
            (b"070es00001:_ST__T1", rm.KIND_TRAP, repeat(trap(480, 170, 1, 1, 0, 0), n))]
    files = {}
    # No Header Size: the table is read from the first byte of the file.
    img = bytearray(rm.build_data_file(devs, n))
    k = img.find(b"Header Size = 512")
    img[k:k + 17] = b"Header Sixe = 512"
    files["a_nohs_DAT"] = bytes(img)
    # No names at all.
    files["b_none_DAT"] = rm.build_data_file(devs, n, number_of_names=0, data_start="05/06/2007")
    # Over-long text values are cut to 31 characters.
    files["c_long_DAT"] = rm.build_data_file(
        devs, n, data_start="09/10/2011 00:00:00 and a long tail that goes on and on")
    # Same date as c: its reports replace c's.
    files["d_same_DAT"] = rm.build_data_file(devs[::-1], n, data_start="09/10/2011")
    # A key line that starts with '=': the line is cut at that first '='.
    files["e_eq_DAT"] = rm.build_data_file(devs, n, extra_lines=[b"=Data Start = 1 02/03/2004"])
    return files


def craft_random(seed, n=45, count=70):
    """Devices of few cabinets whose names collide on purpose (positions 11,
    15, 16 and 17 from small sets), random kinds, random table order and
    random record bytes: trap transfer and the station lane search meet
    every order of lanes, speed loops and traps."""
    r = random.Random(seed)
    sizes = {rm.KIND_LANE: 3, rm.KIND_STATION: 3, rm.KIND_TRAP: 6, rm.KIND_METERED: 2,
             0: 3, 300: 3}
    devs = []
    for _ in range(count):
        cab = r.choice([b"080es00001", b"080es00002"])
        name = bytearray(cab + b":_MN___1")
        name[11] = ord(r.choice("_M"))
        name[15] = ord(r.choice("__S"))
        name[16] = ord(r.choice("__STTR"))
        name[17] = ord(r.choice("1123"))
        kind = r.choice([rm.KIND_LANE] * 4 + [rm.KIND_STATION] * 2 + [rm.KIND_TRAP] * 3
                        + [rm.KIND_METERED, 0, 300])
        if name[16] == ord('T') and r.random() < 0.7:
            kind = rm.KIND_TRAP
        data = bytes(r.getrandbits(8) for _ in range(sizes[kind] * n))
        if kind == rm.KIND_TRAP:
            # Mostly valid speeds with the valid bit, so that stations have sums.
            b = bytearray(data)
            for p in range(n):
                if r.random() < 0.8:
                    b[6 * p + 1] = (b[6 * p + 1] & 0x7C) | 0x80 | r.choice([0, 1, 2, 3])
            data = bytes(b)
        if kind == rm.KIND_STATION and r.random() < 0.5:
            b = bytearray(data)
            for p in range(n):   # lane counts 1 to 3, often matching the lanes
                b[3 * p] = (b[3 * p] & 0xC7) | (r.choice([1, 2, 3]) << 3)
            data = bytes(b)
        devs.append((bytes(name), kind, data))
    return rm.build_data_file(devs, n, data_start="10/%02d/2015" % (seed % 28 + 1))


def craft_random_header(seed):
    """A valid table and blocks under a shuffled header: duplicate keys with
    zero, negative or text values, runs of LFs, CR-only lines, keys inside
    marker lines, values without their blank, keys pushed past line 15."""
    r = random.Random(seed)
    n = r.choice([3, 7, 20])
    devs = [(b"090es00001:_RH___1", rm.KIND_LANE, repeat(lane(1, 77, 4), n)),
            (b"090es00001:_RH__T1", rm.KIND_TRAP, repeat(trap(610, 175, 3, 0, 1, 0), n)),
            (b"090es00001:_RH_S01", rm.KIND_STATION, repeat(station(1, 77, 4), n))]
    body = rm.build_data_file(devs, n)[512:]
    good = [b"Number of Names = 3", b"Number of Columns = %d" % n, b"Header Size = 1024",
            b"Name List Size = 81", b"Data Start = %02d/%02d/2018 06:00:00" % (seed % 12 + 1, seed)]
    noise = [b"Number of Columns = 0", b"Number of Columns = -5", b"Number of Names = x",
             b"Version = 3", b"Version Number of Names = 2", b"Data Start =", b"Data Start = 1",
             b"Data Start=11/11/2011", b"Data End = 01/02/2003", b"File Size = 99",
             b"DB Mode = FIXED Number of Columns = 1", b"VX.2 Format Data Start = 01/01/1990",
             b"\r", b"random text", b"Number of Columns = %d" % (n - 1),
             b"Number of Columns =    %dabc" % max(1, n - 2), b"Header Size = 1024",
             b"Data Start = 02/02/2002 Number of Names = 1"]
    lines = [b"PELMA TMS Twenty Second Data File", b"VX.2 Format"] + good
    lines += r.sample(noise, r.randint(3, 9))
    r.shuffle(lines)
    if r.random() < 0.7:
        lines.insert(r.randint(8, len(lines)), b"The remainder of this file")
    head = b""
    for l in lines:
        head += l + r.choice([b"\r\n", b"\n", b"\r\n\n\n", b"\n\r\n"])
    assert len(head) < 1024
    return head.ljust(1024, b"\0") + fix_offsets(body, 512, 1024)


def fix_offsets(body, old, new):
    """Moves a name table and its blocks built for Header Size `old` to `new`."""
    b = bytearray(body)
    i = 0
    while i + 27 <= len(b) and b[i:i + 3] == b"090":
        off = struct.unpack_from("<I", b, i + 23)[0]
        struct.pack_into("<I", b, i + 23, off + new - old)
        i += 27
    return bytes(b)


def craft_random_list(seed):
    """Cabinet lines of random characters: commas, tabs, signs, digits and
    blanks in every field, lines cut at random columns."""
    r = random.Random(seed)
    alphabet = b"  \t,,-+0123456789ABab.\x0b\x0c"
    lines = [b"Cabinet list - %02d/%02d/2016" % (seed % 12 + 1, seed % 28 + 1)
             + r.choice([b"\r\n", b"\n", b" - 1\r\n" if seed % 5 == 0 else b"\n"])]
    for _ in range(40):
        body = bytes(r.choice(alphabet) for _ in range(r.randint(0, 110)))
        body = b"001es" + body[5:] if r.random() < 0.8 else body
        lines.append(body + r.choice([b"\r\n", b"\n"]))
    return b"".join(lines)


def craft_late_keys():
    """Key lines past the 15th line are never read; marker lines hide keys."""
    n = 12
    devs = [(b"060es00001:_LK___1", rm.KIND_LANE, repeat(lane(1, 33, 3), n)),
            (b"060es00001:_LK__T1", rm.KIND_TRAP, repeat(trap(456, 123, 1, 1, 0, 0), n))]
    body = rm.build_data_file(devs, n)
    # Rebuild the header by hand: 15 lines, then the real Data Start.
    lines = [b"PELMA TMS Twenty Second Data File Version = 9", b"VX.2 Format", b"DB Mode = FIXED",
             b"Number of Names = 2", b"Number of Columns = %d" % n, b"Header Size = 512",
             b"Name List Size = 54", b"\r", b"Data Start = 07/04/2020 00:00:00",
             b"Number of Columns = -5", b"Number of Columns = 0", b"Data End =",
             b"Version = abc", b"File Size", b"junk line",
             b"Data Start = 12/31/1999 00:00:00", b"The remainder of this file"]
    head = b"".join(l + b"\n\n" for l in lines)
    assert len(head) <= 512
    return head.ljust(512, b"\0") + body[512:]


def craft_lists():
    header = (b"Device     Alias   Port    Addr Roadway     S Milepo  Location         Ver "
              b"Lps St Tr Ml Status   \r\n")
    good = (b"005es17329 CB17329 12       90 I-35W       S 270.45  MAIN ST, N         1   6  1"
            b"  1  2 ACTIVE   \r\n")
    at80 = b"005es17330 CB17330    3   91 I-94        N  12.00  ELM ST, NORTH      2  10  2\r\n"
    short = b"005es17331 CB17\r\n"
    blank_after = b"\r\n"
    notcab = b"xx\r\n"
    longline = b"005es17332 " + b"A" * 289 + b"\r\n"
    files = {
        "1_LST": b"Cabinet list - 08/18/2021\r\n" + header + good + blank_after + at80 + short
                 + notcab + longline,
        # No '-' in the date line: the date of the previous list file.
        "2_LST": b"Cabinet list 08/19/2021\r\n" + good,
        # Two dates, the second rejected.
        "3_LST": b"Cabinet list - 08/18/2021 - 06:00\r\n" + good,
        # Two accepted dates: the second wins.
        "4_LST": b"- 01/02/2003 - 04/05/2006\r\n" + good + at80,
        "5_LST": b"",
        "6_LST": b"Cabinet list -08/18/2021\r\n" + good,
        "7_LST": b"List - 8/18/2021\r\n" + good,
    }
    return files


def craft_list_edges():
    """A date line that is itself a cabinet line; a '-' at the very end."""
    return {"a_LST": b"005es - 11/12/2013 end\r\n" + b"000es00001 X" + b" " * 100 + b"\n",
            "b_LST": b"Cabinet list -"}


# ---------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--loopconv", required=True)
    ap.add_argument("--gen", required=True)
    ap.add_argument("--keep", action="store_true", help="keep the work folder")
    ap.add_argument("-v", "--verbose", action="store_true")
    a = ap.parse_args()
    work = tempfile.mkdtemp(prefix="loopconv-crosscheck-")
    ck = Checker(os.path.abspath(a.loopconv), os.path.abspath(a.gen), work, a.verbose)
    start = time.time()
    try:
        run_all(ck)
    finally:
        if not a.keep and ck.failed == 0:
            shutil.rmtree(work, ignore_errors=True)
        elif ck.failed:
            print("work folder kept: %s" % work)
    print("%.1f seconds" % (time.time() - start))
    print("%d passed, %d failed" % (ck.passed, ck.failed))
    sys.exit(1 if ck.failed else 0)


def pick_devices(in_dir):
    """A lane, a trap, a station, a speed loop and the last entry of the
    generated file, read through the model."""
    name = next(n for n in os.listdir(in_dir) if "DAT" in n)
    with open(os.path.join(in_dir, name), "rb") as f:
        df = rm.load_data_file(f.read(), name, rm.Output())
    find = lambda cond: next(rm.s(d.name) for d in df.dev if cond(d))
    return {
        "lane": find(lambda d: d.kind == rm.KIND_LANE and d.byte(16) == ord('_')),
        "trap": find(lambda d: d.kind == rm.KIND_TRAP),
        "station": find(lambda d: d.kind == rm.KIND_STATION),
        "speed": find(lambda d: d.kind == rm.KIND_LANE and d.byte(16) == ord('S')),
        "last": rm.s(df.dev[-1].name),
        "missing": "999zz99999:_XX___9",
    }


def run_all(ck):
    g1 = ck.generate("g1", "--devices", "60", "--date", "08/18/2021", "--seed", "1", "--lst")
    dv = pick_devices(g1)
    P = "-P07:00:20"
    ck.check("g1", g1, [], cwd_run=True)
    for args in (["-E", "-L", "-T", "-A"], ["-L", "-R"], ["-T", "-R"], ["-S"],
                 ["-E", "-L", "-S"], ["-C", "-A"], ["-S", "-C", "-A"], ["-l", "/s", "-r", "/a"],
                 ["-E", P], ["-L", P], ["-T", P], ["-A", P], ["-L", "-T", "-R", P],
                 ["-E", "-L", "-T", "-A", "-P23:59:40"], ["-E", "-L", "-T", "-P24:00:00"],
                 ["-M"], ["-M", "-E"]):
        ck.check("g1", g1, args)
    for key in ("lane", "trap", "station", "missing", "speed", "last"):
        ck.check("g1 " + key, g1, ["-E", "-L", "-T", "-A", "-D" + dv[key]])
    ck.check("g1 lane R", g1, ["-L", "-T", "-R", "-S", "-D" + dv["lane"]])
    ck.check("g1 trap R", g1, ["-T", "-R", "-D" + dv["trap"]])
    ck.check("g1 speed S", g1, ["-E", "-L", "-S", "-A", "-D" + dv["speed"]])
    ck.check("g1 P+D", g1, ["-E", "-L", "-T", "-A", P, "-D" + dv["lane"]])
    ck.check("g1 P+D", g1, ["-E", "-L", "-T", "-A", "-R", P, "-D" + dv["trap"]])
    ck.check("g1 P+D", g1, ["-E", "-L", "-T", P, "-D" + dv["missing"]])
    ck.check("g1 options", g1, ["-P0:00:20"])
    ck.check("g1 options", g1, ["-Dabc"])
    ck.check("g1 options", g1, ["-Q"])
    ck.check("g1 options", g1, ["-?", "-E"])

    for seed in ("2", "3"):
        g = ck.generate("g" + seed, "--devices", "60", "--date", "12/0%s/2019" % seed,
                        "--seed", seed, "--lst")
        ck.check("g" + seed, g, ["-E", "-L", "-T", "-A"])
        ck.check("g" + seed, g, ["-E", "-L", "-T", "-S", "-C", "-A", "-R"])
        ck.check("g" + seed, g, ["-M"])
    g4 = ck.generate("g4", "--devices", "60", "--date", "02/29/2024", "--seed", "4",
                     "--columns", "500")
    ck.check("g4", g4, ["-E", "-L", "-T", "-A"])
    ck.check("g4", g4, ["-E", "-L", "-T", "-R", "-P02:46:40"])
    ck.check("g4", g4, ["-E", "-L", "-T", "-A", "-P02:46:20"])
    ck.check("g4", g4, ["-E", "-L", "-T", P])
    dv4 = pick_devices(g4)
    ck.check("g4 P+D", g4, ["-E", "-L", "-T", "-A", P, "-D" + dv4["station"]])
    ck.check("g4 P+D", g4, ["-E", "-L", "-T", "-A", "-R", "-P00:00:40", "-D" + dv4["last"]])

    all4 = ["-E", "-L", "-T", "-A"]
    d = ck.folder("stations", {"stations_DAT": craft_station_cases(40)})
    ck.check("stations", d, all4)
    ck.check("stations", d, ["-E", "-L", "-T", "-A", "-S", "-R"])
    d = ck.folder("traps", {"traps_DAT": craft_trap_cases(9)})
    ck.check("traps", d, all4)
    ck.check("traps", d, ["-E", "-L", "-T", "-A", "-S", "-C", "-R"])
    ck.check("traps", d, ["-E", "-L", "-T", "-A", "-D020es00001:MMN___1"])
    d = ck.folder("colours", {"colours_DAT": craft_colour_edges()})
    ck.check("colours", d, all4)
    ck.check("colours", d, ["-E", "-L", "-T", "-A", "-S", "-C"])
    ck.check("colours", d, ["-E", "-L", "-A", "-C", "-D030es00004:_CL__R1"])
    ck.check("colours", d, ["-E", "-L", "-A", "-D030es00003:_CL__S1"])
    ck.check("colours", d, ["-E", "-L", "-T", "-A", "-D030es00005:_CL__R1"])
    ck.check("colours", d, ["-E", "-L", "-T", "-P00:00:-1"])
    ck.check("colours", d, ["-E", "-L", "-T", "-P00:00:10"])
    d = ck.folder("tables", craft_short_tables())
    ck.check("short tables", d, all4)
    d = ck.folder("headers", craft_odd_headers())
    ck.check("odd headers", d, all4)
    ck.check("odd headers", d, ["-E", "-L", "-T", "-A", "-P00:01:00"])
    d = ck.folder("latekeys", {"late_DAT": craft_late_keys()})
    ck.check("late keys", d, all4)
    d = ck.folder("lists", craft_lists())
    ck.check("lists", d, ["-M"])
    d = ck.folder("listedges", craft_list_edges())
    ck.check("list edges", d, ["-M"])
    d = ck.folder("overlap", {"overlap_DAT": craft_overlap()})
    ck.check("overlap", d, all4)
    d = ck.folder("smalltables", craft_small_tables())
    ck.check("small tables", d, all4)
    ck.check("small tables", d, ["-E", "-L", "-T", "-A", "-D070es00001:_ST_ST1"])
    d = ck.folder("random", {"r%d_DAT" % i: craft_random(i) for i in range(1, 9)})
    ck.check("random", d, ["-E", "-L", "-T", "-A"])
    ck.check("random", d, ["-E", "-L", "-T", "-A", "-S", "-C", "-R"])
    ck.check("random", d, ["-E", "-L", "-T", "-A", "-S", "-D080es00001:_MN___1"])
    d = ck.folder("rheaders", {"h%02d_DAT" % i: craft_random_header(i) for i in range(1, 13)})
    ck.check("random headers", d, ["-E", "-L", "-T", "-A"])
    d = ck.folder("randomlists", {"l%02d_LST" % i: craft_random_list(i) for i in range(1, 11)})
    ck.check("random lists", d, ["-M"])
    for args in (["-P 1:00:00", "-L"], ["-E", "-A", "-C", "-L", "-T", "-S", "-R", "-E", "-A", "-C",
                                         "-L", "-T", "-S", "-R", "-E", "-A", "-C", "x"],
                 ["-D" + "y" * 35], ["-"], ["/", "-E"], ["-I"], ["-Ox"], ["/f"],
                 ["-P00:00", "-E"], ["-P00:00:00:00"], ["-D123456789:1234567", "-E"],
                 ["nonsense", "-?"]):
        ck.check("options", g4, args)
    d = ck.folder("empty", {"readme.txt": b"x"})
    ck.check("empty", d, ["-E"])
    os.makedirs(os.path.join(d, "SUBDAT"))
    os.makedirs(os.path.join(d, "SUBLST"))
    ck.check("sub-folders", d, ["-E"])
    ck.check("sub-folders", d, ["-M"])
    ck.check("missing input", os.path.join(d, "nowhere"), ["-E"])
    ck.check("missing output", g4, ["-E", "-L", "-T", "-A"], out_missing=True)
    ck.check("missing output", g1, ["-M"], out_missing=True)


if __name__ == "__main__":
    main()
