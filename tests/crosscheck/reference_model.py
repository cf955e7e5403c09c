"""A plain second reading of the converter, used to cross-check its output.

It follows the written description of the data file, the derivations and the
reports step by step, without regard for speed. Texts are handled as latin-1
strings so that every byte of a name survives unchanged. Time stamps are
written as "[T]" and durations as "[S]"; the driver normalises the program's
log and console the same way before comparing.
"""

import os
import struct

PERIODS_PER_DAY = 4320
KIND_LANE, KIND_STATION, KIND_TRAP, KIND_METERED = 80, 84, 88, 261
VERSION = "1.23+"
TS = "[T]"       # any time stamp
DUR = "[S]"      # any duration in "[%.1f] seconds"
MAX_PATH = 259

HELP = {
    'A': '\tReport -A  Output Contents - detectors, stations, speed loops, traps, metered lanes with lane count\n',
    'C': '\tOption -C  Include Ramp Meter Lanes\n',
    'L': '\tReport -L  Output Lane Data\n',
    'S': '\tOption -S  Include Speed detector Data (Lanes with S in the 17th character)\n',
    'T': '\tReport -T  Output Trap Data (virtual speed detectors made from 2 detectors in a lane)\n',
    'E': '\tReport -E  Output Element Data (Lane data merged with virtual Trap data)\n',
    'R': '\tOption -R  Include Lane or Trap data by row first (device) then column (time)\n',
    'M': '\tReport -M  Output metadata files (.LST)\n',
    'I': '\tOption -I["path"] Input folder (-I"c:\\examplefolder"  -location of the binary data files (.DAT))\n',
    'O': '\tOption -O["path"] Output folder (-O"c:\\examplefolder"  -location to write reports)\n',
    'F': '\tOption -F["path"] Log file folder (-F"c:\\examplefolder"  -location to write log files)\n',
    'P': '\tOption -P["timeperiod"] Output a single time period (-P"00:00:00" (:20, :40))\n',
    'D': '\tOption -D["device"] Output a single device dataset (-D"005es17329:_MN___1")\n',
}
HELP_ORDER = "ACLSTERMIOFPD"

# Plane names of a DeviceRecord, in record order.
PLANES = ["Incident", "NumLanes", "Volume", "ScanCnt", "Flag", "NPds",
          "Color0", "Color1", "Color2", "EstLength", "CalcSpdTenths",
          "SpdNPds", "SpdFlag", "SpdFlag2", "SpdTenths", "LenTenths",
          "Bin1", "Bin2", "Bin3", "Bin4", "MeterByte", "MeterHigh", "MeterLow"]
TRAP_PLANES = ["SpdTenths", "LenTenths", "Bin1", "Bin2", "Bin3", "Bin4",
               "SpdFlag", "SpdFlag2", "SpdNPds"]


def f32(x):
    """Rounds a double to the nearest single-precision value."""
    return struct.unpack('<f', struct.pack('<f', x))[0]


_F10, _F12 = {}, {}


def tenths(v):
    """%2.1f of a u16 plane value divided by 10 in single precision."""
    s = _F10.get(v)
    if s is None:
        s = _F10[v] = '%2.1f' % f32(f32(float(v)) / f32(10.0))
    return s


def twelfths(v):
    """%2.1f of a u16 plane value divided by 12 in single precision."""
    s = _F12.get(v)
    if s is None:
        s = _F12[v] = '%2.1f' % f32(f32(float(v)) / f32(12.0))
    return s


def cstr(b):
    """The text of a byte field up to its first NUL."""
    n = b.find(b'\0')
    return b if n < 0 else b[:n]


def atoi(b):
    """C atoi: leading white space, optional sign, digits."""
    i, n = 0, len(b)
    while i < n and b[i] in b' \t\n\v\f\r':
        i += 1
    sign = 1
    if i < n and b[i] in b'+-':
        sign = -1 if b[i] == 0x2d else 1
        i += 1
    v = 0
    while i < n and 0x30 <= b[i] <= 0x39:
        v = v * 10 + b[i] - 0x30
        i += 1
    return sign * v


def s(b):
    return b.decode('latin-1')


def crlf(text):
    """Text mode on the program's platform: every LF is written as CR LF."""
    return text.encode('latin-1').replace(b'\n', b'\r\n')


class Output:
    """What one run leaves: log text, console text, files (name -> bytes)."""

    def __init__(self):
        self.log = []
        self.con = []
        self.files = {}
        self.err = []
        self.error_logged = False

    def L(self, text):
        if text.startswith(TS + " E "):
            self.error_logged = True
            self.err.append("loopconv: " + text[len(TS + " E "):])
        self.log.append(text)

    def C(self, text):
        # An error found before the log exists (the command line) reaches
        # standard error too.
        if text.startswith("     E "):
            self.err.append("loopconv: " + text[len("     E "):])
        self.con.append(text)


# ---------------------------------------------------------------------------
# Data file header and name table

TEXT_KEYS = ["DB Creation", "File Write", "Data Start", "Data End"]
NUMBER_KEYS = ["Version", "Number of Names", "Number of Columns", "Header Size",
               "Name List Size", "Data Size", "File Size"]
MARKERS = [b"PELMA TMS Twenty Second", b"VX.2 Format", b"DB Mode = FIXED"]


