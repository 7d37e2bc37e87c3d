#!/usr/bin/env bash
# Compiler throughput against the closest peers: times zavbuild, zip -9, tar | gzip -9 and
# tar | pigz -9 on corpora made from the @mdi/svg icons, and prints a table of medians;
# then reading each library back: zavinspect verify and list beside gzip -t over the
# same members (the library's side files); then the whole front end: Orlindo --batch on
# a definition database of 16,000 rows beside zavbuild alone on the tree the import
# leaves (the frontend corpus).
# Installs what it needs on a fresh Debian machine, builds zavbuild in Release, makes the
# corpora in a temporary folder and removes them at the end.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: bench/run.sh [-r RUNS] [-c CORPORA] [-z ZAVBUILD] [-o ORLINDO] [-s] [-k]
  -r RUNS     timed runs of every command per corpus, median reported (default 5)
  -c CORPORA  comma-separated list of small, scale, large, frontend (default: all four)
  -z ZAVBUILD time this zavbuild instead of building one in build/bench
  -o ORLINDO  time this Orlindo on the frontend corpus instead of building one (its
              database is made with the mdbwrite of that build, ../tools/mdbwrite, or
              one built in build/frontend-bench)
  -s          also time zavbuild with ZAV_THREADS=1 (the sequential writer)
  -k          keep the temporary folder with the corpora and the samples
Environment: ZAV_THREADS is passed on to zavbuild (default there: one per core);
TMPDIR chooses where the corpora and outputs go (about 3 GB for all four at 5 runs).
The frontend corpus is timed on a file system made fresh for each run (root only:
mkfs.ext4 on a loop device, of the same kind as TMPDIR's); see time_frontend.
EOF
}

bench_dir=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$bench_dir")
runs=5
corpora=small,scale,large,frontend
zavbuild=
orlindo=
sequential=0
keep=0
while getopts 'r:c:z:o:skh' option; do
  case $option in
    r) runs=$OPTARG ;;
    c) corpora=$OPTARG ;;
    z) zavbuild=$OPTARG ;;
    o) orlindo=$OPTARG ;;
    s) sequential=1 ;;
    k) keep=1 ;;
    h) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
  echo "bench/run.sh: RUNS must be a positive number, not '$runs'" >&2
  exit 2
fi
IFS=, read -r -a corpus_list <<<"$corpora"
with_frontend=0
for corpus in "${corpus_list[@]}"; do
  case $corpus in
    small | scale | large) ;;
    frontend) with_frontend=1 ;;
    *) echo "bench/run.sh: unknown corpus '$corpus'" >&2; exit 2 ;;
  esac
done

# --- tools ------------------------------------------------------------------------------
# Keyed by command, not by package: node may come from another Debian-style repository.
source "$root/scripts/packages.sh"
packages=()
need() {  # need COMMAND PACKAGE...
  command -v "$1" >/dev/null 2>&1 || packages+=("${@:2}")
}
need zip zip
need pigz pigz
need gzip gzip
need tar tar
need /usr/bin/time time
need node nodejs
need npm npm nodejs
if [ -z "$zavbuild" ]; then
  need cmake cmake
  need g++ g++
  need make make
  need pkg-config pkg-config
  [ -e /usr/include/zlib.h ] || packages+=(zlib1g-dev)
  [ -e /usr/include/expat.h ] || packages+=(libexpat1-dev)
  [ -e /usr/include/nlohmann/json.hpp ] || packages+=(nlohmann-json3-dev)
