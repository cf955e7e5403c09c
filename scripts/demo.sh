#!/usr/bin/env bash
# Builds a release binary, generates a sample day (data file and cabinet list)
# in sample/in, converts it into sample/out and shows the start of each report,
# the detector health counts, the corridors' morning and where the day's
# speed and corridor pictures are (both rendered to PNG).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh

cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/demo -j "$(nproc)" --target loopconv loopconv-gen

rm -rf sample
mkdir -p sample/in sample/out sample/log
build/demo/loopconv-gen --devices 300 --date 08/18/2021 --seed 1 --lst sample/in

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