class Header:
    def __init__(self):
        self.text = {k: b"" for k in TEXT_KEYS}
        self.num = {k: 0 for k in NUMBER_KEYS}

    def data_start_field(self):
        """The 32-byte Data Start field: its text, zero after it."""
        return self.text["Data Start"].ljust(32, b'\0')


def parse_data_header(img):
    """Reads the text header; changes the image bytes the way the line split
    and the value cuts do (LF, '=' and the value's end become NUL)."""
    h = Header()
    end = img.find(b'\0')
    if end < 0:
        end = len(img)
    pos, taken = 0, 0
    while taken < 15:
        while pos < end and img[pos] == 0x0a:   # a run of LFs is one separator
            pos += 1
        if pos >= end:
            break
        nl = img.find(b'\n', pos, end)
        stop = end if nl < 0 else nl
        line = bytes(img[pos:stop])
        if nl >= 0:
            img[nl] = 0
        start = pos
        pos = stop + 1
        taken += 1
        if any(m in line for m in MARKERS):
            continue
        if b"The remainder" in line:
            break
        key = next((k for k in TEXT_KEYS if k.encode() in line), None)
        is_text = key is not None
        if key is None:
            key = next((k for k in NUMBER_KEYS if k.encode() in line), None)
        if key is None:
            continue
        eq = line.find(b'=')
        if eq < 0:
            continue
        img[start + eq] = 0
        v = eq + 1
        while v < len(line) and line[v] in b'\r\n':
            v += 1
        if v >= len(line):
            continue
        ve = v
        while ve < len(line) and line[ve] not in b'\r\n':
            ve += 1
        if ve < len(line):
            img[start + ve] = 0
        value = line[v:ve]
        if is_text:
            h.text[key] = value[1:][:31]
        else:
            n = atoi(value)
            if n > 0:
                h.num[key] = n
    return h


class Device:
    __slots__ = ("name19", "name", "kind", "aux", "offset", "p")

    def __init__(self, ncols):
        self.name19 = b'\0' * 19
        self.name = b''
        self.kind = 0
        self.aux = 0
        self.offset = 0
        self.p = {}

    def plane(self, key):
        return self.p.get(key)

    def byte(self, i):
        return self.name19[i]


class DataFile:
    """The device table of one data file with every derived plane."""

    def __init__(self, hdr, devices, ncols):
        self.hdr = hdr
        self.dev = devices
        self.ncols = ncols
        self.zero = [0] * ncols

    def get(self, d, key):
        return d.p.get(key, self.zero)


