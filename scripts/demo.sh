#!/usr/bin/env bash
# Builds a release binary, generates a sample day (data file, cabinet list and
# the simulation's truth) in sample/in, converts it into sample/out and shows
# the start of each report, one corridor's morning in numbers, the detector
# health counts and where the day's speed and corridor pictures are (both
# rendered to PNG).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh

cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/demo -j "$(nproc)" --target loopconv loopconv-gen

rm -rf sample
mkdir -p sample/in sample/out sample/log
build/demo/loopconv-gen --devices 300 --date 08/18/2021 --seed 8 --lst \
  --truth sample/truth_2021-08-18.csv sample/in

echo "== converting the data file (Element, Lane, Trap and Contents reports, five-minute"
echo "   roll-ups, detector health, the speed picture, the corridors and the day's page)"
build/demo/loopconv -E -L -T -A --rollup=5 --health --picture \
  --cabinets=sample/in/Cabinets_08182021.LST --corridors --pages -Isample/in -Osample/out \
  -Fsample/log
echo "== converting the cabinet list (metadata mode)"
build/demo/loopconv -M -Isample/in -Osample/out -Fsample/log

echo "== files in sample/out"
ls -l sample/out
for f in sample/out/*.csv sample/out/*.CSV; do
  echo "-- $f"
  head -n 4 "$f"
done
echo "-- morning peak rows of the Element report (08:00:00)"
grep -m 5 "08:00:00 " sample/out/PELMA20Sec_Element_*.csv || true
echo "== one corridor's morning: the slowest corridor's stations in the direction of travel,"
echo "   true speed / speed its detectors measured (mph, five-minute roll-ups; - where the"
echo "   station has no speed traps)"
python3 - sample/in/Cabinets_08182021.LST sample/truth_2021-08-18.csv \
  sample/out/Rollup_Stations_5min_2021-08-18.csv <<'EOF2'
import csv, sys
list_file, truth_file, rollup_file = sys.argv[1:4]
where = {}  # cabinet -> (roadway and side, milepost, location)
for line in open(list_file, newline=""):
    if len(line) > 70 and line[3:5] == "es":
        where[line[:10]] = (line[32:43].strip() + " " + line[44], line[46:52].strip(),
                            line[54:70].strip())
times = ["%02d:%02d:00" % (h, m) for h in range(6, 10) for m in (0, 20, 40)]
truth, measured, order = {}, {}, []
for r in csv.DictReader(open(truth_file, newline="")):
    if r["device"] not in order:
        order.append(r["device"])
    truth[r["device"], r["interval_start"][11:]] = r["speed_mph"]
for r in csv.DictReader(open(rollup_file, newline="")):
    measured[r["device"], r["interval_start"][11:]] = r["speed_mph"]
def slowest(corridor):
    return min(float(truth[d, t] or 99) for d in order if where[d[:10]][0] == corridor
               for t in times)
corridor = min({where[d[:10]][0] for d in order}, key=slowest)
print("%-8s %-16s" % ("milepost", "location") + "".join("%10s" % t[:5] for t in times))
for d in order:
    if where[d[:10]][0] != corridor:
        continue
    cells = ["%.0f/%s" % (float(truth[d, t]), ("%.0f" % float(measured[d, t]))
                          if measured.get((d, t)) else "-") for t in times]
    print("%-8s %-16s" % where[d[:10]][1:] + "".join("%10s" % c for c in cells))
print("(%s; truth in sample/truth_2021-08-18.csv)" % corridor)
EOF2
echo "== detector health"
grep "Detector health" sample/log/ConvertorLog*.txt | tail -n 1
echo "== day page: open sample/out/Index.html or sample/out/Day_2021-08-18.html in a browser"
echo "   (scripts/render_page.sh sample/out/Day_2021-08-18.html page.png 1280 makes a PNG)"
echo "== corridors: the morning (06:00-09:59) of each"
grep -h ",am," sample/out/Corridor_Summary_2021-08-18.csv || true
echo "== pictures: open sample/out/Picture_2021-08-18.svg and sample/out/Corridors_2021-08-18.svg"
echo "   in a browser; rendered with headless Chromium into sample/out/*.png"
bash scripts/render_picture.sh sample/out/Picture_2021-08-18.svg sample/out/Picture_2021-08-18.png
bash scripts/render_picture.sh sample/out/Corridors_2021-08-18.svg \
  sample/out/Corridors_2021-08-18.png
bash scripts/render_page.sh sample/out/Day_2021-08-18.html sample/out/Day_2021-08-18.png 1280
echo "== log"
cat sample/log/ConvertorLog*.txt
