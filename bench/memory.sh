#!/bin/sh
# Memory over length, run by hand (not part of the tests): peak resident set
# size of the long jobs on a 10-minute and on a two-hour movie, beside
# ffmpeg's for the comparable job in the same run. A tool that keeps a
# movie's index in memory grows with the length (ffmpeg too); the peers show
# what that growth costs elsewhere.
#
# For each length it makes a source and a LOW and a FAST movie of it with
# ffmpeg (small frames and a low bit rate, 8 kHz mono PCM audio: about 1.5 GB
# for two hours), a project that takes the movie from LOW and FAST in turns
# every 10 seconds, and measures with /usr/bin/time -v:
#   flintmoor-cli oracle      (every frame of LOW and FAST measured)
#                 peer: ffmpeg decoding the video of both (-f null)
#   flintmoor-cli assemble    (the project's list)
#                 peer: ffmpeg with both movies open, copying LOW's streams
#                 into an AVI file (-map 0 -c copy)
#   flintmoor-cli merge       (LOW and FAST one after the other)
#                 peer: ffmpeg's concat demuxer copying both into one AVI
#   flintmoor-cli db create   (a data base exported from the project, the
#                              movie encoded again from the source)
#                 peer: ffmpeg encoding the source to MS-MPEG-4, audio copied
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
rows=""
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
    p_oracle=$(peak ffmpeg -nostdin -i "$WORK/low.avi" -i "$WORK/fast.avi" -map 0:v -map 1:v -f null -)
    m_assemble=$(peak "$CLI" assemble --project "$WORK/project.ini" --output "$WORK/final.avi")
    rm -f "$WORK/final.avi"
    p_assemble=$(peak ffmpeg -nostdin -y -i "$WORK/low.avi" -i "$WORK/fast.avi" -map 0 -c copy -f avi \
        "$WORK/peer.avi")
    rm -f "$WORK/peer.avi"
    m_merge=$(peak "$CLI" merge --output "$WORK/merged.avi" "$WORK/low.avi" "$WORK/fast.avi")
    rm -f "$WORK/merged.avi"
    printf "file '%s'\nfile '%s'\n" "$WORK/low.avi" "$WORK/fast.avi" >"$WORK/concat.txt"
    p_merge=$(peak ffmpeg -nostdin -y -f concat -safe 0 -i "$WORK/concat.txt" -map 0 -c copy -f avi \
        "$WORK/peer.avi")
    rm -f "$WORK/peer.avi" "$WORK/concat.txt"
    m_create=-
    p_create=-
    case " $CREATE_LENGTHS " in *" $frames "*)
        "$CLI" db export --project "$WORK/project.ini" --source "$WORK/source.avi" --output "$WORK/movie.vdb" \
            >/dev/null 2>&1
        m_create=$(peak "$CLI" db create "$WORK/movie.vdb" --source "$WORK/source.avi" \
            --output "$WORK/created.avi" --temp "$WORK" --yes)
        rm -f "$WORK/created.avi"
        p_create=$(peak ffmpeg -nostdin -y -i "$WORK/source.avi" -map 0 -c:v msmpeg4 -b:v 200k -c:a copy -f avi \
            "$WORK/peer.avi")
        rm -f "$WORK/peer.avi"
        ;;
    esac
    row=$(printf '%-10s %8s %8s %8s %8s %8s %8s %8s %8s' "$minutes min" "$m_oracle" "$p_oracle" \
        "$m_assemble" "$p_assemble" "$m_merge" "$p_merge" "$m_create" "$p_create")
    echo "$row"
    table="$table$row
"
    rows="$rows$minutes $m_oracle $p_oracle $m_assemble $p_assemble $m_merge $p_merge $m_create $p_create
"
    [ -n "$KEEP" ] || rm -rf "$WORK"
done

echo
printf '%-10s %17s %17s %17s %17s\n' "peak MB" "oracle" "assemble" "merge" "db create"
printf '%-10s %8s %8s %8s %8s %8s %8s %8s %8s\n' "" ours ffmpeg ours ffmpeg ours ffmpeg ours ffmpeg
printf '%s' "$table"
# Growth per hour between the shortest and the longest movie measured.
printf '%s' "$rows" | awk '
    NR == 1 { for (i = 1; i <= NF; ++i) first[i] = $i }
    { for (i = 1; i <= NF; ++i) last[i] = $i }
    END {
        if (NR < 2 || last[1] == first[1]) exit
        hours = (last[1] - first[1]) / 60
        printf "%-10s", "MB/hour"
        for (i = 2; i <= 9; ++i)
            if (first[i] == "-" || last[i] == "-") printf " %8s", "-"
            else printf " %8.1f", (last[i] - first[i]) / hours
        printf "\n"
    }'
echo "target: every peak under 100 MB and flat in the length (MB/hour: ours against ffmpeg's)"
rm -f "$TOP/time.txt"
[ -n "$KEEP" ] || rm -rf "$TOP"
