#!/usr/bin/env bash
# The webcam against a private PipeWire: a session bus, pipewire and wireplumber on a private
# runtime directory, the simulated camera, the webcam, and GStreamer as the consumer.
#
#   webcam_pipewire_test.sh CASE DUOVUE_SIM WEBCAM_COMMAND...
#
# CASE: frames | stop | vanish | wait | unavailable. Every process started here is stopped by its
# id when the script ends, however it ends; every wait is bounded. Exit 77 (skipped) when the
# PipeWire tools are not installed, except in CI, where that is a failure.
set -uo pipefail

case_name=$1
sim_program=$2
shift 2
webcam_command=("$@")

for tool in pipewire wireplumber pw-cli gst-launch-1.0 dbus-run-session timeout od; do
    if ! command -v "$tool" >/dev/null; then
        echo "missing $tool (scripts/deps.sh installs it)"
        [ -n "${CI:-}" ] && exit 1
        exit 77
    fi
done

# Everything runs inside a private session bus; the script re-enters itself there.
if [ -z "${WEBCAM_TEST_IN_BUS:-}" ]; then
    export WEBCAM_TEST_IN_BUS=1
    exec timeout -k 5 170 dbus-run-session -- bash "$0" "$case_name" "$sim_program" \
        "${webcam_command[@]}"
fi

work=$(mktemp -d /tmp/duovue-webcam-test-XXXXXX)
chmod 700 "$work"
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME"
export PIPEWIRE_DEBUG=1 WIREPLUMBER_DEBUG=1

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL ($case_name): $*"
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
    done
    exit 1
}

# wait_until SECONDS COMMAND...: true once COMMAND succeeds, false after SECONDS.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS >= deadline)) && return 1
        sleep 0.2
    done
}

start() {  # start NAME COMMAND...: runs in the background, output in NAME.log, pid in $last_pid
    local name=$1
    shift
    "$@" >"$work/$name.log" 2>&1 &
    last_pid=$!
    pids+=("$last_pid")
}

running() { kill -0 "$1" 2>/dev/null; }

# exit_status_within SECONDS PID: the process's exit status once it ended, 124 when it did not.
exit_status_within() {
    local deadline=$((SECONDS + $1))
    while running "$2"; do
        ((SECONDS >= deadline)) && return 124
        sleep 0.1
    done
    wait "$2"
}

session_manager_ready() {
    timeout 5 pw-cli ls Metadata 2>/dev/null | grep -q 'metadata.name = "default"'
}

start_pipewire() {
    start pipewire pipewire
    wait_until 20 test -S "$XDG_RUNTIME_DIR/pipewire-0" || fail "pipewire did not start"
    start wireplumber wireplumber
    wait_until 30 session_manager_ready || fail "wireplumber did not start"
}

start_camera() {
    start sim "$sim_program"
    sim_pid=$last_pid
    wait_until 20 test -S "$XDG_RUNTIME_DIR/usbscan/0" || fail "duovue-sim did not start"
}

start_webcam() {
    start webcam "${webcam_command[@]}" "$@"
    webcam_pid=$last_pid
}

