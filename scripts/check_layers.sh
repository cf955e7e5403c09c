#!/usr/bin/env bash
# Checks that the includes between the source folders point one way:
#   base <- datafile, metadata <- derive <- analysis <- corridor
#        <- reports, outputs (side by side, never each other) <- convert
# and sample beside them (base, datafile, metadata; no layer uses it).
# reports (the legacy reports) may use analysis but not corridor. Tests and test helpers may include anything. Prints every
# include that breaks the rule and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# The folders each layer may include, itself included.
declare -A allowed=(
  [base]="base"
  [datafile]="base datafile"
  [metadata]="base metadata"
  [derive]="base datafile derive"
  [analysis]="base datafile derive analysis"
  [corridor]="base datafile metadata derive analysis corridor"
  [reports]="base datafile derive analysis reports"
  [outputs]="base datafile metadata derive analysis corridor outputs"
  [convert]="base datafile metadata derive analysis corridor reports outputs convert"
  [sample]="base datafile metadata sample"
)

status=0
for folder in src/*/; do
  layer=$(basename "$folder")
  if [ -z "${allowed[$layer]+x}" ]; then
    echo "src/$layer: a folder that is no known layer"
    status=1
    continue
  fi
  for file in "$folder"*.h "$folder"*.cc; do
    [ -e "$file" ] || continue
    case "$file" in
      *_test.cc | *test_support.h | *test_fixture.h | *test_lines.h | *fake_platform.h) continue ;;
    esac
    while IFS= read -r line; do
      target=${line#*\"}
      target=${target%%/*}
      [ "$target" = "$line" ] && continue  # an include without a folder
      if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
        echo "$file: includes $target/ ($line)"
        status=1
      fi
    done < <(grep -E '^#include "[a-z_]+/' "$file" || true)
  done
done
# The converter itself must not carry the sample writers.
if grep -q 'loopconv_sample' <(sed -n '/add_executable(loopconv src/,/^$/p' CMakeLists.txt); then
  echo "CMakeLists.txt: loopconv links the sample library"
  status=1
fi
[ "$status" = 0 ] && echo "layers: every include points one way"
exit "$status"
