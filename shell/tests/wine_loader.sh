#!/usr/bin/env bash
# The loader inside a Windows program under Wine: a model whose folder and name hold spaces and
# accents (UTF-16 on the command line, UTF-8 to the loader), a glTF whose buffer file lies beside
# it, a glTF whose buffer lies outside its folder, and a file that is not a model.
# wine_loader.sh WORKDIR PREFIX LOADCHECK_EXE LOADER_DATA
set -uo pipefail
source "$(dirname "$0")/wine_lib.sh"
WineStart "$1" "$2"
exe=$3 data=$4
folder="$work/mes modèles ü"
mkdir -p "$folder/sous dossier"
cp "$data/models/tetra.obj" "$folder/tétra ä.obj"
cp "$data/models/external.gltf" "$data/models/tetra_buffer.bin" "$folder/"
cp "$data/hostile/sub/up.gltf" "$folder/sous dossier/"
echo "not a model" >"$folder/notes ö.stl"

Load() { LC_ALL=C.UTF-8 wine "$exe" "$(LC_ALL=C.UTF-8 winepath -w "$1" 2>/dev/null)" 2>&1 | tr -d '\r'; }
Check "a name with spaces and accents reads" test "$(Load "$folder/tétra ä.obj")" = "4 triangles"
Check "a glTF reads its buffer from beside it" test "$(Load "$folder/external.gltf")" = "4 triangles"
out=$(Load "$folder/sous dossier/up.gltf")
Check "a buffer outside the model's folder is refused: $out" grep -q "only files in the model's folder" <<<"$out"
out=$(Load "$folder/notes ö.stl")
Check "a bad file gets one line naming it: $out" grep -q "notes ö.stl: " <<<"$out"
Summary