# The webcam's node: "id class role description", from pw-cli's listing of nodes.
webcam_node() {
    timeout 5 pw-cli ls Node 2>/dev/null | awk '
        /^\tid [0-9]+,/ { flush(); id = $2; sub(",", "", id); name = cls = role = desc = "" }
        /node.name = /        { name = value($0) }
        /media.class = /      { cls = value($0) }
        /media.role = /       { role = value($0) }
        /node.description = / { desc = value($0) }
        function value(line) { sub(/^[^"]*"/, "", line); sub(/"$/, "", line); return line }
        function flush() { if (name == "duovue-webcam") printf "%s %s %s %s\n", id, cls, role, desc }
        END { flush() }'
}

node_id=""
node_published() {
    local line
    line=$(webcam_node)
    node_id=${line%% *}
    [ -n "$node_id" ]
}

# receive FILE N FORMAT [CONVERT]: N frames from the node, raw in FORMAT (through videoconvert
# to RGB when CONVERT is given), into FILE.
receive() {
    local file=$1 count=$2 format=$3 convert=${4:-}
    local pipeline=(pipewiresrc "path=$node_id" "num-buffers=$count" ! "video/x-raw,format=$format")
    [ -n "$convert" ] && pipeline+=(! videoconvert ! video/x-raw,format=RGB)
    timeout -k 2 40 gst-launch-1.0 -q "${pipeline[@]}" ! filesink "location=$file" \
        >>"$work/consumer.log" 2>&1
}

# pixel FILE WIDTH HEIGHT FRAME X Y: "R G B" of an RGB frame file.
pixel() {
    local offset=$(((($4 * $3 + $6) * $2 + $5) * 3))
    od -An -tu1 -j "$offset" -N3 "$1" | xargs
}

# colour_of R G B: the name of a clearly coloured pixel: red, green, blue, yellow, or other.
colour_of() {
    local r=$1 g=$2 b=$3
    if ((r > g + 60 && r > b + 60)); then echo red
    elif ((g > r + 50 && g > b + 50)); then echo green
    elif ((b > r + 60 && b > g + 60)); then echo blue
    elif ((r > b + 60 && g > b + 60)); then echo yellow
    else echo other; fi
}

# check_scene FILE WIDTH HEIGHT FRAME: the scene's four coloured blocks, upright: red top left,
# green top right, blue bottom left, yellow bottom right.
check_scene() {
    local file=$1 w=$2 h=$3 frame=$4 at
    local expect=(red green blue yellow)
    local xs=($((w * 23 / 100)) $((w * 75 / 100)) $((w * 23 / 100)) $((w * 75 / 100)))
    local ys=($((h * 23 / 100)) $((h * 23 / 100)) $((h * 77 / 100)) $((h * 77 / 100)))
    for i in 0 1 2 3; do
        at=$(pixel "$file" "$w" "$h" "$frame" "${xs[i]}" "${ys[i]}")
        [ "$(colour_of $at)" = "${expect[i]}" ] ||
            fail "frame $frame at ${xs[i]},${ys[i]} is ($at), not ${expect[i]}"
    done
}

# file_holds FILE BYTES: FILE has at least BYTES.
file_holds() { [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -ge "$2" ]; }

# expect_size FILE BYTES
expect_size() {
    local size
    size=$(stat -c %s "$1" 2>/dev/null || echo 0)
    [ "$size" -eq "$2" ] || fail "$(basename "$1"): $size bytes, expected $2"
}

case $case_name in
frames)  # class, role, name; N frames of the chosen size in RGB and I420; the scene upright
    start_pipewire
    start_camera
    start_webcam --size 320x240 --fps 30
    wait_until 30 node_published || fail "no webcam node"
    read -r _ cls role desc <<<"$(webcam_node)"
    [ "$cls" = "Video/Source" ] || fail "media.class is '$cls'"
    [ "$role" = "Camera" ] || fail "media.role is '$role'"
    [ "$desc" = "Duovue" ] || fail "node.description is '$desc'"

    receive "$work/rgb.raw" 10 RGB || fail "the RGB consumer failed"
    expect_size "$work/rgb.raw" $((10 * 320 * 240 * 3))
    check_scene "$work/rgb.raw" 320 240 9
    receive "$work/i420.raw" 10 I420 || fail "the I420 consumer failed"
    expect_size "$work/i420.raw" $((10 * 320 * 240 * 3 / 2))
    receive "$work/i420-rgb.raw" 5 I420 convert || fail "the I420 to RGB consumer failed"
    check_scene "$work/i420-rgb.raw" 320 240 4
    receive "$work/yuy2-rgb.raw" 5 YUY2 convert || fail "the YUY2 to RGB consumer failed"
    check_scene "$work/yuy2-rgb.raw" 320 240 4
    running "$webcam_pid" || fail "the webcam ended"

    kill -TERM "$webcam_pid"
    exit_status_within 10 "$webcam_pid"
    status=$?
    [ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
    wait_until 10 bash -c "! timeout 5 pw-cli ls Node | grep -q duovue-webcam" ||
        fail "the node stayed after the webcam stopped"

    start_webcam --size 160x120 --fps 15 --name "Desk camera"
    wait_until 30 node_published || fail "no webcam node at 160x120"
    read -r _ _ _ desc <<<"$(webcam_node)"
    [ "$desc" = "Desk camera" ] || fail "node.description is '$desc'"
    receive "$work/small.raw" 5 BGRx || fail "the BGRx consumer failed"
    expect_size "$work/small.raw" $((5 * 160 * 120 * 4))
    ;;

vanish)  # the camera killed mid-stream ends the webcam with exit 3 and a message
    start_pipewire
    start_camera
    start_webcam --fps 15
    wait_until 30 node_published || fail "no webcam node"
    receive "$work/before.raw" 3 RGB || fail "the consumer failed"
    start consumer-long timeout -k 2 60 gst-launch-1.0 -q pipewiresrc "path=$node_id" ! \
        video/x-raw,format=RGB ! fakesink
    sleep 1
    kill -KILL "$sim_pid"
    exit_status_within 20 "$webcam_pid"
    status=$?
    [ "$status" -eq 3 ] || fail "exit status $status when the camera vanished, expected 3"
    grep -q "camera" "$work/webcam.log" || fail "no message when the camera vanished"
    ;;

wait)  # with --wait the webcam outlives the camera, and its consumer gets frames again
    start_pipewire
    start_camera
    start_webcam --fps 15 --wait
    wait_until 30 node_published || fail "no webcam node"
    frame=$((320 * 240 * 3))
    start consumer-long timeout -k 2 90 gst-launch-1.0 -q pipewiresrc "path=$node_id" ! \
        video/x-raw,format=RGB ! filesink "location=$work/long.raw"
    wait_until 30 file_holds "$work/long.raw" $((3 * frame)) || fail "no frames at first"
    kill -TERM "$sim_pid"
    wait_until 20 grep -q "waiting" "$work/webcam.log" || fail "no waiting message"
    sleep 1
    running "$webcam_pid" || fail "the webcam ended without its camera"
    before=$(stat -c %s "$work/long.raw")
    start_camera
    wait_until 40 file_holds "$work/long.raw" $((before + 5 * frame)) ||
        fail "no frames after the camera came back"
    check_scene "$work/long.raw" 320 240 $((before / frame + 3))
    kill -INT "$webcam_pid"
    exit_status_within 10 "$webcam_pid"
    status=$?
    [ "$status" -eq 0 ] || fail "exit status $status after SIGINT"
    ;;

unavailable)  # no PipeWire: one line and exit 2; no camera: exit 2 as well
    start_webcam
    exit_status_within 10 "$webcam_pid"
    status=$?
    [ "$status" -eq 2 ] || fail "exit status $status without PipeWire, expected 2"
    [ "$(wc -l <"$work/webcam.log")" -eq 1 ] || fail "not one line without PipeWire"
    grep -q "PipeWire is not running" "$work/webcam.log" || fail "the line does not say why"

    start_pipewire
    start_webcam
    exit_status_within 20 "$webcam_pid"
    status=$?
    [ "$status" -eq 2 ] || fail "exit status $status without a camera, expected 2"
    ;;

*)
    echo "unknown case $case_name"
    exit 1
    ;;
esac
echo "PASS ($case_name)"