fi
if [ ${#packages[@]} -gt 0 ]; then
  zav_install_packages "${packages[@]}"
fi
# The front end needs everything the whole build does (Qt, libmdb, the JSON reader of
# mdbwrite): the same list as test.sh.
if [ "$with_frontend" = 1 ] && [ -z "$orlindo" ]; then
  source "$root/scripts/deps.sh"
fi
cores=$(nproc)

if [ -z "$zavbuild" ] && [ -f "$root/compiler/CMakeLists.txt" ]; then
  echo "Building zavbuild and zavinspect (Release) in build/bench ..."
  cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release \
    -DZAV_BUILD_FRONTEND=OFF -DZAV_BUILD_TESTS=OFF >/dev/null
  cmake --build "$root/build/bench" -j "$cores" --target zavbuild zavinspect >/dev/null
  zavbuild=$root/build/bench/compiler/zavbuild
  zavinspect=$root/build/bench/inspect/zavinspect
fi
zavinspect=${zavinspect:-$(dirname "${zavbuild:-/}")/../inspect/zavinspect}
if [ "$with_frontend" = 1 ]; then
  if [ -z "$orlindo" ]; then
    echo "Building Orlindo and mdbwrite (Release) in build/frontend-bench ..."
    cmake -S "$root" -B "$root/build/frontend-bench" -DCMAKE_BUILD_TYPE=Release -DZAV_BUILD_TESTS=OFF >/dev/null
    cmake --build "$root/build/frontend-bench" -j "$cores" --target Orlindo mdbwrite >/dev/null
    orlindo=$root/build/frontend-bench/frontend/Orlindo
  fi
  orlindo=$(realpath "$orlindo")
  [ -x "$orlindo" ] || { echo "bench/run.sh: no program at $orlindo" >&2; exit 1; }
  mdbwrite=$(dirname "$orlindo")/../tools/mdbwrite
  if ! [ -x "$mdbwrite" ]; then
    cmake -S "$root" -B "$root/build/frontend-bench" -DCMAKE_BUILD_TYPE=Release -DZAV_BUILD_TESTS=OFF >/dev/null
    cmake --build "$root/build/frontend-bench" -j "$cores" --target mdbwrite >/dev/null
    mdbwrite=$root/build/frontend-bench/tools/mdbwrite
  fi
fi
if [ -n "$zavbuild" ]; then
  zavbuild=$(realpath "$zavbuild")
  [ -x "$zavbuild" ] || { echo "bench/run.sh: no program at $zavbuild" >&2; exit 1; }
else
  echo "No compiler in this tree: timing the peers only."
fi

# --- the temporary folder -----------------------------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/zavbench.XXXXXX")
cleanup() {
  # A file system of the frontend runs still mounted there goes first.
  if mountpoint -q "$work/fresh" 2>/dev/null; then umount "$work/fresh"; fi
  if [ "$keep" = 1 ]; then echo "Kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

echo "Fetching @mdi/svg ..."
# A fixed release, so that every machine times the same bytes.
(cd "$work" && npm pack --silent @mdi/svg@7.4.47 >/dev/null)
tar -xzf "$work"/mdi-svg-*.tgz -C "$work"
samples=$work/samples.tsv
corpus_info=$work/corpora.tsv
: >"$samples"
: >"$corpus_info"

# --- timing -------------------------------------------------------------------------------
# measure CORPUS LABEL OUTPUT_FILE COMMAND...: one timed run writing into "$out", a new
# folder. Wall time from the shell's microsecond clock, peak RSS from GNU time (largest
# process of a pipeline). Writes of the previous run are flushed first, outside the
# timing, so that one command does not pay for another's write-back.
#
# Nothing is deleted until every corpus is timed: ext4 without a journal (as on the
# reference machine) skips inodes freed in the last 30 s (vm.dirty_expire_centisecs)
# when it makes a file, so a run that follows the deletion of thousands of files pays
# for each of them on every file it creates, and the figures would show the harness.
runs_made=0
out_root=  # where measure makes its output folders: $work/out unless set
measure() {
  local corpus=$1 label=$2 output=$3
  shift 3
  runs_made=$((runs_made + 1))
  out=${out_root:-$work/out}/$runs_made
  mkdir -p "$out"
  output=${output//@OUT@/$out}
  sync
  local start=$EPOCHREALTIME
  if ! /usr/bin/time -f '%M' -o "$work/rss" "${@//@OUT@/$out}" >"$work/stdout" 2>"$work/stderr"; then
    echo "bench/run.sh: '$label' failed on the $corpus corpus:" >&2
    cat "$work/stdout" "$work/stderr" >&2
    exit 1
  fi
  local end=$EPOCHREALTIME
  local outputBytes
  outputBytes=$(stat -c %s "$output")
  printf '%s\t%s\t%s\t%s\t%s\n' "$corpus" "$label" \
    "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')" \
    "$(tail -n 1 "$work/rss")" "$outputBytes" >>"$samples"
}

run_zavbuild() {  # run_zavbuild SOURCE OUTPUT: fails unless the run completed
  "$zavbuild" bench "$1" "$2" >"$2/zavbuild.log"
  grep -qx '  done' "$2/zavbuild.log" || { cat "$2/zavbuild.log"; return 1; }
}
export -f run_zavbuild
export zavbuild work

run_orlindo() {  # run_orlindo DATABASE SVG_FOLDER OUTPUT: fails unless the library was made
  # Folders of its own for the journal, the compiler file and the settings, so that a
  # user's Orlindo is never touched.
  local home=${ORLINDO_HOME:-$work/orlindo}
  XDG_STATE_HOME=$home/state XDG_RUNTIME_DIR=$home/run XDG_CONFIG_HOME=$home/config \
    "$orlindo" --batch --mdb "$1" --svg "$2" --out "$3" --name bench --copyright 'Material Design Icons' \
    >"$3/orlindo.log" 2>&1 || { cat "$3/orlindo.log"; return 1; }
}
export -f run_orlindo
export orlindo

# The whole front end against zavbuild alone on the tree that its import leaves: the
# same symbols, with the descriptor files and copyright.txt. Orlindo's own compiler is
# the one it carries, built from the same sources.
#
# Each run gets a file system made for it, with the corpus copied in: Orlindo's clean-up
# deletes some 32,000 files, and ext4 without a journal (this bench's reference machine)
# will not reuse a freed inode for 60 s, up to 6 minutes while its table block is
# unwritten; every file made meanwhile is found by a walk past all of them, so the
# run after would time the kernel's wait, not the program (a build that follows another
# within minutes pays it; the README gives that figure apart). zavbuild goes first in
# each run, since it deletes nothing. The file system is of the kind TMPDIR lies on:
# ext4 without a journal where that has none, ext4 as mkfs.ext4 makes it otherwise.
# Without root or loop devices the runs share TMPDIR, and the report says so.
fresh_fs=0
fresh_mkfs_options=()
frontend_fs_plan() {
  [ "$(id -u)" = 0 ] && command -v mkfs.ext4 >/dev/null && command -v losetup >/dev/null || return 0
  local source fstype
  read -r source fstype < <(findmnt -no SOURCE,FSTYPE -T "$work")
  if [ "$fstype" = ext4 ] && ! dumpe2fs -h "$source" 2>/dev/null | grep -q '^Filesystem features:.*has_journal'; then
    fresh_mkfs_options=(-O ^has_journal)
  fi
  # Tried once: a container may have root but no loop devices.
  local probe=$work/probe.img
  truncate -s 64M "$probe"
  mkdir -p "$work/fresh"
  if mkfs.ext4 -q -F "${fresh_mkfs_options[@]}" "$probe" && mount -o loop "$probe" "$work/fresh" 2>/dev/null; then
    umount "$work/fresh"
    fresh_fs=1
  fi
  rm -f "$probe"
}

fresh_mount() {  # fresh_mount: a new file system at $work/fresh holding the corpus
  truncate -s 8G "$work/fresh.img"
  # Inode tables written now, not by a kernel thread during the timed runs.
  mkfs.ext4 -q -F -N 400000 -E lazy_itable_init=0 "${fresh_mkfs_options[@]}" "$work/fresh.img"
  mount -o loop "$work/fresh.img" "$work/fresh"
  cp -a "$work/frontend" "$work/fresh/frontend"
  mkdir -p "$work/fresh/orlindo/state" "$work/fresh/orlindo/run" "$work/fresh/orlindo/config"
  chmod 700 "$work/fresh/orlindo/run"
  tar -cf - -C "$work/fresh/frontend" . | cat >/dev/null
}

fresh_unmount() {
  umount "$work/fresh"
  rm -f "$work/fresh.img"
}

time_frontend() {
  frontend_fs_plan
  local base=$work run
  if [ "$fresh_fs" = 0 ]; then
    echo "  (not root, or no loop devices: every run on TMPDIR, after the clean-ups of the runs before)"
    mkdir -p "$work/orlindo/state" "$work/orlindo/run" "$work/orlindo/config"
    chmod 700 "$work/orlindo/run"
    tar -cf - -C "$work/frontend" . | cat >/dev/null
  else
    echo "  (each run on a new ext4${fresh_mkfs_options[*]:+ without a journal}, as TMPDIR's)"
    base=$work/fresh
  fi
  for ((run = 1; run <= runs; ++run)); do
    printf '  run %d of %d\n' "$run" "$runs"
    [ "$fresh_fs" = 1 ] && fresh_mount && out_root=$base/out
    measure frontend zavbuild "@OUT@/bench.zavlibsvg" bash -o pipefail -c "run_zavbuild '$base/frontend/compiled' '@OUT@'"
    measure frontend "Orlindo --batch" "@OUT@/bench.zavlibsvg" \
      bash -o pipefail -c "ORLINDO_HOME='$base/orlindo' run_orlindo '$base/frontend/definitions.mdb' '$base/frontend/svg' '@OUT@'"
    [ "$fresh_fs" = 1 ] && fresh_unmount
    out_root=
  done
}

time_corpus() {
  local corpus=$1 src=$work/$1
  local -a labels=() outputs=() commands=()
  if [ -n "$zavbuild" ]; then
    labels+=("zavbuild")
    outputs+=("@OUT@/bench.zavlibsvg")
    commands+=("run_zavbuild '$src' '@OUT@'")
    if [ "$sequential" = 1 ]; then
      labels+=("zavbuild, 1 thread")
      outputs+=("@OUT@/bench.zavlibsvg")
      commands+=("ZAV_THREADS=1 run_zavbuild '$src' '@OUT@'")
    fi
  fi
  labels+=("zip -9 -q -r" "tar | gzip -9" "tar | pigz -9 -p $cores")
  outputs+=("@OUT@/peer.zip" "@OUT@/peer.tar.gz" "@OUT@/peer.tar.gz")
  commands+=("cd '$src' && zip -9 -q -r '@OUT@/peer.zip' ."
    "tar -cf - -C '$src' . | gzip -9 >'@OUT@/peer.tar.gz'"
    "tar -cf - -C '$src' . | pigz -9 -p $cores >'@OUT@/peer.tar.gz'")
  # Every command reads the corpus from the page cache, the first timed one too.
  tar -cf - -C "$src" . | cat >/dev/null
  local run i
  for ((run = 1; run <= runs; ++run)); do
    printf '  run %d of %d\n' "$run" "$runs"
    for i in "${!labels[@]}"; do
      measure "$corpus" "${labels[$i]}" "${outputs[$i]}" bash -o pipefail -c "${commands[$i]}"
    done
  done
}

# time_reading CORPUS OUT: the library of the first zavbuild run read back. gzip -t tests
# the same members, the side files one after another, on one thread; verify checks them
# and more (structure, CRC, XML) on every core; list reads the index and the blocks'
# fields only. Kept apart from the compile table as "read:CORPUS".
time_reading() {
  local corpus=$1 built=$2
  [ -x "$zavinspect" ] && [ -f "$built/bench.zavlibsvg" ] || return 0
  local members=$work/$corpus-members.gz
  cat "$built"/*.svgz "$built/LIBSVG.txtz" >"$members"
  cat "$built/bench.zavlibsvg" "$members" >/dev/null
  "$zavinspect" verify "$built/bench.zavlibsvg" >/dev/null
  local run
  for ((run = 1; run <= runs; ++run)); do
    measure "read:$corpus" "gzip -t" "$members" gzip -t "$members"
    measure "read:$corpus" "zavinspect verify" "$built/bench.zavlibsvg" "$zavinspect" verify "$built/bench.zavlibsvg"
    measure "read:$corpus" "zavinspect list" "$built/bench.zavlibsvg" "$zavinspect" list "$built/bench.zavlibsvg"
  done
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for corpus in "${corpus_list[@]}"; do
  echo "Making the $corpus corpus ..."
  symbols=$(node "$bench_dir/make_corpus.js" "$work/package" "$corpus" "$work/$corpus")
  if [ "$corpus" = frontend ]; then
    "$mdbwrite" "$work/frontend/definitions.mdb" <"$work/frontend/definitions.json"
    input_bytes=$(find "$work/frontend/svg" -type f -name '*.svg' -printf '%s\n' | awk '{ s += $1 } END { print s }')
    echo "Timing the front end on the frontend corpus ($symbols rows and symbols) ..."
    time_frontend
    printf '%s\t%s\t%s\t%s\t%s\n' frontend "$symbols" "$input_bytes" 0 0 >>"$corpus_info"
    continue
  fi
  input_bytes=$(find "$work/$corpus" -type f -name '*.svg' -printf '%s\n' | awk '{ s += $1 } END { print s }')
  largest=$(find "$work/$corpus" -type f -name '*.svg' -printf '%s\n' | sort -n | tail -n 1)
  echo "Timing the $corpus corpus ($symbols symbols) ..."
  first_run=$((runs_made + 1))
  time_corpus "$corpus"
  # The index, which a run holds in memory whole: the part of its peak that may grow.
  index_bytes=$(stat -c %s "$work/out/$first_run/LIBSVG.txt" 2>/dev/null || echo 0)
  echo "Reading the $corpus library back ..."
  time_reading "$corpus" "$work/out/$first_run"
  printf '%s\t%s\t%s\t%s\t%s\n' "$corpus" "$symbols" "$input_bytes" "$largest" "$index_bytes" \
    >>"$corpus_info"
done

node "$bench_dir/report.js" "$corpus_info" "$samples" "$cores" "${ZAV_THREADS:-}" \
  "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)"
