#!/usr/bin/env bash
# End to end: a build configured with -DTRACKVIEW_MESH=model compiles that model into every
# program (the snapshot tool, the SDL viewer, and trackview.exe when mingw-w64 is there),
# naming another model rebuilds with it, clearing the option brings the built-in mesh back, and
# a crafted file name stays data in the generated source.
# usage: model_option.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 build=$2
mkdir -p "$build"
snapshot=$build/tools/snapshot/trackview-snapshot
programs=(trackview-snapshot)
[[ -d "$src/sdl" ]] && programs+=(trackview)
command -v x86_64-w64-mingw32-g++ >/dev/null && programs+=(trackview_windows)

build_targets() { # model (relative to the source directory, or empty), targets...
  local model=$1
  shift
  (cd "$src" && cmake -S . -B "$build" -DTRACKVIEW_MESH="$model" -DBUILD_TESTING=OFF >/dev/null)
  for target in "$@"; do
    cmake --build "$build" -j2 --target "$target" >"$build.log" 2>&1 || { cat "$build.log"; exit 1; }
  done
}
expect_mesh() { # name file
  grep -a -q "$1" "$2" || { echo "FAIL: mesh '$1' is not in $2"; exit 1; }
}
expect_no_mesh() { # name file
  if grep -a -q "$1" "$2"; then echo "FAIL: mesh '$1' stays in $2"; exit 1; fi
}

build_targets tests/meshc/data/prism.obj "${programs[@]}" # relative: from the working directory
expect_mesh prism "$snapshot"
[[ -d "$src/sdl" ]] && expect_mesh prism "$build/sdl/trackview"
[[ " ${programs[*]} " == *" trackview_windows "* ]] && expect_mesh prism "$build/windows/shell/trackview.exe"
"$snapshot" --events "idle 2" -o "$build/prism.png"

# A file name is data: a crafted one must not compile into code.
bad=$build/$'x\nint injected() { return 42; }\n#define X .obj'
cp "$src/tests/meshc/data/prism.obj" "$bad"
"$build/tools/meshc/trackview-meshc" "$bad" -o "$build/named.cpp" >/dev/null
c++ -std=c++17 -I"$src" -c "$build/named.cpp" -o "$build/named.o"
if nm "$build/named.o" | grep -q injected; then echo "FAIL: a file name compiled into code"; exit 1; fi

printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n' >"$build/tetrahedron_e2e.obj"
build_targets "$build/tetrahedron_e2e.obj" trackview-snapshot
expect_mesh tetrahedron_e2e "$snapshot"
expect_no_mesh prism "$snapshot"

build_targets "" trackview-snapshot
expect_mesh seashell "$snapshot"
expect_no_mesh tetrahedron_e2e "$snapshot"
echo "PASS: TRACKVIEW_MESH compiles the model into ${programs[*]}, follows a change, can be cleared"
