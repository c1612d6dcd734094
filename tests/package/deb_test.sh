#!/usr/bin/env bash
# The Debian package as CPack builds it: no lintian error, every installed file, no maintainer
# script, no path of the build tree, and its programs run where it unpacks.
# deb_test.sh WORKDIR BUILD_DIR PACKAGE_FILE
set -euo pipefail
work=$1 build=$2 deb=$1/$3 root=$1/root failures=0
Check() { if "${@:2}"; then echo "ok - $1"; else echo "FAIL - $1"; failures=$((failures + 1)); fi; }

rm -rf "$work" && mkdir -p "$work"
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
Check "lintian reports no error" lintian --fail-on error --tag-display-limit 0 "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
Check "dependencies from dpkg-shlibdeps" grep -q 'libpng.*libsdl2' <<<"$depends"
Check "no program needs assimp" eval '! grep -q assimp <<<"$depends"'
Check "no maintainer script" test "$(dpkg-deb --ctrl-tarfile "$deb" | tar t | sort | xargs)" = \
    "./control ./md5sums"
dpkg-deb -x "$deb" "$root"
missing= programs="trackview trackview-snapshot trackview-meshc"
for path in $(printf 'usr/bin/%s usr/share/man/man1/%s.1.gz ' $programs $programs) \
    usr/share/{applications/trackview.desktop,icons/hicolor/{48x48,256x256}/apps/trackview.png} \
    usr/share/{thumbnailers/trackview.thumbnailer,mime/packages/trackview.xml} \
    usr/share/doc/trackview/{README.md,LICENSE,copyright,changelog.gz}; do
    [[ -f $root/$path ]] || missing+=" $path"
done
Check "every installed file is in the package (missing:$missing)" test -z "$missing"
Check "the desktop entry is valid" desktop-file-validate "$root/usr/share/applications/trackview.desktop"
Check "no file names the build tree (RPATH, data paths)" bash -c '! grep -rlF "$1" "$2"' _ "$build" "$root"
Check "every program finds its libraries" bash -c '! ldd "$@" | grep -q "not found"' _ "$root"/usr/bin/*

# Run from elsewhere, with nothing of the build's environment.
cd "$work"
Check "the packaged snapshot tool renders a 64 x 48 PNG" env -i PATH=/usr/bin:/bin bash -c '"$1" --size 64x48 --events "key p; idle 2" \
    -o shot.png && file shot.png | grep -q "PNG image data, 64 x 48"' _ "$root/usr/bin/trackview-snapshot"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >tri.obj
Check "the packaged mesh compiler converts a model" \
    env -i PATH=/usr/bin:/bin "$root/usr/bin/trackview-meshc" tri.obj -o tri.cpp
((failures == 0)) || { echo "$failures check(s) failed; files in $work"; exit 1; }
