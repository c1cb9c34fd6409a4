#!/usr/bin/env bash
# Media in the viewer against its peers, side by side in one run on a
# virtual display:
# - a 600 MB WebM video seeked to 90 %: time from the seek to "seeked" from
#   the eBook against the same folder through file:// in the same web view;
# - resident memory of the viewer and its web process while that video
#   plays, against the same with a 1 MB video.
#   bench/media.sh [ROUNDS] [MEGABYTES]      (default 5 rounds, 600 MB)
# Needs gst-launch-1.0 (gstreamer1.0-tools) and about 1.3 GB of space in the
# temporary folder; making the video takes a minute or two.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
megabytes=${2:-600}
cmake --build build -j "$(nproc)" --target zorbin-compiler bench_viewer >/dev/null
viewer_bench=${BENCH_VIEWER:-build/bench/bench_viewer}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A folder with index.html playing media/film.webm: a video of noise, which
# no codec shrinks, about MEGABYTES large (a frame takes about 0.23 MB).
make_film() {
  local folder=$1 frames=$(( $2 * 13 / 3 + 30 ))
  mkdir -p "$folder/media"
  gst-launch-1.0 -q videotestsrc pattern=snow num-buffers="$frames" ! video/x-raw,width=640,height=480,framerate=30/1 \
    ! vp8enc deadline=1 cpu-used=16 target-bitrate=60000000 min-quantizer=0 max-quantizer=8 keyframe-max-dist=60 \
    ! webmmux \
    ! filesink location="$folder/media/film.webm"
  cat >"$folder/index.html" <<'EOF'
<html><body><video id=film src="media/film.webm" muted width=320></video>
<script>
const film = document.getElementById('film');
film.addEventListener('loadedmetadata', () => {
  film.play();
  setTimeout(() => { window.started = performance.now(); film.currentTime = film.duration * 0.9; }, 1000);
}, { once: true });
film.addEventListener('seeked', () => {
  window.result = { seek_ms: performance.now() - started };
  setTimeout(() => { result.after = film.currentTime; }, 2000);
}, { once: true });
</script></body></html>
EOF
  build/bin/zorbin-compiler build "$folder" --first-page index.html -q -o "$folder.exe"
}
make_film "$work/large" "$megabytes"
make_film "$work/small" 1

on_display() { xvfb-run -a -s "-screen 0 1280x800x24" "$@" 2>/dev/null; }
large=$(on_display "$viewer_bench" seek "$work/large.exe" "$work/large" "$rounds")
small=$(on_display "$viewer_bench" seek "$work/small.exe" "$work/small" 1)
field() { awk -v f="$2" '{ for (i = 1; i < NF; i++) if ($i == f) print $(i + 1) }' <<<"$1"; }
awk -v e="$(field "$large" ebook_ms)" -v f="$(field "$large" file_ms)" -v size="$(( $(stat -c %s "$work/large/media/film.webm") >> 20 ))" 'BEGIN {
  printf "seek to 90 %% of a %d MB WebM: eBook %.1f ms, file:// %.1f ms, ratio %.2f (goal <= 1.50: %s)\n", size, e, f, e / f, e / f <= 1.5 ? "met" : "NOT met" }'
awk -v l="$(field "$large" rss_playing_mb)" -v s="$(field "$small" rss_playing_mb)" 'BEGIN {
  printf "resident while playing: %.1f MB against %.1f MB with a 1 MB video (goal <= %.1f MB: %s)\n", l, s, s + 150, l <= s + 150 ? "met" : "NOT met" }'
