#!/usr/bin/env bash
# Takes a picture of every page and every message of the setup at several
# screen sizes and display scalings, each in a Wine virtual desktop of that
# size (which draws real title bars) on a private X server. The pictures are
# build output:
#   <build>/gallery/<size>/NN-name.png          at 96 DPI (100 %)
#   <build>/gallery/<size>@<dpi>/NN-name.png    at 120, 144 or 192 DPI
#   tools/gallery.sh [size[@dpi]...]
# By default 800x600, 1024x768 and 1280x720 at 96 DPI, and the 1024 x 768
# desktop at 125, 150 and 200 %: 1280x960@120, 1536x1152@144, 2048x1536@192.
# Builds first if needed. It runs in a Wine prefix of its own,
# <build>/gallery/wineprefix, so that it never meets the tests in theirs;
# whatever the setup installs and registers there is removed again, and the
# prefix is left at 96 DPI.
set -euo pipefail
started=$SECONDS
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELLORAN_BUILD:-$root/build}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(800x600 1024x768 1280x720 1280x960@120 1536x1152@144 2048x1536@192)
for size in "${sizes[@]}"; do
    [[ $size =~ ^[0-9]+x[0-9]+(@[0-9]+)?$ ]] ||
        { echo "gallery.sh: $size is not a size such as 1024x768 or 1536x1152@144" >&2; exit 2; }
done

VELLORAN_BUILD=$build bash "$root/tools/build_quietly.sh" gallery.sh
log=$(mktemp)
trap 'rm -f "$log"' EXIT
program=$build/tools/gallery/gallery.exe

gallery=$build/gallery
mkdir -p "$gallery"
# The gallery takes App Paths away for a while and changes the fonts Wine
# knows: not in the prefix the tests may be using at the same time. No
# Mono or Gecko prompts; and no menu entries for the shortcuts on your own
# desktop, which would point into this throwaway prefix.
export WINEPREFIX=$gallery/wineprefix WINEARCH=win64 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if qemu=$(command -v qemu-i386); then
    export VELLORAN_QEMU_I386=$qemu
fi
"$root/tests/e2e/run_i386.sh" "$root/tests/wine_prefix.sh"
# Wine as it runs here does not load the TrueType fonts of its own data
# folder: without Marlett, the font of the caption buttons, a close box
# shows as "r", and without Tahoma some message texts are cut short. Offered
# through fontconfig, they are found, and Wine keeps them in the gallery's
# prefix from then on.
wine_fonts=
for dir in /usr/share/wine/fonts /usr/local/share/wine/fonts /opt/wine*/share/wine/fonts; do
    if [ -f "$dir/marlett.ttf" ]; then
        wine_fonts=$dir
        break
    fi
done
if [ -n "$wine_fonts" ]; then
    cat >"$gallery/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$wine_fonts</dir>
  <cachedir>$gallery/fontconfig</cachedir>
</fontconfig>
EOF
    export FONTCONFIG_FILE=$gallery/fonts.conf
fi

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The display scaling, as Wine reads it when a program starts.
set_dpi() {
    timeout 30 wineserver -w >/dev/null 2>&1 || true
    "$root/tests/e2e/run_i386.sh" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        >/dev/null 2>&1
    timeout 30 wineserver -w >/dev/null 2>&1 || true
}
trap 'rm -f "$log"; set_dpi 96' EXIT

status=0
for entry in "${sizes[@]}"; do
    size=${entry%@*}
    dpi=96
    [ "$entry" = "$size" ] || dpi=${entry#*@}
    set_dpi "$dpi"
    shots=$gallery/$entry
    rm -rf "$shots"
    mkdir -p "$shots"
    result=$gallery/$entry.xml
    rm -f "$result"
    echo "Gallery at $size, $dpi DPI:"
    # The desktop window is the whole private screen; the gallery program
    # and the setup it starts open inside it. Explorer does not pass the
    # program's exit code on, so its GoogleTest report tells how it went.
    VELLORAN_SETUP_EXE=$build/VelloranSetup.exe VELLORAN_SCREENSHOTS=$shots VELLORAN_GALLERY_SCREEN=$size \
        "$root/tests/e2e/run_with_display.sh" "$size" \
        wine explorer "/desktop=velloran-gallery-$size-$dpi,$size" "$program" \
        --gtest_output="xml:$(windows_path "$result")" >"$log" 2>&1 || true
    if ! grep -q '<testsuites tests="[1-9][0-9]*" failures="0" disabled="0" errors="0"' "$result" 2>/dev/null; then
        grep -v '^X connection\|^\[ picture  \]' "$log" | sed 's/^/    /' >&2
        echo "  FAILED at $size; what was taken is in $shots" >&2
        status=1
        continue
    fi
    # Every picture must be of the whole desktop of that size.
    for picture in "$shots"/*.png; do
        taken=$(identify -format '%wx%h' "$picture")
        if [ "$taken" != "$size" ]; then
            echo "  $(basename "$picture") is $taken, not $size" >&2
            status=1
        fi
    done
    (cd "$shots" && ls -1 *.png | sed 's/^/  /')
done

echo "Took $((SECONDS - started)) s. Pictures: $gallery/<size>[@<dpi>]/ for ${sizes[*]}"
exit $status
