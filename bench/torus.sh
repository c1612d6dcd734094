#!/usr/bin/env bash
# Writes the big model of the figures, unless it is there: a torus of 1000 x 500 quads split in
# two, 1,000,000 triangles over 500,000 shared positions, as OBJ (36 MB).  usage: torus.sh OUT
set -euo pipefail
[[ ! -s $1 ]] || exit 0
awk 'BEGIN {
  nu = 1000; nv = 500; pi = atan2(0, -1);
  for (i = 0; i < nu; i++) for (j = 0; j < nv; j++) {
    u = 2 * pi * i / nu; v = 2 * pi * j / nv; r = 3 + cos(v);
    printf "v %.6f %.6f %.6f\n", r * cos(u), r * sin(u), sin(v);
  }
  for (i = 0; i < nu; i++) for (j = 0; j < nv; j++) {
    a = i * nv + j + 1; b = ((i + 1) % nu) * nv + j + 1;
    c = ((i + 1) % nu) * nv + (j + 1) % nv + 1; d = i * nv + (j + 1) % nv + 1;
    printf "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d;
  }
}' >"$1.part" && mv "$1.part" "$1"
