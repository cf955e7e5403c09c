#!/usr/bin/env bash
# Installs the npm packages of the documentation examples' test
# (scripts/doc_examples.mjs): DuckDB's Node.js client, pinned, into
# .cache/node/node_modules (ignored by git), once. Needs node and npm
# (scripts/install_deps.sh installs them) and the npm registry.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=.cache/node
package=@duckdb/node-api
version=1.5.6-r.1
if [ -f "$dir/node_modules/$package/package.json" ] &&
   grep -q "\"version\": \"$version\"" "$dir/node_modules/$package/package.json"; then
  exit 0
fi
mkdir -p "$dir"
[ -f "$dir/package.json" ] || echo '{ "private": true }' > "$dir/package.json"
echo "Installing $package@$version into $dir"
npm install --prefix "$dir" --no-audit --no-fund --save-exact "$package@$version" >/dev/null
