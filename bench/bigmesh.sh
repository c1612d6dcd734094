#!/usr/bin/env bash
# Figures for big models compiled in with -DTRACKVIEW_MESH: the converter alone on a
# 1,000,000-triangle OBJ, the rebuild of trackview-snapshot after switching a small-model build
# to it, a 5,000,000-triangle binary PLY, and trackview-bench's frame times with the big model.
# Times are wall seconds and the CPU seconds of all processes (the machine may be shared);
# peaks are the largest single process (/usr/bin/time -v). The models are generated here, under
# build/bigmesh/models, never committed.
# usage: bench/bigmesh.sh [trackview-bench options, default --rounds 4 --frames 2]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build/bigmesh
models=$work/models
tree=$work/switch
mkdir -p "$models"
bench_options=("$@")
[[ ${#bench_options[@]} -gt 0 ]] || bench_options=(--rounds 4 --frames 2)

# A torus of 1000 x 500 quads split in two: 1,000,000 triangles over 500,000 shared positions.
torus=$models/torus_1m.obj
bash "$root/bench/torus.sh" "$torus"

# Large polygons, 50 corners each, all convex (points of a circle on a sphere, in order; each
# circle tilted its own way):
# 104,167 of them make 5,000,016 triangles in a binary PLY of 26 MB.
ply=$models/polygons_5m.ply
[[ -s $ply ]] || perl -e '
  my ($rings, $points, $corners, $polygons) = (400, 1000, 50, 104167);
  print "ply\nformat binary_little_endian 1.0\nelement vertex ", $rings * $points,
    "\nproperty float x\nproperty float y\nproperty float z\nelement face $polygons\n",
    "property list uchar int vertex_indices\nend_header\n";
  my $pi = atan2(0, -1);
  for my $r (0 .. $rings - 1) {
    my $lat = $pi * ($r + 0.5) / $rings - $pi / 2;
    for my $p (0 .. $points - 1) {
      my $lon = 2 * $pi * $p / $points;
      my ($x, $y, $z, $tilt) = (cos($lat) * cos($lon), cos($lat) * sin($lon), sin($lat), $r * 0.37);
      print pack("f<3", $x, $y * cos($tilt) - $z * sin($tilt), $y * sin($tilt) + $z * cos($tilt));
    }
  }
  for my $f (0 .. $polygons - 1) {
    my ($ring, $step, $start) = ($f % $rings, 10 + int($f / $rings) % 11, ($f * 37) % $points);
    print pack("C", $corners),
      pack("l<*", map { $ring * $points + ($start + $_ * $step) % $points } 0 .. $corners - 1);
  }
' >"$ply"
echo "models: $(du -h "$torus" | cut -f1) OBJ of 1,000,000 triangles; $(du -h "$ply" | cut -f1) binary PLY of 5,000,016"

measure() { # label command...: prints the label, wall seconds and peak MB
  local label=$1 log=$work/last.log
  shift
  if ! /usr/bin/time -v -o "$work/time" "$@" >"$log" 2>&1; then
    tail -20 "$log"
    echo "$label: FAILED"
    return 1
  fi
  local wall cpu peak
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0;
    for (i = 1; i <= n; i++) s = s * 60 + t[i]; printf "%.1f", s}' "$work/time")
  cpu=$(awk -F': ' '/(User|System) time/ {s += $2} END {printf "%.1f", s}' "$work/time")
  peak=$(awk -F': ' '/Maximum resident set size/ {printf "%d", $2 / 1024}' "$work/time")
  printf '%-58s %5s s (CPU %5s s)  peak %4s MB\n' "$label:" "$wall" "$cpu" "$peak"
}

configure() { # build tree, model, extra options...
  local dir=$1 model=$2
  shift 2
  cmake -S "$root" -B "$dir" -G Ninja -DBUILD_TESTING=OFF -DTRACKVIEW_WINDOWS_PROGRAM=OFF \
    -DTRACKVIEW_MESH="$model" "$@" >/dev/null
}

# The converter alone (built in the switching tree below). Meshes that an earlier run compiled
# go first: the switches below must convert the big models, not find them made.
rm -f "$tree"/model/user_mesh_*
configure "$tree" "$root/tests/meshc/data/prism.obj"
cmake --build "$tree" -j2 --target trackview-snapshot trackview-meshc >/dev/null
measure "converter alone, 1M-triangle OBJ" \
  "$tree/tools/meshc/trackview-meshc" "$torus" -o "$models/torus_1m.cpp"
cat "$work/last.log"
echo "data file: $(du -h "$models"/torus_1m.mesh-*.bin | cut -f1)"

# After a build with the small model: switch to the big one and rebuild the snapshot tool.
rebuild=(bash -c 'cmake -S "$0" -B "$1" -DTRACKVIEW_MESH="$2" >/dev/null &&
  cmake --build "$1" -j2 --target trackview-snapshot' "$root" "$tree")
measure "switch to the 1M-triangle OBJ, rebuild trackview-snapshot" "${rebuild[@]}" "$torus"
measure "trackview-snapshot, one 800x800 frame of it" \
  "$tree/tools/snapshot/trackview-snapshot" -o "$work/torus_1m.png"
measure "switch to the 5M-triangle PLY, rebuild trackview-snapshot" "${rebuild[@]}" "$ply"
measure "converter alone, 5M-triangle PLY" \
  "$tree/tools/meshc/trackview-meshc" "$ply" -o "$models/polygons_5m.cpp"
cat "$work/last.log"

# Frame times: a Release tree of its own with the 1M-triangle model compiled in.
configure "$work/bench" "$torus" -DCMAKE_BUILD_TYPE=Release
cmake --build "$work/bench" -j2 --target trackview-bench >/dev/null
echo
"$work/bench/bench/trackview-bench" "${bench_options[@]}"