def parse_name_table(img, hdr, out):
    n = hdr.num["Number of Names"]
    hs = hdr.num["Header Size"]
    nls = hdr.num["Name List Size"]
    warned = False
    fit = max(0, (len(img) - hs) // 27) if hs <= len(img) else 0
    if fit < n:
        n = fit
        out.L(TS + " W While parsing the name table, we ran out of name data before we finished the list!\n")
        warned = True
        hdr.num["Number of Names"] = n
    devs = [Device(0) for _ in range(n)]
    for i in range(n):
        e = bytes(img[hs + 27 * i: hs + 27 * i + 27])
        d = devs[i]
        name19 = e[0:19]
        if b'\0' not in name19:
            name19 = name19[:18] + b'\0'
        d.name19 = name19
        d.name = cstr(name19)
        d.kind, d.aux, d.offset = struct.unpack('<HHI', e[19:27])
        if (i + 1) * 27 > nls:
            if not warned:
                out.L(TS + " W While parsing the name table, we ran out of name data before we finished the list!\n")
            break
    return devs


def decode_data_blocks(img, devs, ncols, out):
    sizes = {KIND_LANE: 3, KIND_STATION: 3, KIND_TRAP: 6, KIND_METERED: 2}
    for d in devs:
        size = sizes.get(d.kind)
        if size is None or ncols <= 0:
            continue
        if d.offset + ncols * size > len(img):
            out.L(TS + " E Data block of device [%s] lies outside the file, device skipped!\n" % s(d.name))
            continue
        blk = bytes(img[d.offset: d.offset + ncols * size])
        b = [blk[i::size] for i in range(size)]
        if d.kind in (KIND_LANE, KIND_STATION):
            d.p["Incident"] = [x >> 6 for x in b[0]]
            d.p["NumLanes"] = [(x >> 3) & 7 for x in b[0]]
            d.p["ScanCnt"] = [((x & 7) << 8) | y for x, y in zip(b[0], b[1])]
            if d.kind == KIND_LANE:
                d.p["Volume"] = [x & 0x1F for x in b[2]]
                d.p["Flag"] = [x >> 5 for x in b[2]]
                d.p["NPds"] = list(d.p["NumLanes"])
            else:
                d.p["Volume"] = [x & 0x7F for x in b[2]]
                d.p["Flag"] = [x >> 7 for x in b[2]]
                d.p["NPds"] = [1 if n > 0 else 0 for n in d.p["NumLanes"]]
        elif d.kind == KIND_TRAP:
            d.p["SpdFlag"] = list(b[0])
            d.p["SpdFlag2"] = [x & 0xF0 for x in b[1]]
            d.p["SpdNPds"] = [x >> 7 for x in b[1]]
            d.p["SpdTenths"] = [((x & 3) << 8) | y for x, y in zip(b[1], b[2])]
            d.p["LenTenths"] = [((x & 0x0C) << 6) | y for x, y in zip(b[1], b[3])]
            d.p["Bin1"] = [x & 0x1F for x in b[4]]
            d.p["Bin2"] = [x >> 4 for x in b[5]]
            d.p["Bin3"] = [x & 0x0F for x in b[5]]
            d.p["Bin4"] = [x >> 5 for x in b[4]]
        else:
            d.p["MeterByte"] = list(b[0])
            d.p["MeterHigh"] = [x >> 4 for x in b[1]]
            d.p["MeterLow"] = [x & 0x0F for x in b[1]]


# ---------------------------------------------------------------------------
# Trap transfer, station aggregation, estimates

def formed_name(name19, changes):
    b = bytearray(name19)
    for pos, ch in changes:
        b[pos] = ord(ch)
    return cstr(bytes(b))


def transfer_trap_data(df, file_name, out):
    traps = xs = sxs = 0
    for t in df.dev:
        if t.byte(16) != ord('T'):
            continue
        traps += 1
        x1 = formed_name(t.name19, [(16, '_')])
        x2 = formed_name(t.name19, [(16, '_'), (11, 'M')])
        sx = formed_name(t.name19, [(16, 'S')])
        xmark = smark = False
        for d in df.dev:
            if d.name == x1 or d.name == x2:
                copy_trap_planes(t, d)
                xs += 1
                xmark = True
            elif d.name == sx:
                copy_trap_planes(t, d)
                sxs += 1
                smark = True
            if xmark and smark:
                break
    out.L(TS + " - Processed [%d] Traps into [%d] _x Lanes and Sx Lanes [%d] in file [%s]...\n"
          % (traps, xs, sxs, file_name))


def copy_trap_planes(t, d):
    for k in TRAP_PLANES:
        if k in t.p:
            d.p[k] = list(t.p[k])
        else:
            d.p.pop(k, None)


def aggregate_stations(df):
    n = df.ncols
    for st in df.dev:
        if st.kind != KIND_STATION:
            continue
        nl = df.get(st, "NumLanes")
        N = nl[0] if n > 0 else 0
        base = bytearray(st.name19)
        base[15] = ord('_')
        base[16] = ord('_')
        bins = [[0] * n for _ in range(4)]
        spd = [0] * n
        ln = [0] * n
        cnt = [0] * n
        k = 1
        for d in df.dev:
            base[17] = ord('0') + k
            if d.name != cstr(bytes(base)):
                continue
            b1, b2, b3, b4 = (df.get(d, "Bin%d" % i) for i in (1, 2, 3, 4))
            f2 = df.get(d, "SpdFlag2")
            f1 = df.get(d, "SpdFlag")
            sp = df.get(d, "SpdTenths")
            le = df.get(d, "LenTenths")
            for p in range(n):
                w = b1[p] + b2[p] + b3[p] + b4[p]
                if (f2[p] & 128) and 10 <= sp[p] // 10 <= 110:
                    bins[0][p] += b1[p]
                    bins[1][p] += b2[p]
                    bins[2][p] += b3[p]
                    bins[3][p] += b4[p]
                    spd[p] += sp[p] * w
                    ln[p] += le[p] * w
                    cnt[p] += 1
                elif (f1[p] & 128) and sp[p] == 0 and w == 0:
                    cnt[p] += 1
            if k == N:
                break
            k += 1
            if k > 8:
                break
        # Finish every station, whether or not lane N was found.
        out_spd, out_len, out_flag = [0] * n, [0] * n, [0] * n
        for p in range(n):
            t = bins[0][p] + bins[1][p] + bins[2][p] + bins[3][p]
            if t:
                out_spd[p] = (spd[p] // t) & 0xFFFF
                out_len[p] = (ln[p] // t) & 0xFFFF
            if nl[p] != 0 and cnt[p] / nl[p] >= 0.65:
                out_flag[p] = 128
        for i in range(4):
            st.p["Bin%d" % (i + 1)] = [x & 0xFFFF for x in bins[i]]
        st.p["SpdTenths"] = out_spd
        st.p["LenTenths"] = out_len
        st.p["SpdFlag"] = out_flag


def compute_estimates(df):
    for d in df.dev:
        V = df.get(d, "Volume")
        S = df.get(d, "ScanCnt")
        L = df.get(d, "NumLanes")
        est = list(df.get(d, "EstLength"))
        calc = list(df.get(d, "CalcSpdTenths"))
        for p in range(df.ncols):
            v, sc, l = V[p], S[p], L[p]
            if v != 0:
                est[p] = int(float(sc * l * 715) / float(v * 450) + 0.5) & 0xFFFF
            if sc * l > 0:
                calc[p] = int(float(v * est[p] * 450) / float(sc * l * 11) + 0.5) & 0xFFFF
        d.p["EstLength"] = est
        d.p["CalcSpdTenths"] = calc


def has_data_start_date(field):
    """MM/DD/YYYY at the start of the Data Start field, MM 01-12, DD 01-31."""
    f = bytes(field[:10])
    if len(f) < 10 or any(not (48 <= f[i] <= 57) for i in (0, 1, 3, 4, 6, 7, 8, 9)):
        return False
    if f[2:3] != b'/' or f[5:6] != b'/':
        return False
    return 1 <= int(f[0:2]) <= 12 and 1 <= int(f[3:5]) <= 31


def load_data_file(img_bytes, file_name, out):
    """Steps 7 to 9 of the pipeline: header, names, decoding, transfer,
    stations, estimates. Returns the DataFile."""
    img = bytearray(img_bytes)
    hdr = parse_data_header(img)
    if hdr.num["Number of Columns"] > PERIODS_PER_DAY:
        out.L(TS + " W Number of Columns [%d] exceeds 4320, using the first 4320 periods!\n"
              % hdr.num["Number of Columns"])
        hdr.num["Number of Columns"] = PERIODS_PER_DAY
    if not has_data_start_date(hdr.data_start_field()):
        out.L(TS + " E Data file [%s] has no valid Data Start date (MM/DD/YYYY), file skipped!\n"
              % file_name)
        return None
    ncols = hdr.num["Number of Columns"]
    devs = parse_name_table(img, hdr, out)
    decode_data_blocks(img, devs, ncols, out)
    df = DataFile(hdr, devs, ncols)
    transfer_trap_data(df, file_name, out)
    aggregate_stations(df)
    compute_estimates(df)
    df.cache = {}
    return df


# ---------------------------------------------------------------------------
# Reports

def date_pieces(hdr):
    f = hdr.data_start_field()
    return s(cstr(f[0:2])), s(cstr(f[3:5])), s(cstr(f[6:10]))


def label(df, p):
    date = s(cstr(df.hdr.data_start_field()[:10]))
    return "%10.10s %2.2u:%2.2u:%2.2u" % (date, p // 180, (p % 180) // 3, (p % 3) * 20)


def report_path(opts, df, word):
    mm, dd, yy = date_pieces(df.hdr)
    return "%sPELMA20Sec_%s%.2s%.2s%.4s.csv" % (opts.outputFolder, word, mm, dd, yy)


def period_range(opts, df, path, out, console):
    """Returns (first, end) of the period range."""
    if not opts.singlePeriod:
        return 0, df.ncols
    t = opts.periodText.encode('latin-1')
    hh, mm, ss = atoi(t[0:2]), atoi(t[3:5]), atoi(t[6:8])
    sec = 1 if ss == 20 else 2 if ss == 40 else ss
    idx = hh * 180 + mm * 3 + sec
    out.L(TS + " - Printing period [%s] column [%d] for [%s]\n" % (opts.periodText, idx, path))
    if console:
        out.C("Printing period [%s] column [%d] for [%s]\n" % (opts.periodText, idx, path))
    if idx < 0 or idx >= df.ncols:
        out.L(TS + " W Period [%s] column [%d] is outside the file's %d periods!\n"
              % (opts.periodText, idx, df.ncols))
        out.C("          W Period [%s] column [%d] is outside the file's %d periods!\n"
              % (opts.periodText, idx, df.ncols))
        return 0, 0
    return idx, idx + 1


def device_selection(opts, df, out):
    """Returns the list of covered devices, or None for all of them."""
    if not (opts.singleDevice and opts.deviceName):
        return None
    want = opts.deviceName.encode('latin-1')
    for d in df.dev:
        if d.name == want:
            out.L(TS + " - Processing device [%s]\n" % s(d.name))
            out.C("Processing device [%s]\n" % s(d.name))
            return [d]
    out.L(TS + " W Device [%s] NOT found!\n" % opts.deviceName)
    out.C("          W Device [%s] NOT found!\n" % opts.deviceName)
    return []


def open_report(opts, path, out, contents=False):
    if len(path) > MAX_PATH:
        out.L(TS + " E Path [%s] is longer than 259 characters!\n" % path)
        return False
    if contents:
        out.L(TS + " - Writing 20 second data elements to CSV file [%s]...\n" % path)
    else:
        out.L(TS + " - Writing 20 second data to CSV file [%s]...\n" % path)
    if not os.path.isdir(os.path.dirname(path)):   # a '/' in the date pieces, say
        out.L(TS + " E Could not open data file [%s]! - Error = [2].\n" % path)
        return False
    return True


def lane_filter(opts, d):
    return d.kind == KIND_STATION or (
        d.kind == KIND_LANE and (d.byte(16) != ord('S') or opts.includeSpeedLoops))


def lane_rows(df, d):
    key = ("lane", id(d))
    rows = df.cache.get(key)
    if rows is None:
        g = lambda k: df.get(d, k)
        nl, vol, sc, fl, inc, sp, le = (g("NumLanes"), g("Volume"), g("ScanCnt"), g("Flag"),
                                        g("Incident"), g("SpdTenths"), g("LenTenths"))
        name = s(d.name)
        rows = ["%s,%s,%u,%u,%s,%u,%u,%s,%s\n" % (
            name, label(df, p), nl[p], vol[p], twelfths(sc[p]), fl[p], inc[p],
            tenths(sp[p]), tenths(le[p])) for p in range(df.ncols)]
        df.cache[key] = rows
    return rows


def ordered_rows(devs, first, end, rows_of, row_first):
    out = []
    if row_first:
        for d in devs:
            out.extend(rows_of(d)[first:end])
    else:
        tables = [rows_of(d) for d in devs]
        for p in range(first, end):
            for t in tables:
                out.append(t[p])
    return out


def write_lane_report(opts, df, out):
    word = ("Lane_P_" if opts.singlePeriod else "Lane_D_" if opts.singleDevice else
            "Lane_S_" if opts.includeSpeedLoops else "Lane_R_" if opts.rowFirst else "Lane_")
    path = report_path(opts, df, word)
    if not open_report(opts, path, out):
        return
    first, end = period_range(opts, df, path, out, console=True)
    sel = device_selection(opts, df, out)
    covered = df.dev if sel is None else sel
    devs = [d for d in covered if lane_filter(opts, d)]
    text = "name,collectiontime,lanes,volume,occupancy (%),status,incident,speed,length\n"
    text += "".join(ordered_rows(devs, first, end, lambda d: lane_rows(df, d), opts.rowFirst))
    out.files[path] = crlf(text)


def trap_rows(df, d):
    key = ("trap", id(d))
    rows = df.cache.get(key)
    if rows is None:
        g = lambda k: df.get(d, k)
        sp, le, b1, b2, b3, b4, f1, f2 = (g("SpdTenths"), g("LenTenths"), g("Bin1"), g("Bin2"),
                                          g("Bin3"), g("Bin4"), g("SpdFlag"), g("SpdFlag2"))
        name = s(d.name)
        rows = ["%s,%s,%s,%s,%u,%u,%u,%u,%u,%u\n" % (
            name, label(df, p), tenths(sp[p]), tenths(le[p]), b1[p], b2[p], b3[p], b4[p],
            f1[p], f2[p]) for p in range(df.ncols)]
        df.cache[key] = rows
    return rows


def write_trap_report(opts, df, out):
    word = ("Trap_D_" if opts.singleDevice else "Trap_P_" if opts.singlePeriod else
            "Trap_R_" if opts.rowFirst else "Trap_")
    path = report_path(opts, df, word)
    if not open_report(opts, path, out):
        return
    text = ("name,collectiontime,speed(ave mph),length (ave ft),bin1 (0.0-20.0),"
            "bin2 (20.1-42.0),bin3 (42.1-72.0),bin4 (72.1-115.0 ),flag1,flag2\n")
    first, end = period_range(opts, df, path, out, console=False)
    sel = device_selection(opts, df, out)
    covered = df.dev if sel is None else sel
    devs = [d for d in covered if d.kind == KIND_TRAP]
    text += "".join(ordered_rows(devs, first, end, lambda d: trap_rows(df, d), opts.rowFirst))
    out.files[path] = crlf(text)


def colours(flow, scan, spd):
    if flow == 0 and scan == 0:
        return 4, 4, 4
    c0 = 100 if flow >= 2000 else 1 if flow >= 1500 else 2 if flow >= 1000 else 3
    c1 = 100 if scan > 420 else 1 if scan > 264 else 2 if scan > 180 else 3
    c2 = 3 if spd > 500 else 2 if spd > 400 else 1 if spd > 300 else 100
    return c0, c1, c2


def element_rows(df, d):
    key = ("element", id(d))
    rows = df.cache.get(key)
    if rows is None:
        g = lambda k: df.get(d, k)
        nl, vol, sc, fl, npds = g("NumLanes"), g("Volume"), g("ScanCnt"), g("Flag"), g("NPds")
        sp, le = g("SpdTenths"), g("LenTenths")
        b1, b2, b3, b4 = g("Bin1"), g("Bin2"), g("Bin3"), g("Bin4")
        f1, f2, snp, est, calc = (g("SpdFlag"), g("SpdFlag2"), g("SpdNPds"), g("EstLength"),
                                  g("CalcSpdTenths"))
        name = s(d.name)
        rows = []
        for p in range(df.ncols):
            if nl[p] == 0:
                flow = 0
            else:
                flow = int(f32(f32(float(vol[p]) * 180.0) / f32(float(nl[p]))) + 0.5) & 0xFFFF
            c0, c1, c2 = colours(flow, sc[p], sp[p])
            rows.append("%s,%u,%u,%s,%u,%u,%u,%u,%u,%u,%s,%s,%u,%u,%u,%u,%u,%u,%u,%u,%2.1f,%d,%s\n" % (
                name, nl[p], vol[p], twelfths(sc[p]), sc[p], fl[p], npds[p], c0, c1, c2,
                tenths(sp[p]), tenths(le[p]), b1[p], b2[p], b3[p], b4[p], f1[p], f2[p], snp[p],
                est[p], float(calc[p]), nl[p] * sc[p], label(df, p) + " "))
        df.cache[key] = rows
    return rows


def write_element_report(opts, df, out):
    word = ("Element_D_" if opts.singleDevice else "Element_P_" if opts.singlePeriod else
            "Element_S_" if opts.includeSpeedLoops else "Element_")
    path = report_path(opts, df, word)
    if not open_report(opts, path, out):
        return
    first, end = period_range(opts, df, path, out, console=True)
    sel = device_selection(opts, df, out)
    if sel is None:
        devs = [d for d in df.dev if lane_filter(opts, d)]
    else:
        devs = [d for d in sel if d.kind in (KIND_LANE, KIND_STATION)]
    text = ("Name,NumLanes,Volume,OccTenths,ScanCnt,Flag,NPds,Color0,Color1,Color2,SpdTenths,"
            "LenTenths,Bin1,Bin2,Bin3,Bin4,SpdFlag,SpdFlag2,SpdNPds,EstLength,CalcSpdTenths,"
            "ScanCntSum,CollectionTime\n")
    text += "".join(ordered_rows(devs, first, end, lambda d: element_rows(df, d), False))
    out.files[path] = crlf(text)


def contents_filter(opts, d):
    c16 = d.byte(16)
    if d.kind == KIND_LANE:
        return (c16 != ord('S') or opts.includeSpeedLoops) and (c16 != ord('R') or opts.includeRampMeters)
    if d.kind in (KIND_STATION, KIND_TRAP):
        return True
    if d.kind == KIND_METERED:
        return c16 != ord('R') or opts.includeRampMeters
    return False


def write_contents_report(opts, df, out):
    word = ("Content_C_" if opts.includeRampMeters else "Content_S_" if opts.includeSpeedLoops
            else "Content_")
    path = report_path(opts, df, word)
    if not open_report(opts, path, out, contents=True):
        return
    n = len(df.dev)
    first, end = 0, n
    if opts.singleDevice and opts.deviceName and n > 0:
        want = opts.deviceName.encode('latin-1')
        first = end = n
        for k, d in enumerate(df.dev):
            if d.name == want:
                first, end = k, k + 1
                break
    text = "Input element count = %u\n" % end
    text += "Name,NumLanes\n"
    listed = 0
    if df.ncols >= 1:
        for d in df.dev[first:end]:
            if contents_filter(opts, d):
                text += "%s,%u\n" % (s(d.name), df.get(d, "NumLanes")[0])
                listed += 1
    text += "Contents listed = %u\n" % listed
    out.files[path] = crlf(text)


def process_data_file(opts, name, data, out, cache=None, completed=None):
    """The data file pipeline. `data` is the file's bytes; `cache` may hold an
    already loaded DataFile for the same bytes (the load is deterministic).
    `completed` maps each Data Start date (MM/DD/YYYY) to the last file of
    the run with that date that completed; a later file of the date warns
    after its Completed lines that it replaced that file's outputs."""
    out.L(TS + " - Processing data file [%s], starting at [T]\n" % name)
    out.C("Processing data file [%s], starting at [T]\n" % name)
    path = opts.inputFolder + name
    if len(path) > MAX_PATH:
        out.L(TS + " E Path [%s] is longer than 259 characters!\n" % path)
        return
    if data is None:   # a folder
        out.L(TS + " E Could not open data file [%s]! - Error = [21].\n" % name)
        return
    out.L(TS + " - Filesize is [%d]\n" % len(data))
    if cache is not None and name in cache:
        df, lines = cache[name]
        for line in lines:
            out.L(line)
    else:
        sub = Output()
        df = load_data_file(data, name, sub)
        for line in sub.log:
            out.L(line)
        if cache is not None:
            cache[name] = (df, sub.log)
    if df is None:   # no Data Start date: skipped, no Completed line
        return
    if opts.elementReport:
        write_element_report(opts, df, out)
    if opts.laneReport:
        write_lane_report(opts, df, out)
    if opts.trapReport:
        write_trap_report(opts, df, out)
    if opts.contentsReport:
        write_contents_report(opts, df, out)
    out.C("Completed processing of data file [%s] in [S] seconds.\n" % name)
    out.L(TS + " - Completed processing of data file [%s] in [S] seconds.\n" % name)
    if completed is not None:
        date = s(bytes(df.hdr.data_start_field()[:10]))
        if date in completed:
            warning = ("W Data files [%s] and [%s] share the Data Start date [%s]; the later "
                       "one's outputs replace the earlier one's!\n" % (completed[date], name, date))
            out.L(TS + " " + warning)
            out.C("          " + warning)
        completed[date] = name


# ---------------------------------------------------------------------------
# Cabinet list conversion

class Metadata:
    def __init__(self):
        self.date = b""   # carries over from one list file to the next


def fgets_lines(data):
    pos = 0
    while pos < len(data):
        chunk = data[pos:pos + 255]
        nl = chunk.find(b'\n')
        line = chunk if nl < 0 else chunk[:nl + 1]
        pos += len(line)
        yield cstr(line)


def is_cabinet_line(line):
    return len(line) >= 5 and line[3:4] == b'e' and line[4:5] == b's'


def trim_field(b):
    return b.strip(b' \t\n\v\f\r').replace(b',', b'-')


CABINET_FIELDS = [  # (name, first column, last column, treatment)
    ("Device", 0, 9, "as is"), ("Alias", 11, 17, "trim"), ("PortText", 19, 25, "num"),
    ("Address", 27, 30, "trim"), ("Roadway", 32, 42, "trim"), ("Side", 44, 44, "as is"),
    ("Milepost", 46, 51, "trim"), ("Location", 54, 69, "trim"),
    ("VersionText", 71, 73, "num"), ("LoopsText", 75, 77, "num"),
    ("StationsText", 79, 80, "num"), ("SpeedtrapsText", 82, 83, "num"),
    ("MeteredlanesText", 85, 86, "num"), ("Status", 88, 96, "trim")]


def convert_cabinet_list(opts, name, data, meta, out):
    out.C("Processing metadata file [%s], starting[T]\n" % name)
    out.L(TS + " - Processing metadata file [%s], starting[T]\n" % name)
    path = opts.inputFolder + name
    if len(path) > MAX_PATH:
        out.L(TS + " E Path [%s] is longer than 259 characters!\n" % path)
        return
    if data is None:   # a folder
        out.L(TS + " E Could not open meta data file [%s]! - Error = [21].\n" % name)
        return
    out.L(TS + " - File [%s] filesize is [%d]\n" % (name, len(data)))
    lines = list(fgets_lines(data))
    cabinets = [ln for ln in lines if is_cabinet_line(ln)]
    out.L(TS + " - Found [%d] cabinets in metadata file [%s]\n" % (len(cabinets), name))
    if lines:
        first = lines[0]
        for i, ch in enumerate(first):
            if ch != ord('-'):
                continue
            date = first[i + 2:i + 12]
            meta.date = date
            if not (len(date) > 5 and date[2:3] == b'/' and date[5:6] == b'/'):
                out.L(TS + " W No date [%s] in metadata file [%s]\n" % (s(date), name))
                return
            meta.date = date[:2] + b'_' + date[3:5] + b'_' + date[6:]
    out.L(TS + " - Loaded [%d] cabinets from metadata file [%s].\n" % (len(cabinets), name))
    csv = "%sLUMO_%10s.CSV" % (opts.outputFolder, s(meta.date))
    if len(csv) > MAX_PATH:
        out.L(TS + " E Path [%s] is longer than 259 characters!\n" % csv)
    else:
        out.L(TS + " - Writing metadata to CSV file [%s]...\n" % csv)
    if len(csv) <= MAX_PATH and not os.path.isdir(os.path.dirname(csv)):
        out.L(TS + " E Could not open meta data file [%s]! - Error = [2].\n" % csv)
    elif len(csv) <= MAX_PATH:
        text = ("Device,Alias,Port,Address,Roadway,Side,Milepost,Location,Version,Loops,"
                "Stations,Speedtraps,Meteredlanes,Status\n")
        for ln in cabinets:
            f = {}
            for fname, a, b, how in CABINET_FIELDS:
                v = ln[a:b + 1]
                if how == "trim":
                    v = trim_field(v)
                elif how == "num":
                    f[fname[:-4]] = atoi(v)
                f[fname] = v
            text += "%s,%s,%d,%s,%s,%s,%s,%s,%d,%d,%d,%d,%d,%s\n" % (
                s(f["Device"]), s(f["Alias"]), f["Port"], s(f["Address"]), s(f["Roadway"]),
                s(f["Side"]), s(f["Milepost"]), s(f["Location"]), f["Version"], f["Loops"],
                f["Stations"], f["Speedtraps"], f["Meteredlanes"], s(f["Status"]))
        out.files[csv] = crlf(text)
    out.C("Completed processing of List File [%s] in [S] seconds.\n" % name)
    out.L(TS + " - Completed processing of List File [%s] in [S] seconds.\n" % name)


# ---------------------------------------------------------------------------
# Command line and run driver

class Options:
    def __init__(self):
        self.logFolder = self.inputFolder = self.outputFolder = ""
        self.periodText = self.deviceName = ""
        self.commandLetters = ""
        self.contentsReport = self.includeRampMeters = self.elementReport = False
        self.laneReport = self.metadataMode = self.rowFirst = False
        self.includeSpeedLoops = self.trapReport = False
        self.singlePeriod = self.singleDevice = False


FLAG_FIELDS = {'A': "contentsReport", 'C': "includeRampMeters", 'E': "elementReport",
               'L': "laneReport", 'M': "metadataMode", 'R': "rowFirst",
               'S': "includeSpeedLoops", 'T': "trapReport"}
FOLDER_FIELDS = {'I': "inputFolder", 'O': "outputFolder", 'F': "logFolder"}


def parse_command_line(argv, cwd, out):
    """Returns (result, Options): 0 error, 1 help shown, 2 go on."""
    o = Options()
    letters = 0
    for arg in argv[1:]:
        if not arg or arg[0] not in "-/":
            continue
        c = arg[1].upper() if len(arg) > 1 else "\0"
        text = arg[2:]
        if c in FLAG_FIELDS:
            out.C(HELP[c])
            if letters < 15:
                o.commandLetters += c + " "
                letters += 1
            setattr(o, FLAG_FIELDS[c], True)
        elif c in FOLDER_FIELDS:
            if len(arg) < 4:
                out.C("     E Illegal syntax -- no '%s' string!\n" % c)
                out.C(HELP[c])
                return 0, o
            setattr(o, FOLDER_FIELDS[c], text)
            out.C("\tOption -%s, String = %s\n" % (c, text))
        elif c == 'P':
            if len(arg) < 4:
                out.C("     E Illegal syntax -- no 'P' string!\n")
                out.C(HELP['P'])
                return 0, o
            o.periodText = text[:15]
            out.C("\tOption -%s, String = %s\n" % (c, o.periodText))
            if len(text) == 8 and text[2] == ':' and text[5] == ':':
                digits = all(text[i].isascii() and text[i].isdigit() for i in (0, 1, 3, 4, 6, 7))
                if not (digits and int(text[0:2]) <= 23 and int(text[3:5]) <= 59
                        and text[6:8] in ("00", "20", "40")):
                    out.C("     E Illegal 'P' time -- HH 00 to 23, MM 00 to 59, SS 00, 20 or 40!\n")
                    out.C(HELP['P'])
                    return 0, o
                o.singlePeriod = True
            else:
                out.C("     E Illegal 'P' syntax -- too long, too short, or missing ':'!\n")
                out.C(HELP['P'])
                return 0, o
        elif c == 'D':
            if len(arg) < 20:
                out.C("     E Illegal syntax -- no 'D' string!\n")
                out.C(HELP['D'])
                return 0, o
            o.deviceName = text[:30]
            out.C("\tOption -%s, String = %s\n" % (c, o.deviceName))
            if len(text) == 18 and text[10] == ':':
                o.singleDevice = True
            else:
                out.C("     E Illegal 'D' syntax -- too long, too short, or missing ':'!\n")
                out.C(HELP['D'])
                return 0, o
        elif c == '?':
            out.C("Command separators - / upper or lower case are equivalent for any valid "
                  "command. (-X, /X, -x, or /x )\n")
            for h in HELP_ORDER:
                out.C(HELP[h])
            return 1, o
        else:
            out.C("     E Illegal option code = %s\n" % c)
            for h in HELP_ORDER:
                out.C(HELP[h])
            return 0, o
    if len(argv) == 1:
        out.C("Usage: %s /? for help\n" % argv[0])
        out.C("Using defaults, processing files in current folder, only printing Element Data.\n")
        o.elementReport = True
    for field in ("inputFolder", "outputFolder", "logFolder"):
        v = getattr(o, field) or cwd
        if not v.endswith("/"):
            v += "/"
        setattr(o, field, v)
    return 2, o


def run(argv, cwd, entries, cache=None):
    """Models one run. `entries` maps the input folder's file names to their
    bytes (None for a sub-folder); `entries` None is a missing input folder.
    Returns (Output, exit status). File names in Output.files are the
    full paths the program forms."""
    out = Output()
    out.C(TS + " - Version = %s\n" % VERSION)
    res, o = parse_command_line(argv, cwd, out)
    if res == 0:
        out.C(TS + " E Error on command line!\n")
        out.err.append("loopconv: Error on command line!\n")
        return out, 2
    if res == 1:
        return out, 0
    out.L("\n" + TS + " - Version = %s\n" % VERSION)
    out.L(TS + " - Commands: ")
    out.C(TS + " - Commands: ")
    out.C("%s\n" % o.commandLetters)
    out.L("%s\n" % o.commandLetters)
    folders = [TS + " - Reading folder [%s]\n" % o.inputFolder,
               TS + " - Writing folder [%s]\n" % o.outputFolder,
               TS + " - Logging folder [%s]\n" % o.logFolder]
    for f in folders:
        out.L(f)
    for f in folders:
        out.C(f)
    log_path = o.logFolder + "ConvertorLog*.txt"
    if entries is None:
        out.L(TS + " E Source Directory [%s] not found!\n" % o.inputFolder)
        out.err.append("loopconv: %d error(s) logged in [%s]\n" % (len(out.err), log_path))
        return out, 1
    dats = lsts = 0
    meta = Metadata()
    completed = {}
    for name in sorted(entries, key=lambda n: n.encode('latin-1')):
        if not o.metadataMode:
            if "DAT" in name:
                process_data_file(o, name, entries[name], out, cache, completed)
                dats += 1
        elif "LST" in name:
            convert_cabinet_list(o, name, entries[name], meta, out)
            lsts += 1
    if dats == 0 and lsts == 0:
        out.L(TS + " E Found no input file.\n")
    out.C("Finished converting %d .DAT Files and %d .LST Files in [S] seconds.\n" % (dats, lsts))
    out.L(TS + " - Finished converting %d .DAT Files and %d .LST Files in [S] seconds.\n\n"
          % (dats, lsts))
    if out.err:
        out.err.append("loopconv: %d error(s) logged in [%s]\n" % (len(out.err), log_path))
    return out, 1 if out.error_logged else 0


def build_data_file(devices, ncols, data_start="08/18/2021 00:00:00", extra_lines=None,
                    header_size=None, name_list_size=None, number_of_names=None,
                    number_of_columns=None, truncate=None, data_start_sep=" = "):
    """Writes a data file from the layout: text header, name table of 27-byte
    entries at "Header Size", then each device's block of per-period records.
    `devices` holds (name bytes, kind, record bytes of all periods)."""
    lines = [b"PELMA TMS Twenty Second Data File", b"VX.2 Format", b"DB Mode = FIXED",
             b"Data Start" + data_start_sep.encode() + data_start.encode('latin-1'),
             b"Version = 2",
             b"Number of Names = %d" % (len(devices) if number_of_names is None else number_of_names),
             b"Number of Columns = %d" % (ncols if number_of_columns is None else number_of_columns)]
    lines += extra_lines or []
    hs = header_size
    if hs is None:
        hs = 512
    nls = 27 * len(devices) if name_list_size is None else name_list_size
    lines += [b"Header Size = %d" % hs, b"Name List Size = %d" % nls,
              b"The remainder of this file is binary name and data records"]
    head = b"".join(l + b"\r\n" for l in lines)
    assert len(head) <= hs, "header longer than its size"
    img = bytearray(head.ljust(hs, b'\0'))
    table_end = hs + 27 * len(devices)
    offset = table_end
    blocks = []
    for name, kind, data in devices:
        entry = name[:19].ljust(19, b'\0') + struct.pack('<HHI', kind, 0, offset if data is not None else 0)
        img += entry
        if data is not None:
            blocks.append(data)
            offset += len(data)
    for b in blocks:
        img += b
    if truncate is not None:
        img = img[:truncate]
    return bytes(img)
