#!/usr/bin/env bash
# Thread scaling of one program: builds the release programs, then runs the
# program on each instance and part count with 1 thread, 2 threads and every
# hardware thread (ZORBEL_NUM_THREADS), all with the same ZORBEL_SEED, and
# prints one row per run: wall-clock and processor seconds, peak memory, the
# speed-up over 1 thread and whether the partition file is byte-identical to
# the 1-thread one.
#
#   bench/threads.sh [INSTANCE...]
#
# An INSTANCE is an .hgr file; without instances ibm01 and widenets of the
# shared instances are used. Settings from the environment:
#   PARTS    part counts           (default "32")
#   PROGRAM  the program           (default simplepart)
#   SEED     ZORBEL_SEED of every run (default 1)
#   THREADS  thread counts         (default "1 2 <hardware threads>")
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
read -r -a parts <<<"${PARTS:-32}"
program="${PROGRAM:-simplepart}"
seed="${SEED:-1}"
read -r -a threads <<<"$(printf '%s\n' ${THREADS:-1 2 $(nproc)} | awk '!seen[$0]++' | tr '\n' ' ')"
ub=5
[ $# -gt 0 ] || set -- "$root/../shared/instances/ibm01.hgr" "$root/../shared/instances/widenets.hgr"

if [ ! -x /usr/bin/time ]; then
  echo "bench: /usr/bin/time is needed for time and memory accounting (Debian package 'time')" >&2
  exit 1
fi
cmake --preset run >/dev/null
cmake --build --preset run --target "$program" >/dev/null
exe="$root/build/run/programs/$program"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

printf '%-14s %6s %8s %8s %8s %9s %8s %5s\n' instance parts threads wall_s cpu_s peak_MiB speedup same
for file in "$@"; do
  name="$(basename "$file" .hgr)"
  cp "$file" "$work/$name.hgr"
  for k in "${parts[@]}"; do
    base_wall=""
    for n in "${threads[@]}"; do
      ZORBEL_SEED="$seed" ZORBEL_NUM_THREADS="$n" /usr/bin/time -v -o "$work/time" \
        "$exe" "$work/$name.hgr" "$k" "$ub" >"$work/out" 2>"$work/err" ||
        { sed 's/^/    /' "$work/err" | head -5 >&2; continue; }
      read -r wall cpu rss < <(awk -F': ' '
        /Elapsed \(wall clock\)/ { n = split($2, t, ":"); w = 0; for (i = 1; i <= n; i++) w = w * 60 + t[i] }
        /User time \(seconds\)/ { c += $2 }
        /System time \(seconds\)/ { c += $2 }
        /Maximum resident set size/ { r = $2 }
        END { printf "%.2f %.2f %.1f\n", w, c, r / 1024 }' "$work/time")
      if [ -z "$base_wall" ]; then
        base_wall="$wall"
        cp "$work/$name.hgr.part.$k" "$work/first"
      fi
      same=no
      cmp -s "$work/first" "$work/$name.hgr.part.$k" && same=yes
      speedup="$(awk -v a="$base_wall" -v b="$wall" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
      printf '%-14s %6s %8s %8s %8s %9s %8s %5s\n' "$name" "$k" "$n" "$wall" "$cpu" "$rss" \
        "$speedup" "$same"
    done
  done
done
