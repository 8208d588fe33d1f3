# Shared by the benchmark scripts: the sound test file and the timing helper.
CLI=${CLI:-build/bin/corvel-cli}
DIR=${BENCH_DIR:-build/bench}
RUNS=${RUNS:-5}
[ -x "$CLI" ] || { echo "build first: make build" >&2; exit 1; }
mkdir -p "$DIR"

# make_clip: the 10 s ffmpeg-encoded clip $DIR/clip.wmv the big files are
# made of (also the small file of the memory measures).
make_clip() {
  [ -f "$DIR/clip.wmv" ] || ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i testsrc2=size=640x480:rate=25:duration=10 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=10 \
    -c:v wmv2 -b:v 20M -c:a wmav2 -b:a 128k "$DIR/clip.wmv"
}

# make_sound PATH [BYTES]: the clip looped (stream copy) to about BYTES (1 GB).
make_sound() {
  local out=$1 target=${2:-1000000000}
  make_clip
  [ -f "$out" ] && return 0
  echo "making $out (about $(( target / 1000000 )) MB) ..."
  local size loops
  size=$(stat -c %s "$DIR/clip.wmv")
  loops=$(( (target + size - 1) / size - 1 ))
  ffmpeg -hide_banner -loglevel error -y -stream_loop "$loops" -i "$DIR/clip.wmv" -map 0 -c copy -f asf "$out"
}

# best CMD...: the best wall time in seconds of RUNS runs.
best() {
  local b="" t0 t1 t
  for _ in $(seq "$RUNS"); do
    t0=$EPOCHREALTIME
    "$@" > /dev/null 2>&1
    t1=$EPOCHREALTIME
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$b" ] || (( $(echo "$t < $b" | bc -l) )); then b=$t; fi
  done
  echo "$b"
}

ratio() { echo "scale=2; $1 / $2" | bc -l; }
gbps() { echo "scale=2; $1 / $2 / 1000000000" | bc -l; }
row() { printf '%-34s %8.3f s  %6s GB/s\n' "$1" "$2" "$(gbps "$3" "$2")"; }
