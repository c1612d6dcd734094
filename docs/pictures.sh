#!/usr/bin/env bash
# Regenerates the README's pictures of the viewer (docs/filled.png, wireframe.png, fog.png,
# points.png, colours.png, zoomed.png) with
# the snapshot tool of a build: bash docs/pictures.sh [BUILD_DIR] (default build/run). Renders at
# three times the size and scales down (ImageMagick), so that the wireframe's lines stay visible.
set -euo pipefail
docs=$(cd "$(dirname "$0")" && pwd)
snapshot=${1:-build/run}/tools/snapshot/trackview-snapshot
[[ -x "$snapshot" ]] || { echo "no snapshot tool at $snapshot: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Turn the shell up and to the side so that its opening shows, then draw one frame.
turn="press 384 384; move 384 270; move 507 270; release 507 270"
for picture in "filled:" "wireframe:key p;" "fog:key f;"; do
  name=${picture%%:*}
  "$snapshot" --size 768x768 --events "$turn; ${picture#*:} idle 1" -o "$work/$name.png"
  convert "$work/$name.png" -scale 256x256 -strip "$docs/$name.png"
  echo "wrote $docs/$name.png"
done

# A point cloud (a torus of scattered, coloured points, as a scan without faces), a coloured scan
# (a torus whose positions carry colours, shown with 'c') and the shell come closer with the wheel.
awk 'BEGIN { srand(7); n = 30000; pi = atan2(0, -1);
  print "ply\nformat ascii 1.0\nelement vertex " n;
  print "property float x\nproperty float y\nproperty float z";
  print "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header";
  for (i = 0; i < n; i++) { u = 2 * pi * rand(); v = 2 * pi * rand(); r = 3 + cos(v);
    printf "%f %f %f %d %d %d\n", r * cos(u), r * sin(u), sin(v),
      127 + 127 * cos(u), 127 + 127 * sin(v), 127 - 127 * cos(u) }
}' >"$work/cloud.ply"
awk 'BEGIN { nu = 120; nv = 60; pi = atan2(0, -1);
  for (i = 0; i < nu; i++) for (j = 0; j < nv; j++) { u = 2 * pi * i / nu; v = 2 * pi * j / nv;
    r = 3 + cos(v); printf "v %f %f %f %f %f %f\n", r * cos(u), r * sin(u), sin(v),
      0.5 + 0.5 * cos(u), 0.5 + 0.5 * cos(v), 0.5 - 0.5 * sin(u) }
  for (i = 0; i < nu; i++) for (j = 0; j < nv; j++) {
    a = i * nv + j + 1; b = ((i + 1) % nu) * nv + j + 1;
    c = ((i + 1) % nu) * nv + (j + 1) % nv + 1; d = i * nv + (j + 1) % nv + 1;
    printf "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d }
}' >"$work/coloured.obj"
tilt="$turn"
for picture in "points:--model $work/cloud.ply:$tilt;" "colours:--model $work/coloured.obj:$tilt; key c;" \
  "zoomed::$turn; wheel 3 470 300;"; do
  IFS=: read -r name model events <<<"$picture"
  # shellcheck disable=SC2086 # the model option is two words or none
  "$snapshot" $model --size 768x768 --events "$events idle 1" -o "$work/$name.png"
  convert "$work/$name.png" -scale 256x256 -strip "$docs/$name.png"
  echo "wrote $docs/$name.png"
done
