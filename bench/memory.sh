#!/bin/sh
# Memory over length, run by hand (not part of the tests): peak resident set
# size of the long jobs on a 10-minute and on a two-hour movie. The work of
# each is streamed (frames, chunks and index entries come and go), so the
# peaks should stay flat in the length and under 100 MB.
#
# For each length it makes a source and a LOW and a FAST movie of it with
# ffmpeg (small frames and a low bit rate, 8 kHz mono PCM audio: about 1.5 GB
# for two hours), a project that takes the movie from LOW and FAST in turns
# every 10 seconds, and measures with /usr/bin/time -v:
#   flintmoor-cli oracle      (every frame of LOW and FAST measured)
#   flintmoor-cli assemble    (the project's list)
#   flintmoor-cli merge       (LOW and FAST one after the other)
#   flintmoor-cli db create   (a data base exported from the project, the
#                              movie encoded again from the source)
# Everything it made is deleted at the end (unless WORK_DIR is given).
#
# Usage: bench/memory.sh [SIZE] [LENGTHS]    (default 320x176 "15000 180000")
# Environment: BUILD_DIR and WORK_DIR (bench/setup.sh), CREATE_LENGTHS (the
# lengths at which db create is measured, default all: it encodes the whole
# movie again, which takes long for two hours on a busy machine).

set -eu
SIZE=${1:-320x176}
LENGTHS=${2:-15000 180000}
CREATE_LENGTHS=${CREATE_LENGTHS:-$LENGTHS}
. "$(dirname "$0")/setup.sh"
. "$ROOT/bench/pair.sh"
TOP=$WORK
df -h "$TOP" | tail -1

# Peak RSS in MB of a command (its output discarded); fails when it fails.
peak() {
    /usr/bin/time -v -o "$TOP/time.txt" "$@" >/dev/null 2>&1 || {
        echo "failed: $*" >&2
        exit 1
    }
    awk '/Maximum resident/ { printf "%.1f", $6 / 1024 }' "$TOP/time.txt"
}

table=""
for frames in $LENGTHS; do
    WORK=$TOP/$frames
    mkdir -p "$WORK"
    minutes=$((frames / 1500))
    echo "making $frames frames ($minutes min) of $SIZE in $WORK ..."
    if [ ! -f "$WORK/source.avi" ]; then
        ffmpeg -v error -y -nostdin -f lavfi -i "testsrc2=size=$SIZE:rate=25" -f lavfi -i "sine=sample_rate=8000" \
            -map 0:v -frames:v "$frames" -c:v mpeg4 -q:v 4 $PAIR_KEYS -map 1:a -c:a pcm_s16le -ac 1 -shortest \
            "$WORK/part.avi"
        mv "$WORK/part.avi" "$WORK/source.avi"
    fi
    make_pair "$frames" "$SIZE" "-c:v msmpeg4 -b:v 200k" "-c:v msmpeg4 -b:v 120k" "-ar 8000 -ac 1"
    write_project "$frames" "$WORK/project.ini"
    cp "$WORK/project.ini" "$WORK/oracle.ini"
    du -sh "$WORK" | cut -f1

    rm -f "$WORK/oracle.dat"
    m_oracle=$(peak "$CLI" oracle --low "$WORK/low.avi" --fast "$WORK/fast.avi" --precision 1 \
        --oracle-file "$WORK/oracle.dat" --project "$WORK/oracle.ini")
    m_assemble=$(peak "$CLI" assemble --project "$WORK/project.ini" --output "$WORK/final.avi")
    rm -f "$WORK/final.avi"
    m_merge=$(peak "$CLI" merge --output "$WORK/merged.avi" "$WORK/low.avi" "$WORK/fast.avi")
    rm -f "$WORK/merged.avi"
    m_create=-
    case " $CREATE_LENGTHS " in *" $frames "*)
        "$CLI" db export --project "$WORK/project.ini" --source "$WORK/source.avi" --output "$WORK/movie.vdb" \
            >/dev/null 2>&1
        m_create=$(peak "$CLI" db create "$WORK/movie.vdb" --source "$WORK/source.avi" \
            --output "$WORK/created.avi" --temp "$WORK" --yes)
        rm -f "$WORK/created.avi"
        ;;
    esac
    table="$table$(printf '%-12s %10s %10s %10s %10s' "$minutes min" "$m_oracle" "$m_assemble" "$m_merge" \
        "$m_create")
"
    [ -n "$KEEP" ] || rm -rf "$WORK"
done

echo
printf '%-12s %10s %10s %10s %10s\n' "peak MB" "oracle" "assemble" "merge" "db create"
printf '%s' "$table"
echo "target: flat in the length, every peak under 100 MB"
rm -f "$TOP/time.txt"
[ -n "$KEEP" ] || rm -rf "$TOP"
