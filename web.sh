#!/usr/bin/env bash
# Builds the show and the module player for the browser into build-web/site/
# and serves the site on http://127.0.0.1:8000/.
#   ./web.sh              install what is missing, build, serve (Ctrl-C stops)
#   ./web.sh --no-serve   build only
# The site is plain files with relative paths: any static host serves it.
# NATIVE_BUILD_DIR names a native build folder to take the generators from
# (default build-web/native, configured here without tests).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
serve=1
port=${PORT:-8000}
for argument in "$@"; do
  case $argument in
    --no-serve) serve=0 ;;
    --help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "web.sh: unexpected argument $argument" >&2; exit 2 ;;
  esac
done

"$root/scripts/install-packages.sh" build web

out=$root/build-web
native=${NATIVE_BUILD_DIR:-$out/native}
wasm=$out/wasm
site=$out/site
jobs=$(nproc)

# The native generators draw qorv.dat, the show's picture and icon, and
# compose qorv.xm.
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$native" -DSOLVANE_BUILD_TESTS=OFF -DSOLVANE_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$native" -j"$jobs" --target qorv_dat qorv_xm demo_resources

# Emscripten's optimizer needs acorn, which Debian keeps with its other Node
# modules, where node does not look by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# The show's picture and icon come from the native build: configured again
# whenever the native build folder changes.
native_dir=$(cd "$native" && pwd)
if ! grep -qx "SOLVANE_NATIVE_BUILD_DIR:PATH=$native_dir" "$wasm/CMakeCache.txt" 2>/dev/null; then
  emcmake cmake -S "$root" -B "$wasm" -DCMAKE_BUILD_TYPE=Release -DSOLVANE_BUILD_TESTS=OFF \
    -DSOLVANE_BUILD_BENCH=OFF -DSOLVANE_NATIVE_BUILD_DIR="$native_dir" ${WEB_CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$wasm" -j"$jobs"

# The site: pages, programs, content, and the modules the player offers.
rm -rf "$site"
mkdir -p "$site/modules"
cp "$root"/web/*.html "$root"/web/*.css "$root"/web/*.js "$site/"
cp "$wasm"/bin/*.js "$wasm"/bin/*.wasm "$site/"
rm -f "$site/render_digest.js" "$site/render_digest.wasm"
cp "$native/bin/qorv.xm" "$native/bin/qorv.dat" "$site/"
cp "$native/bin/qorv.xm" "$site/modules/"

# A few modules of the test corpus (fetched once; never part of the
# repository), each named on the page with where it comes from and its licence.
corpus=${CORPUS_DIR:-$root/build/corpus}
corpus_script=$root/../shared/corpus/get-corpus.sh
if [ ! -d "$corpus" ] && [ -f "$corpus_script" ]; then
  corpus=$out/corpus
  bash "$corpus_script" "$corpus" >&2 || echo "web.sh: the module corpus could not be fetched; the player offers qorv.xm only" >&2
fi
python3 - "$corpus" "$root/../shared/corpus/corpus.tsv" "$site/modules" <<'PYTHON'
import csv, json, os, shutil, sys
corpus, table, modules = sys.argv[1:4]
offered = ["heroes-sound-tracks/heroes01.xm", "pingus-data/gd-giirm.s3m",
           "pingus-data/pingus-1.it", "tecnoballz-data/tecnoballz.mod"]
entries = [{"file": "qorv.xm", "format": "xm",
            "origin": "the show's own music, composed by its generator at build time", "licence": "MIT"}]
rows = {}
if os.path.exists(table):
    with open(table, newline="") as f:
        rows = {row["file"]: row for row in csv.DictReader(f, delimiter="\t")}
for name in offered:
    source = os.path.join(corpus, name)
    if name not in rows or not os.path.exists(source):
        continue
    row = rows[name]
    file = os.path.basename(name)
    shutil.copyfile(source, os.path.join(modules, file))
    entries.append({"file": file, "format": row["format"],
                    "origin": "from the Debian package %s %s (%s)" % (row["package"], row["version"], row["path_in_package"]),
                    "licence": row["licence"]})
with open(os.path.join(modules, "index.json"), "w") as f:
    json.dump(entries, f, indent=1)
print("web.sh: the player offers %d modules" % len(entries), file=sys.stderr)
PYTHON

echo "web.sh: the site is in $site" >&2
if [ "$serve" -eq 1 ]; then
  echo "Serving on http://127.0.0.1:$port/ (Ctrl-C stops)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
fi
