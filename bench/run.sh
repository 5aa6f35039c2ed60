#!/usr/bin/env bash
# Benchmark of the three programs: builds the release programs, runs each on
# every .hgr file of a folder for a few part counts and prints one row per run.
#
#   bench/run.sh [FOLDER] [PARTS...]
#
# FOLDER defaults to ../shared/instances/ beside the repository, PARTS to
# "2 4 8"; PROGRAMS="kwaypart" (say) limits the programs run. UBfactor is 5
# for every program (a 45-55 split per bisection for simplepart and rbpart, at
# most 1.05 times the average part for kwaypart). Cut, SOED and part weights
# come from each program's own statistics, the partitioning time from its own
# timing line, CPU seconds (user + system of the whole run) and peak memory
# from the operating system's accounting.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-$root/../shared/instances}"
shift || true
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(2 4 8)
ub=5
read -r -a programs <<<"${PROGRAMS:-simplepart rbpart kwaypart}"

if [ ! -x /usr/bin/time ]; then
  echo "bench: /usr/bin/time is needed for CPU and memory accounting (Debian package 'time')" >&2
  exit 1
fi
shopt -s nullglob
files=("$folder"/*.hgr)
if [ ${#files[@]} -eq 0 ]; then
  echo "bench: no .hgr files in $folder" >&2
  exit 1
fi

echo "Building the release programs..." >&2
(cd "$root" && cmake --preset release >/dev/null &&
  cmake --build --preset release --target "${programs[@]}" >/dev/null)
bin="$root/build/release/programs"

# The programs write their partition file beside the hypergraph file, so they
# read it through a link in a scratch folder (the instances may be read-only).
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

args_for() {  # program file parts
  case "$1" in
    simplepart) echo "$2 $3 $ub" ;;
    rbpart) echo "$2 $3 $ub 10 1 1 1 0 0" ;;
    kwaypart) echo "$2 $3 $ub 10 1 1 1 0" ;;
  esac
}

# Cut, SOED, largest part over average part and partitioning time from a run's
# standard output.
parse_run() {
  awk '
    /Hyperedge Cut:/ { sub(/.*Cut:/, ""); cut = $1 }
    /Sum of External Degrees:/ { sub(/.*Degrees:/, ""); soed = $1 }
    /Partition Sizes & External Degrees:/ { inlist = 1; next }
    /Timing Information/ { inlist = 0 }
    /Partitioning Time:/ { sub(/.*Time:/, ""); sub(/sec.*/, ""); ptime = $1 + 0 }
    inlist {
      line = $0
      while (match(line, /-?[0-9]+\[/)) {
        w = substr(line, RSTART, RLENGTH - 1) + 0
        total += w; n++; if (w > max) max = w
        line = substr(line, RSTART + RLENGTH)
      }
    }
    END {
      bal = (n > 0 && total > 0) ? max * n / total : 0
      printf "%s %s %.3f %.3f\n", cut, soed, bal, ptime
    }'
}

# CPU seconds and peak resident memory (MiB) from /usr/bin/time -v.
parse_time() {
  awk -F': ' '
    /User time \(seconds\)/ { cpu += $2 }
    /System time \(seconds\)/ { cpu += $2 }
    /Maximum resident set size/ { rss = $2 }
    END { printf "%.2f %.1f\n", cpu, rss / 1024 }' "$1"
}

fmt="%-10s %-20s %5s %8s %10s %10s %8s %9s %8s %9s\n"
printf "$fmt" program file parts UBfactor cut SOED max/avg part_sec cpu_sec peak_MiB
for f in "${files[@]}"; do
  name="$(basename "$f")"
  ln -sf "$(cd "$(dirname "$f")" && pwd)/$name" "$work/$name"
  for k in "${parts[@]}"; do
    for prog in "${programs[@]}"; do
      # shellcheck disable=SC2046
      if /usr/bin/time -v -o "$work/time" "$bin/$prog" $(args_for "$prog" "$work/$name" "$k") \
          >"$work/out" 2>"$work/err"; then
        read -r cut soed bal ptime < <(parse_run <"$work/out")
        read -r cpu rss < <(parse_time "$work/time")
        printf "$fmt" "$prog" "$name" "$k" "$ub" "$cut" "$soed" "$bal" "$ptime" "$cpu" "$rss"
      else
        printf "$fmt" "$prog" "$name" "$k" "$ub" "FAILED" "-" "-" "-" "-" "-"
        sed 's/^/    /' "$work/err" | head -5 >&2
      fi
    done
  done
done
