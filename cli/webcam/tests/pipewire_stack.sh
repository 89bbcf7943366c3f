# Shared by the webcam's PipeWire test and its rate benchmark (sourced, not run): a private
# session bus, pipewire and wireplumber on a private runtime directory, the simulated camera and
# the webcam, each stopped by its id when the sourcing script ends, however it ends.
#
# The sourcing script sets script_args (its own arguments), case_name, sim_program and
# webcam_command (an array) and sources this before anything else; stack_seconds bounds the
# whole run (170 s unless set).

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
    exec timeout -k 5 "${stack_seconds:-170}" dbus-run-session -- bash "$0" "${script_args[@]}"
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

# file_holds FILE BYTES: FILE has at least BYTES.
file_holds() { [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -ge "$2" ]; }
