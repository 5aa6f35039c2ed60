#!/usr/bin/env bash
# Side-by-side benchmark of the current tree against an earlier commit: builds
# both (CMake Release, no tests), runs each program on each instance with the
# two builds taking turns, and prints one row per program, instance and part
# count with the processor seconds and peak memory of each build.
#
#   bench/compare.sh BASE [INSTANCE...]
#
# BASE is any commit (hash, branch, tag). An INSTANCE is an .hgr file, a
# folder (all its .hgr files), or one of the generated netlists "big1m"
# (250,000 vertices, 1.17M pins) and "big10m" (11.7M pins), made on demand
# from ../shared/generators and kept under the cache folder. Without
# instances the shared instances beside the repository are used.
#
# Settings from the environment:
#   PARTS     part counts                      (default "2 8 32")
#   PROGRAMS  programs to time                 (default "simplepart")
#   REPEATS   runs of each build per row       (default 3)
#   SEED      seed of the agreement check      (default 1)
#   CACHE     where the builds and netlists stay between runs
#             (default ${TMPDIR:-/tmp}/zorbel-bench)
#
# The programs seed from the clock, so their cuts differ from run to run; the
# cpu columns are the median of REPEATS runs (user + system of the whole run,
# from /usr/bin/time, as bench/run.sh), peak_MiB the largest resident size.
# The "same" column comes from a seeded call of ZORBEL_PartRecursive with
# simplepart's options linked against each build's library (bench/seeded.cpp):
# "yes" when both builds give the same cut and the same part vector, with
# that call's processor seconds for each build (identical work on both
# sides). kwaypart rows have no agreement check: the seeded call is the
# recursive entry's.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 1 ]; then
  sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2
  exit 1
fi
base="$(git -C "$root" rev-parse --short "$1^{commit}")"
shift
read -r -a parts <<<"${PARTS:-2 8 32}"
read -r -a programs <<<"${PROGRAMS:-simplepart}"
repeats="${REPEATS:-3}"
seed="${SEED:-1}"
cache="${CACHE:-${TMPDIR:-/tmp}/zorbel-bench}"
ub=5
cxx="${CXX:-c++}"

if [ ! -x /usr/bin/time ]; then
  echo "bench: /usr/bin/time is needed for CPU and memory accounting (Debian package 'time')" >&2
  exit 1
fi
mkdir -p "$cache"

# ---- Instances ------------------------------------------------------------------
# shellcheck source=bench/common.sh
. "$root/bench/common.sh"
files=()
shopt -s nullglob
[ $# -gt 0 ] || set -- "$root/../shared/instances"
for arg in "$@"; do
  case "$arg" in
    big1m) netlist big1m 250000 260000 11 ;;
    big10m) netlist big10m 2500000 2600000 7 ;;
    *)
      if [ -d "$arg" ]; then
        files+=("$arg"/*.hgr)
      elif [ -f "$arg" ]; then
        files+=("$arg")
      else
        echo "bench: no instance $arg" >&2
        exit 1
      fi ;;
  esac
done
if [ ${#files[@]} -eq 0 ]; then
  echo "bench: no .hgr files" >&2
  exit 1
fi

# ---- Builds ----------------------------------------------------------------------
build() { build_tree "$1" "$2" seeded "${programs[@]}"; }  # source-dir build-dir
old="$cache/base-$base"
unpack_base "$base" "$old"
# Built every time, so that a kept build gains the programs a later run asks
# for; an unchanged one is up to date at once.
echo "Building $base..." >&2
build "$old/src" "$old/build"
echo "Building the current tree..." >&2
new="$cache/current-$(printf '%s' "$root" | cksum | cut -d' ' -f1)"
build "$root" "$new/build"

# ---- Runs ------------------------------------------------------------------------
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

args_for() {  # program file parts
  case "$1" in
    simplepart) echo "$2 $3 $ub" ;;
    rbpart) echo "$2 $3 $ub 10 1 1 1 0 0" ;;
    kwaypart) echo "$2 $3 $ub 10 1 1 1 0" ;;
  esac
}

# CPU seconds and peak resident memory (MiB) of one run, "FAILED -" on failure.
timed() {  # build-dir program file parts
  # shellcheck disable=SC2046
  if /usr/bin/time -v -o "$work/time" "$1/programs/$2" $(args_for "$2" "$3" "$4") \
      >"$work/out" 2>"$work/err"; then
    awk -F': ' '
      /User time \(seconds\)/ { cpu += $2 }
      /System time \(seconds\)/ { cpu += $2 }
      /Maximum resident set size/ { rss = $2 }
      END { printf "%.2f %.1f\n", cpu, rss / 1024 }' "$work/time"
  else
    sed 's/^/    /' "$work/err" | head -5 >&2
    echo "FAILED -"
  fi
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
largest() { sort -g | tail -1; }

fmt="%-10s %-16s %5s %8s %8s %7s %9s %9s %5s %8s %8s\n"
printf "$fmt" program file parts old_cpu new_cpu old/new old_MiB new_MiB same seed_old seed_new
for f in "${files[@]}"; do
  name="$(basename "$f")"
  ln -sf "$(cd "$(dirname "$f")" && pwd)/$name" "$work/$name"
  for k in "${parts[@]}"; do
    # Agreement of the two builds under a fixed seed.
    read -r _ ocut _ ohash _ osec < <("$old/build/seeded" "$work/$name" "$k" "$ub" "$seed")
    read -r _ ncut _ nhash _ nsec < <("$new/build/seeded" "$work/$name" "$k" "$ub" "$seed")
    if [ "$ocut $ohash" = "$ncut $nhash" ]; then same=yes; else same="NO($ocut/$ncut)"; fi
    for prog in "${programs[@]}"; do
      : >"$work/ocpu"; : >"$work/ncpu"; : >"$work/orss"; : >"$work/nrss"
      for ((r = 0; r < repeats; r++)); do
        read -r cpu rss < <(timed "$old/build" "$prog" "$work/$name" "$k")
        echo "$cpu" >>"$work/ocpu"; echo "$rss" >>"$work/orss"
        read -r cpu rss < <(timed "$new/build" "$prog" "$work/$name" "$k")
        echo "$cpu" >>"$work/ncpu"; echo "$rss" >>"$work/nrss"
      done
      if grep -q FAILED "$work/ocpu" "$work/ncpu"; then
        printf "$fmt" "$prog" "$name" "$k" FAILED - - - - - - -
        continue
      fi
      ocpu="$(median <"$work/ocpu")"; ncpu="$(median <"$work/ncpu")"
      ratio="$(awk -v a="$ocpu" -v b="$ncpu" 'BEGIN { printf (b > 0) ? "%.2f" : "-", a / b }')"
      if [ "$prog" = kwaypart ]; then
        printf "$fmt" "$prog" "$name" "$k" "$ocpu" "$ncpu" "$ratio" "$(largest <"$work/orss")" \
          "$(largest <"$work/nrss")" - - -
      else
        printf "$fmt" "$prog" "$name" "$k" "$ocpu" "$ncpu" "$ratio" "$(largest <"$work/orss")" \
          "$(largest <"$work/nrss")" "$same" "$osec" "$nsec"
      fi
    done
  done
done
