#!/usr/bin/env bash
# The loader inside a Windows program under Wine: a model whose folder and name hold spaces and
# accents (UTF-16 on the command line, UTF-8 to the loader), a glTF whose buffer file lies beside
# it or in a subfolder (also by a \\?\ path, and by a path relative to another drive's current
# folder), buffers outside its folder (by name, through a link, through a linked folder), what is
# not a regular file, device names, and a file that is not a model: each refused as on Linux.
# wine_loader.sh WORKDIR PREFIX LOADCHECK_EXE LOADER_DATA
set -uo pipefail
source "$(dirname "$0")/wine_lib.sh"
WineStart "$1" "$2"
exe=$3 data=$4
folder="$work/mes modèles ü"
mkdir -p "$folder/sous dossier" "$folder/x.obj" "$work/elsewhere"
cp "$data/models/tetra.obj" "$folder/tétra ä.obj"
cp "$data/models/external.gltf" "$data/models/tetra_buffer.bin" "$folder/"
cp "$data/models/tetra_buffer.bin" "$folder/sous dossier/"
cp "$data/models/tetra_buffer.bin" "$work/elsewhere/"
cp "$data/hostile/sub/up.gltf" "$folder/sous dossier/"
echo "not a model" >"$folder/notes ö.stl"
# The same glTF naming its buffer in other places: a subfolder, links out and in, a loop.
Refers() { sed "s|tetra_buffer.bin|$2|" "$data/models/external.gltf" >"$folder/$1.gltf"; }
Refers sub "sous dossier/tetra_buffer.bin"
ln -s "$work/elsewhere/tetra_buffer.bin" "$folder/out.bin" && Refers link out.bin
ln -s "$work/elsewhere" "$folder/linked" && Refers linked linked/tetra_buffer.bin
ln -s tetra_buffer.bin "$folder/in.bin" && Refers inside in.bin
ln -s loop.bin "$folder/loop.bin" && Refers loop loop.bin
ln -s loop.obj "$folder/loop.obj"

Windows() { LC_ALL=C.UTF-8 winepath -w "$1" 2>/dev/null; }
Run() { LC_ALL=C.UTF-8 wine "$exe" "$@" 2>&1 | tr -d '\r'; }
Load() { Run "$(Windows "$1")"; }
# Refused WHAT FILE TEXT: the loader's one line for FILE says TEXT.
Refused() { local out; out=$(Load "$2"); Check "$1: $out" grep -qF -- "$3" <<<"$out"; }
Check "a name with spaces and accents reads" test "$(Load "$folder/tétra ä.obj")" = "4 triangles"
Check "a glTF reads its buffer from beside it" test "$(Load "$folder/external.gltf")" = "4 triangles"
Check "and from a subfolder, opened by a \\\\?\\ path" \
    test "$(Run "\\\\?\\$(Windows "$folder/sub.gltf")")" = "4 triangles"
Check "and by a path relative to another drive's current folder" \
    test "$(Run --drive-folder "$(Windows "$folder")" "$(Windows "$folder" | cut -c1-2)sub.gltf")" = "4 triangles"
Check "and through a link that stays in its folder" test "$(Load "$folder/inside.gltf")" = "4 triangles"
Refused "a buffer outside the model's folder is refused" \
    "$folder/sous dossier/up.gltf" "only files in the model's folder"
Refused "a buffer reached through a link out of the folder is refused" \
    "$folder/link.gltf" "which it refers to: it leads outside the model's folder"
Refused "and through a linked folder" \
    "$folder/linked.gltf" "which it refers to: it leads outside the model's folder"
Refused "a folder named x.obj is a folder" "$folder/x.obj" ": cannot open: is a folder"
Refused "a model that is a link loop says so" \
    "$folder/loop.obj" ": cannot open: is a link that leads to itself (a loop)"
Refused "and so does a buffer" \
    "$folder/loop.gltf" "which it refers to: is a link that leads to itself (a loop)"
for name in con.obj "$(Windows "$folder")\\LPT1.obj"; do
    out=$(Run "$name")
    Check "$name is a device's name: $out" grep -qF ": cannot open: is named as a Windows device" <<<"$out"
done
Refused "a bad file gets one line naming it" "$folder/notes ö.stl" "notes ö.stl: "
Summary
