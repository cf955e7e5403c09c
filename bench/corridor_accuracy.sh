#!/usr/bin/env bash
# How close the single-loop speed estimate of --corridors comes to the
# simulated truth (loopconv-gen --truth), at the stations without traps:
# per generated day, the median absolute error and the share of the truth's
# intervals below 40 mph estimated below 40 mph (over the stations that get
# estimates: those with a faulty lane get none, and are counted apart), the
# share of free-flow intervals (truth 50 mph or more) estimated below 40 mph
# (false queues), then the signed median error by time of day (night
# 21:00-04:59, peaks 06:00-09:59 and 15:00-18:59, the rest), where the day's
# changing truck share shows.
#   bench/corridor_accuracy.sh [BUILD_DIR] [DEVICES:SEED ...]
#   (default: 300:1 1000:1 1000:2 3000:7)
set -euo pipefail
build=${1:-build/release}
shift || true
days=("$@")
[ ${#days[@]} -gt 0 ] || days=(300:1 1000:1 1000:2 3000:7)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for day in "${days[@]}"; do
  devices=${day%%:*}
  seed=${day##*:}
  rm -rf "$work/in" "$work/out" "$work/log"
  mkdir -p "$work/in" "$work/out" "$work/log"
  "$build/loopconv-gen" --devices "$devices" --date 08/18/2021 --seed "$seed" --lst \
    --truth "$work/truth.csv" "$work/in" >/dev/null
  "$build/loopconv" --cabinets="$(ls "$work"/in/*LST*)" --corridors -I"$work/in" \
    -O"$work/out" -F"$work/log" >/dev/null
  python3 - "$work" "$devices" "$seed" <<'EOF'
import csv, statistics, sys
work, devices, seed = sys.argv[1:4]
truth = {}
with open(work + "/truth.csv", newline="") as f:
    for r in csv.DictReader(f):
        if r["speed_mph"]:
            truth[(r["device"], r["interval_start"])] = float(r["speed_mph"])
with open(work + "/out/Corridor_Measures_5min_2021-08-18.csv", newline="") as f:
    rows = list(csv.DictReader(f))
traps = {r["device"] for r in rows if r["speed_source"] == "trap"}
estimated_at = {r["device"] for r in rows if r["speed_source"] == "estimate"}
errors, slow, found, unestimated_slow, free, false_slow = [], 0, 0, 0, 0, 0
bands = {"night": [], "peaks": [], "rest": []}
for r in rows:
    if r["device"] in traps:
        continue
    t = truth.get((r["device"], r["interval_start"]))
    if t is None:
        continue
    if r["device"] not in estimated_at:
        unestimated_slow += t < 40
        continue
    estimated = r["speed_source"] == "estimate"
    if t < 40:
        slow += 1
        found += estimated and float(r["speed_mph"]) < 40
    if not estimated:
        continue
    if t >= 50:
        free += 1
        false_slow += float(r["speed_mph"]) < 40
    e = float(r["speed_mph"]) - t
    errors.append(abs(e))
    hour = int(r["interval_start"][11:13])
    band = ("night" if hour >= 21 or hour < 5 else
            "peaks" if 6 <= hour < 10 or 15 <= hour < 19 else "rest")
    bands[band].append(e)
print("%s devices, seed %s: %d estimated intervals, median absolute error %.1f mph; "
      "truth below 40 mph %d, estimated below 40 mph %d (%.1f%%; %d more at stations without "
      "estimates); truth 50 mph or more estimated below 40 mph %d of %d (%.2f%%); signed median "
      "by time of day: %s" % (
          devices, seed, len(errors), statistics.median(errors), slow, found,
          100.0 * found / max(slow, 1), unestimated_slow, false_slow, free,
          100.0 * false_slow / max(free, 1),
          ", ".join("%s %+.1f" % (k, statistics.median(v)) for k, v in bands.items() if v)))
EOF
done
