#!/usr/bin/env bash
# Runs the player in a scene directory on a virtual X server of its own with a screen of SCREEN
# (WxHxDEPTH), takes screenshots a little while after its window appears, then presses Escape and
# waits for the player to end.
#   play_under_xvfb.sh SCREEN PLAYER DIR OUT SECONDS [LATER]
# Writes into OUT: shot.png (without the cursor), cursor.png (taken right after it, with the
# cursor drawn in as the screen shows it), pointer ("window" when the cursor was over the
# player's window then), grabbed (the real-time clock's seconds since 1970 at the start of the
# first screenshot's grabber, as the grabber stamped its image, and at its end, one line),
# frames.log (the player's SARNOJ_FRAME_LOG: the same
# clock at each frame it presented, and the frame's scene frame), stderr.txt, exit (the player's
# exit code, or "hung"); with LATER, also later.png (without the cursor) LATER seconds after
# shot.png.
set -u
screen=$1 player=$2 dir=$3 out=$4 seconds=$5 later=${6:-}

# The server picks a free display number itself and writes it once it takes connections: runs
# started at once never share a display, as they may when each looks for a free number first.
# It never resets: by default an X server resets whenever its last client leaves, and one of the
# short-lived xdotool clients below leaving while the player connects broke the player's
# connection.
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$number" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$number"' EXIT
for _ in $(seq 1000); do
  [ -s "$number" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.01
done
if [ ! -s "$number" ]; then
  echo "no X server" > "$out/exit"
  exit 0
fi
export DISPLAY=:$(head -n 1 "$number")

cd "$dir"
# The tests run with SDL's dummy video driver; this one needs the X display.
# A sanitizer build of the player keeps its records to the end on purpose: no leak report.
ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  SARNOJ_FRAME_LOG="$out/frames.log" "$player" 2>"$out/stderr.txt" &
pid=$!
# Look for the window every 20 ms (xdotool's own --sync waits half a second between looks).
window=
for _ in $(seq 1000); do
  window=$(xdotool search --pid "$pid" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.02
done
if [ -z "$window" ]; then
  echo "no window" > "$out/exit"
  kill "$pid" 2>/dev/null
  exit 0
fi
# The whole screen, with or without the cursor drawn in.
grab() {
  ffmpeg -hide_banner -loglevel error -y -f x11grab -draw_mouse "$1" -i "$DISPLAY" -frames:v 1 "$2"
}
sleep "$seconds"
# The grabber stamps the image with the real-time clock's microseconds; the filter that shows a
# frame's stamp leaves the image as it is.
before=$(date +%s.%N)
stamp=$(ffmpeg -hide_banner -loglevel info -y -f x11grab -draw_mouse 0 -i "$DISPLAY" -frames:v 1 \
  -copyts -vf showinfo "$out/shot.png" 2>&1 | sed -n 's/.* n: *0 pts: *\([0-9]*\) .*/\1/p')
echo "$before ${stamp:-0} $(date +%s.%N)" | awk '{ printf "%s %.6f %s\n", $1, $2 / 1e6, $3 }' \
  > "$out/grabbed"
# Drawing the first frame may have replaced the window the search found: ask again which
# windows are the player's.
eval "$(xdotool getmouselocation --shell 2>/dev/null)"
if xdotool search --pid "$pid" 2>/dev/null | grep -qx "${WINDOW:-none}"; then
  echo window > "$out/pointer"
else
  echo "elsewhere: ${WINDOW:-none} at ${X:-?},${Y:-?}" > "$out/pointer"
fi
grab 1 "$out/cursor.png"
if [ -n "$later" ]; then
  sleep "$later"
  grab 0 "$out/later.png"
fi
window=$(xdotool search --pid "$pid" 2>/dev/null | head -n 1)

# Without a window manager the window gets the keyboard only when given the focus. The key is
# held until the player ends (10 seconds at most), as a hand holds it: the player reads the key
# table once a frame, and a press and release that both arrive between two frames leave no trace
# there.
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool keydown Escape
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
xdotool keyup Escape
if kill -0 "$pid" 2>/dev/null; then
  echo hung > "$out/exit"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
else
  wait "$pid"
  echo $? > "$out/exit"
fi
