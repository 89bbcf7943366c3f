#!/usr/bin/env bash
# The webcam's frame rate as a consumer sees it, and the webcam's CPU time per frame: 320 x 240
# at 30 frames/s requested, fed by the simulated camera, read by GStreamer as I420, measured over
# WEBCAM_RATE_SECONDS (10) once the first 30 frames have come.
#
#   bash bench/webcam/webcam_rate.sh build/bin/duovue-sim build/bin/duovue webcam
set -uo pipefail

script_args=("$@")
case_name=rate
sim_program=$1
shift
webcam_command=("$@")
stack_seconds=120
source "$(dirname "$0")/../../cli/webcam/tests/pipewire_stack.sh"

seconds=${WEBCAM_RATE_SECONDS:-10}
frame=$((320 * 240 * 3 / 2))
start_pipewire
start_camera
start_webcam --size 320x240 --fps 30
wait_until 30 node_published || fail "no webcam node"
start consumer timeout -k 2 100 gst-launch-1.0 -q pipewiresrc "path=$node_id" ! \
    video/x-raw,format=I420 ! filesink "location=$work/rate.raw"
wait_until 30 file_holds "$work/rate.raw" $((30 * frame)) || fail "no frames"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$webcam_pid/stat"; }
t0=$(date +%s.%N) b0=$(stat -c %s "$work/rate.raw") c0=$(cpu_ticks)
sleep "$seconds"
t1=$(date +%s.%N) b1=$(stat -c %s "$work/rate.raw") c1=$(cpu_ticks)

awk -v t="$(awk "BEGIN { print $t1 - $t0 }")" \
    -v frames=$(((b1 - b0) / frame)) -v ticks=$((c1 - c0)) -v hz="$(getconf CLK_TCK)" 'BEGIN {
    printf "webcam 320x240 at 30 requested: %d frames in %.2f s = %.2f frames/s received\n",
           frames, t, frames / t
    printf "webcam process CPU: %.2f ms per frame (%.1f%% of one core)\n",
           frames ? ticks * 1000 / hz / frames : 0, ticks * 100 / hz / t
}'
