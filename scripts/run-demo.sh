#!/bin/sh
# Runs the program against the simulated scale, in a demo profile of its own.
# The scale sits on COM2 at 9600 bit/s and prints a result every few seconds; COM1 leads nowhere, so the
# port search at the first start has something to skip. Commands for the scale (print, weight 7.5,
# tare, zero, stream 1, report, report scan) go to the control pipe named below. SCALE_FORMAT, when
# set, is the scale's --format: a pattern, or the shape of a maker's scale (header, signed, glued,
# letters, framed).
set -eu

build=$1
profile=$2
format=${SCALE_FORMAT:-"%11.3f kg\\r\\n"}
ports="$profile/config/Ostrel/Kwelta/ports"
control="$profile/scale-control"
mkdir -p "$ports" "$profile/data"
rm -f "$ports/COM1" "$ports/COM2" "$control" "$profile/scale.log"
ln -s /nonexistent/demo-com1 "$ports/COM1"
mkfifo "$control"

# Held open for reading and writing here, so the scale never sees the end of its input.
exec 3<>"$control"
"$build/tools/simscale/kwelta-simscale" --link "$ports/COM2" --baud 9600 --stream 0.25 --format "$format" \
    <&3 >"$profile/scale.log" 2>&1 &
scale=$!
trap 'kill $scale 2>/dev/null || true' EXIT INT TERM

waited=0
until grep -q '^ready' "$profile/scale.log" 2>/dev/null; do
    if [ $waited -ge 50 ] || ! kill -0 $scale 2>/dev/null; then
        cat "$profile/scale.log" >&2
        echo "The simulated scale did not start." >&2
        exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
done

echo "Simulated scale on COM2 (9600 bit/s). Make it print: echo print > $control"
XDG_CONFIG_HOME="$profile/config" XDG_DATA_HOME="$profile/data" "$build/src/app/kwelta"
