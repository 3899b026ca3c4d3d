#!/usr/bin/env bash
# Builds the Debian package (`make package`) and checks it as an installation would meet it: the files
# and their modes, no build machine's paths and no RPATH, lintian, the desktop entry and the AppStream
# metadata, and the unpacked program started under an X server of its own in English and in Polish,
# where it must find its language modules beside itself and close cleanly on SIGTERM.
#
#   scripts/package-check.sh [build folder]      (default: build)
#
# Needs what scripts/install-deps.sh installs. Leaves nothing running and nothing behind.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath "${1:-build}")
app_id=pl.ostrel.kwelta
# Long enough for a loaded machine; every wait ends as soon as its condition holds.
wait_seconds=30

fail() {
    echo "package-check: $*" >&2
    exit 1
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kwelta-package-check.XXXXXX")
xvfb_pid=""
program_pid=""
cleanup() {
    for pid in "$program_pid" "$xvfb_pid"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$scratch"
}
trap cleanup EXIT

# Runs the command given until it succeeds, for at most wait_seconds; false when it never did.
wait_for() {
    local deadline=$((SECONDS + wait_seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

echo "== building the package"
cmake --build "$build_dir" --target package >"$scratch/cpack.log" 2>&1 || {
    cat "$scratch/cpack.log" >&2
    fail "the package could not be built"
}
deb="$build_dir/$(cat "$build_dir/package-file-name.txt")"
[ -f "$deb" ] || fail "CPack did not make $deb"
echo "$deb"

echo "== contents"
dpkg-deb -c "$deb" >"$scratch/contents"
# Each expected entry with its mode; the package holds exactly these, under directories of mode 0755.
expected=(
    "-rwxr-xr-x ./usr/lib/kwelta/kwelta"
    "-rw-r--r-- ./usr/lib/kwelta/kwelta.ENG"
    "-rw-r--r-- ./usr/lib/kwelta/kwelta.PLK"
    "lrwxrwxrwx ./usr/bin/kwelta -> ../lib/kwelta/kwelta"
    "-rwxr-xr-x ./usr/bin/kwelta-simscale"
    "-rw-r--r-- ./usr/share/applications/$app_id.desktop"
    "-rw-r--r-- ./usr/share/metainfo/$app_id.metainfo.xml"
    "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    "-rw-r--r-- ./usr/share/man/man1/kwelta.1.gz"
    "-rw-r--r-- ./usr/share/man/man1/kwelta-simscale.1.gz"
    "-rw-r--r-- ./usr/share/doc/kwelta/README.md"
    "-rw-r--r-- ./usr/share/doc/kwelta/copyright"
    "-rw-r--r-- ./usr/share/doc/kwelta/changelog.gz"
)
icon_sizes=(16 22 24 32 48 64 128 256)
for size in "${icon_sizes[@]}"; do
    expected+=("-rw-r--r-- ./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
awk '$1 !~ /^d/ { entry = $1 " " $6; for (i = 7; i <= NF; i++) entry = entry " " $i; print entry }' \
    "$scratch/contents" | sort >"$scratch/files"
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
if ! diff -u "$scratch/expected" "$scratch/files"; then
    fail "the package's files differ from the expected ones (- expected, + packaged)"
fi
if awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" { print; found = 1 } END { exit !found }' "$scratch/contents"; then
    fail "directories above are not of mode 0755"
fi
if awk '$2 != "root/root" { print; found = 1 } END { exit !found }' "$scratch/contents"; then
    fail "entries above are not owned by root"
fi
dpkg-deb -f "$deb" Depends Recommends
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries"
dpkg-deb -f "$deb" Depends | grep -q 'libxcb-xtest0' || fail "Depends lacks the X libraries"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$scratch/control"
[ -x "$scratch/control/postinst" ] || fail "the postinst is missing or not executable"
sh -n "$scratch/control/postinst" || fail "the postinst is not valid sh"
grep -q 'setcap cap_net_bind_service=+ep' "$scratch/control/postinst" || fail "the postinst does not grant port 1001"

for program in usr/lib/kwelta/kwelta usr/bin/kwelta-simscale; do
    if readelf -d "$root/$program" | grep -E 'RPATH|RUNPATH'; then
        fail "$program has a library search path"
    fi
    if readelf -S "$root/$program" | grep -q '\.debug_info'; then
        fail "$program is not stripped"
    fi
done
for path in "$source_dir" "$build_dir"; do
    if grep -rlF "$path" "$root"; then
        fail "the files above hold the build machine's path $path"
    fi
done
for size in "${icon_sizes[@]}"; do
    file "$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" | grep -q "PNG image data, $size x $size," ||
        fail "the ${size} px icon is no ${size} x ${size} PNG"
done

echo "== lintian"
# Errors and warnings both fail: README.md's "Lintian" notes list the few tags left, with the reason.
lintian --fail-on error,warning --info --tag-display-limit 0 "$deb" || fail "lintian found the problems above"

echo "== desktop entry and metadata"
desktop="$root/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -qx "Exec=kwelta" "$desktop" || fail "the desktop entry does not start kwelta"
grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry names another icon"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "the AppStream metadata is not valid"

echo "== the unpacked program"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
display_reported() { grep -q '^[0-9][0-9]*$' "$scratch/display"; }
wait_for display_reported || fail "Xvfb reported no display: $(cat "$scratch/xvfb.log")"
export DISPLAY=":$(cat "$scratch/display")"

# Qt adds " — <program title>" to a window's caption.
window_named() { xdotool search --onlyvisible --name "^$1(\$| — )" >/dev/null 2>&1; }
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
visible_windows() { xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null | sort -u | paste -sd '|'; }

# language code, the caption the port's failure box has in that language, the other language's
check_language() {
    local name=$1 language=$2 failure_caption=$3 other_caption=$4
    local profile="$scratch/profile-$name"
    mkdir -p "$profile/config/Ostrel/Kwelta/ports" "$profile/data" "$profile/home"
    mkdir -m 0700 "$profile/runtime"
    # COM7 leads to a device that exists nowhere; opening it at the start fails with a message box
    # whose caption is one of the texts that only the language module can turn into English.
    ln -s "$profile/no-such-device" "$profile/config/Ostrel/Kwelta/ports/COM7"
    # Every stored value, so that nothing falls back to the defaults (which would search the ports).
    cat >"$profile/config/Ostrel/Kwelta.conf" <<EOF
[General]
AdvancedOptions=0
AutoRun=0
Baud=10
BufferSize=4096
ComOpenOnStart=1
ComPort=7
Connection=0
DecimalSeparator=0
Destination=3
EthIP=192.168.1.100
EthPort=1001
EthProtocol=0
InsAfterFields=3
InsBetweenFields=2
Language=$language
MinimizeOnStart=0
OnlyOneInstance=0
OutputFile=$profile/output.txt
PortConfigured=1
PrintCheck=0
PrintShortCut=
ReadFromScale=0
ReadOnlyStable=0
RemoveScanerFrame=0
RepeatRead=0
RepeatTime=1
RepeatUnit=1
ReportDataDelay=0
ReportTime=0
ResultFormat=0.####
SendFields=0001100
SetResultFormat=0
SpecialCheck=0
SpecialOrder=Sx1
SpecialShortCut=
TareCheck=0
TareShortCut=
ZeroCheck=0
ZeroShortCut=
EOF
    env HOME="$profile/home" XDG_CONFIG_HOME="$profile/config" XDG_DATA_HOME="$profile/data" \
        XDG_RUNTIME_DIR="$profile/runtime" QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="kwelta.language.debug=true" \
        "$root/usr/bin/kwelta" >"$profile/output.log" 2>&1 &
    program_pid=$!

    if ! wait_for window_named "$failure_caption"; then
        cat "$profile/output.log" >&2
        fail "$name: no \"$failure_caption\" box; windows shown: $(visible_windows)"
    fi
    if window_named "Language file not found" || window_named "Brak pliku języka" ||
        window_named "Language file cannot be read" || window_named "Nie można odczytać pliku języka" ||
        window_named "$other_caption"; then
        fail "$name: the program did not start in its language; windows shown: $(visible_windows)"
    fi
    if grep -E 'no language module|cannot be read|holds none' "$profile/output.log"; then
        fail "$name: a language module beside the program could not be loaded"
    fi
    program_ended && fail "$name: the program ended by itself"

    kill -TERM "$program_pid"
    wait_for program_ended || fail "$name: the program did not close on SIGTERM"
    local status=0
    wait "$program_pid" || status=$?
    program_pid=""
    [ "$status" -eq 0 ] || fail "$name: the program ended with status $status"
    # The close writes the settings, the language among them.
    grep -qx "Language=$language" "$profile/config/Ostrel/Kwelta.conf" ||
        fail "$name: the settings were not written back at the close"
    echo "$name: started in its language, closed cleanly"
}

check_language English 2057 "Failure" "Niepowodzenie"
check_language Polish 1045 "Niepowodzenie" "Failure"

echo "package-check: all checks passed"
