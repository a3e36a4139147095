# Shared by the benchmark scripts (sourced, not run): a LOW and a FAST movie of
# one clip, made with ffmpeg and kept in the work folder for later runs.
# make_pair FRAMES SIZE LOW_OPTIONS FAST_OPTIONS [AUDIO_OPTIONS]: writes
# $WORK/low.avi and $WORK/fast.avi from testsrc2 at 25 frames per second,
# key frames every 25 frames and nowhere else, with a sine tone as PCM
# audio (AUDIO_OPTIONS, default 48 kHz stereo). A movie already there is kept.

PAIR_KEYS="-g 100000 -force_key_frames expr:eq(mod(n,25),0) -sc_threshold 1000000000"
make_pair() { # frames size low-options fast-options [audio-options]
    audio=${5:-"-ar 48000 -ac 2"}
    for which in low fast; do
        [ -f "$WORK/$which.avi" ] && continue
        opts=$3
        [ "$which" = fast ] && opts=$4
        # shellcheck disable=SC2086
        ffmpeg -v error -y -nostdin -f lavfi -i "testsrc2=size=$2:rate=25" -f lavfi -i "sine=sample_rate=48000" \
            -map 0:v -frames:v "$1" $opts $PAIR_KEYS -map 1:a -c:a pcm_s16le $audio -shortest "$WORK/part.avi"
        mv "$WORK/part.avi" "$WORK/$which.avi"
    done
}

# write_project FRAMES FILE: a project over $WORK/low.avi and $WORK/fast.avi
# whose encoding list takes the movie from LOW and FAST in turns, 250 frames
# (10 seconds) at a time.
write_project() { # frames file
    {
        printf '[Movie Settings]\r\nLow-File=%s\r\nFast-File=%s\r\n' "$WORK/low.avi" "$WORK/fast.avi"
        row=0
        start=0
        while [ "$start" -lt "$1" ]; do
            end=$((start + 250))
            [ "$end" -gt "$1" ] && end=$1
            codec=LOW
            [ $((row % 2)) -eq 1 ] && codec=FAST
            printf 'StartFrame%d=%d\r\nEndFrame%d=%d\r\nCodec%d=%s\r\n' "$row" "$start" "$row" "$end" "$row" "$codec"
            row=$((row + 1))
            start=$end
        done
    } >"$2"
}
