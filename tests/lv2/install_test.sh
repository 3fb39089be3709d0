#!/usr/bin/env bash
# The install rules: `cmake --install` into a staging DESTDIR gives a bundle lv2ls finds and
# a command line that finds its module; `cpack -G DEB` packs the same tree.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
DESTDIR=$tmp/stage cmake --install "$build" --prefix /usr >/dev/null
stage=$tmp/stage/usr
plugins=$(LV2_PATH=$stage/lib/lv2 lv2ls)
[ "$(wc -l <<<"$plugins")" = 4 ] || { echo "lv2ls in the staged tree: $plugins"; exit 1; }
echo "ok   lv2ls finds $(tr '\n' ' ' <<<"$plugins")in $stage/lib/lv2"
"$stage/bin/halvane" info >/dev/null && echo "ok   staged halvane loads its module"
ls "$stage/share/halvane/pipewire/halvane-headphones.conf" "$stage/share/halvane/pipewire/pipewire.conf.d/halvane-upmix.conf" >/dev/null
# The package from the staged tree (cpack's own install step would first build every target).
(cd "$tmp" && cpack -G DEB --config "$(realpath "$build")/CPackConfig.cmake" -B "$tmp/pkg" \
    -D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALLED_DIRECTORIES=$tmp/stage;." >/dev/null 2>&1)
deb=$(ls "$tmp"/pkg/*.deb)
dpkg-deb -c "$deb" >"$tmp/list"
for f in ./usr/bin/halvane ./usr/lib/halvane/host/foo_dsp_halvane.so ./usr/lib/lv2/halvane.lv2/halvane.so \
    ./usr/lib/lv2/halvane.lv2/manifest.ttl ./usr/share/halvane/pipewire/halvane-headphones.conf; do
    grep -q " $f" "$tmp/list" || { echo "FAIL $f not in $(basename "$deb")"; exit 1; }
done
echo "ok   $(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
echo "3 passed, 0 failed"
