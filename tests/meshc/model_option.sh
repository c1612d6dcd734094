#!/usr/bin/env bash
# End to end: a build configured with -DTRACKVIEW_MESH=model compiles that model into every
# program (the snapshot tool, the SDL viewer, and trackview.exe when mingw-w64 is there),
# naming another model rebuilds with it, clearing the option brings the built-in mesh back, and
# a crafted file name stays data in the generated source.
# usage: model_option.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 build=$2
snapshot=$build/tools/snapshot/trackview-snapshot
programs=(trackview-snapshot) files=("$snapshot")
[[ -d "$src/sdl" ]] && programs+=(trackview) files+=("$build/sdl/trackview")
command -v x86_64-w64-mingw32-g++ >/dev/null &&
  programs+=(trackview_windows) files+=("$build/windows/shell/trackview.exe")

build_targets() { # model (relative to the source directory, or empty), targets...
  local model=$1
  shift
  (cd "$src" && cmake -S . -B "$build" -DTRACKVIEW_MESH="$model" -DBUILD_TESTING=OFF >/dev/null)
  cmake --build "$build" -j2 --target "$@" >"$build.log" 2>&1 || { cat "$build.log"; exit 1; }
}
expect() { # yes|no name file
  if grep -a -q "$2" "$3"; then [[ $1 == yes ]]; else [[ $1 == no ]]; fi ||
    { echo "FAIL: mesh '$2' in $3: expected $1"; exit 1; }
}

build_targets tests/meshc/data/prism.obj "${programs[@]}" # relative: from the working directory
for file in "${files[@]}"; do expect yes prism "$file"; done
"$snapshot" --events "idle 2" -o "$build/prism.png"

# A file name is data: a crafted one must not compile into code.
bad=$build/$'x\nint injected() { return 42; }\n#define X .obj'
cp "$src/tests/meshc/data/prism.obj" "$bad"
"$build/tools/meshc/trackview-meshc" "$bad" -o "$build/named.cpp" >/dev/null
c++ -std=c++17 -I"$src" -c "$build/named.cpp" -o "$build/named.o"
if nm "$build/named.o" | grep -q injected; then echo "FAIL: a file name compiled into code"; exit 1; fi

cp "$src/tests/loader/models/tetra.obj" "$build/tetrahedron_e2e.obj"
build_targets "$build/tetrahedron_e2e.obj" trackview-snapshot
expect yes tetrahedron_e2e "$snapshot"
expect no prism "$snapshot"
build_targets "" trackview-snapshot
expect yes seashell "$snapshot"
expect no tetrahedron_e2e "$snapshot"
echo "PASS: TRACKVIEW_MESH compiles the model into ${programs[*]}, follows a change, can be cleared"
