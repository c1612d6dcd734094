#!/usr/bin/env bash
# End to end: a build configured with -DTRACKVIEW_MESH=model compiles that model into the
# programs (checked in the snapshot tool), naming another model rebuilds with it, and
# clearing the option brings the built-in mesh back.
# usage: model_option.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 build=$2
mkdir -p "$build"
snapshot=$build/tools/snapshot/trackview-snapshot

configure_and_build() { # model (relative to the source directory, or empty)
  (cd "$src" && cmake -S . -B "$build" -DTRACKVIEW_MESH="$1" -DBUILD_TESTING=OFF >/dev/null)
  cmake --build "$build" -j2 --target trackview-snapshot >"$build.log" 2>&1 || { cat "$build.log"; exit 1; }
}
expect_mesh() { # name
  grep -a -q "$1" "$snapshot" || { echo "FAIL: mesh '$1' is not in trackview-snapshot"; exit 1; }
}

configure_and_build tests/meshc/data/prism.obj # relative: taken from the working directory
expect_mesh prism
"$snapshot" --events "idle 2" -o "$build/prism.png"

printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n' >"$build/tetrahedron_e2e.obj"
configure_and_build "$build/tetrahedron_e2e.obj"
expect_mesh tetrahedron_e2e
if grep -a -q prism "$snapshot"; then echo "FAIL: the previous model stays compiled in"; exit 1; fi

configure_and_build ""
expect_mesh seashell
if grep -a -q tetrahedron_e2e "$snapshot"; then echo "FAIL: the cleared model stays compiled in"; exit 1; fi
echo "PASS: TRACKVIEW_MESH compiles the model in, follows a change and can be cleared"
