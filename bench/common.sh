# What the side-by-side benchmarks share; sourced by compare.sh and read.sh,
# which set root, cache and cxx first.

# Adds the generated netlist NAME to files, made from ../shared/generators on
# first use and kept in the cache folder.
netlist() {  # name vertices hyperedges seed
  local file="$cache/$1.hgr"
  if [ ! -s "$file" ]; then
    local gen="$root/../shared/generators/netlist.cpp"
    [ -f "$gen" ] || { echo "bench: $gen not found" >&2; exit 1; }
    [ -x "$cache/netlist" ] || "$cxx" -O2 -o "$cache/netlist" "$gen"
    echo "Generating $file..." >&2
    "$cache/netlist" "$2" "$3" "$4" >"$file.tmp" && mv "$file.tmp" "$file"
  fi
  files+=("$file")
}

# The sources of commit BASE, unpacked once into DIR/src.
unpack_base() {  # base dir
  if [ ! -f "$2/src/CMakeLists.txt" ]; then
    rm -rf "$2"
    mkdir -p "$2/src"
    git -C "$root" archive "$1" | tar -x -C "$2/src"
  fi
}

# Builds the library of the tree SRC (and the programs named after it) in
# BUILD with CMake (Release, no tests), then bench/PROGRAM.cpp against it as
# BUILD/PROGRAM.
build_tree() {  # source-dir build-dir program [cmake-target...]
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DZORBEL_BUILD_TESTS=OFF >/dev/null
  cmake --build "$2" --parallel 2 --target "${@:4}" zorbel >/dev/null
  "$cxx" -O2 -std=c++20 -I"$1/lib" "$root/bench/$3.cpp" "$2/lib/libzorbel.a" -lz -lm -fopenmp -o "$2/$3"
}
