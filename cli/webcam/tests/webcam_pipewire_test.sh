#!/usr/bin/env bash
# The webcam against a private PipeWire: a session bus, pipewire and wireplumber on a private
# runtime directory, the simulated camera, the webcam, and GStreamer as the consumer.
#
#   webcam_pipewire_test.sh CASE DUOVUE_SIM WEBCAM_COMMAND...
#
# CASE: frames | vanish | wait | unavailable. Every process started here is stopped by its
# id when the script ends, however it ends; every wait is bounded. Exit 77 (skipped) when the
# PipeWire tools are not installed, except in CI, where that is a failure.
set -uo pipefail

script_args=("$@")
case_name=$1
sim_program=$2
shift 2
webcam_command=("$@")
source "$(dirname "$0")/pipewire_stack.sh"

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
