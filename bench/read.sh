#!/usr/bin/env bash
# Read throughput of the hypergraph file reader, the current tree against an
# earlier commit: builds both libraries (CMake Release, no tests), reads each
# file with the two builds taking turns and prints one row per file with the
# best wall time of a reading, the megabytes per second and the peak memory
# of each build, their ratio, and whether both read the same hypergraph.
#
#   bench/read.sh BASE [INSTANCE...]
#
# An INSTANCE is an .hgr file (plain or gzip-compressed) or one of the
# generated netlists "big1m" (1.17M pins, 7.7 MB) and "big10m" (11.7M pins,
# 89 MB), made on demand; without instances, both netlists.
#
# Settings from the environment:
#   REPEATS   turns of each build per row     (default 3)
#   READS     readings of the file per turn   (default 3)
#   CACHE     where the builds and netlists stay between runs
#             (default ${TMPDIR:-/tmp}/zorbel-bench)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 1 ]; then
  sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2
  exit 1
fi
base="$(git -C "$root" rev-parse --short "$1^{commit}")"
shift
repeats="${REPEATS:-3}"
reads="${READS:-3}"
cache="${CACHE:-${TMPDIR:-/tmp}/zorbel-bench}"
cxx="${CXX:-c++}"
mkdir -p "$cache"
# shellcheck source=bench/common.sh
. "$root/bench/common.sh"

files=()
[ $# -gt 0 ] || set -- big1m big10m
for arg in "$@"; do
  case "$arg" in
    big1m) netlist big1m 250000 260000 11 ;;
    big10m) netlist big10m 2500000 2600000 7 ;;
    *) [ -f "$arg" ] || { echo "bench: no instance $arg" >&2; exit 1; }
       files+=("$arg") ;;
  esac
done

build() { build_tree "$1" "$2" read; }  # source-dir build-dir
old="$cache/base-$base"
unpack_base "$base" "$old"
echo "Building $base..." >&2
build "$old/src" "$old/build"
echo "Building the current tree..." >&2
new="$cache/current-$(printf '%s' "$root" | cksum | cut -d' ' -f1)"
build "$root" "$new/build"

# Keeps in the named array the faster of its line and a new one, each
# "seconds s MB/s MB/s MiB MiB checksum".
keep_faster() {  # array-name line...
  local -n kept="$1"
  shift
  if [ ${#kept[@]} -eq 0 ] || awk -v a="$1" -v b="${kept[0]}" 'BEGIN { exit !(a < b) }'; then
    kept=("$@")
  fi
}

printf '%-12s %10s %10s %9s %9s %8s %8s %7s %5s\n' file base_s new_s base_MB/s new_MB/s \
  base_MiB new_MiB speedup same
for f in "${files[@]}"; do
  # Turns alternate between the builds so that both see the same machine.
  o=() n=()
  for ((r = 0; r < repeats; r++)); do
    # shellcheck disable=SC2046
    keep_faster o $("$old/build/read" "$f" "$reads")
    # shellcheck disable=SC2046
    keep_faster n $("$new/build/read" "$f" "$reads")
  done
  same=no
  [ "${o[6]}" = "${n[6]}" ] && same=yes
  printf '%-12s %10s %10s %9s %9s %8s %8s %7s %5s\n' "$(basename "$f")" "${o[0]}" "${n[0]}" \
    "${o[2]}" "${n[2]}" "${o[4]}" "${n[4]}" "$(awk -v a="${o[0]}" -v b="${n[0]}" 'BEGIN { printf "%.2f", a / b }')" "$same"
done
