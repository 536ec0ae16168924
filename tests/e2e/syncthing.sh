#!/usr/bin/env bash
# End-to-end with a real sync engine: two syncthing instances on this machine,
# each with its own home, keep two copies of one program folder the same, as
# on two computers. A Kestrune runs in each copy, each with its own runtime
# folder (its own lock): both start, and an entry added on either side reaches
# the other's list without a restart.
#
# Nothing leaves 127.0.0.1: the instances listen and connect there only, with
# global and local discovery, relays, NAT traversal, crash and usage reports
# and upgrades off.
#
# Usage: syncthing.sh PATH-TO-Kestrune

# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_begin "${1:-}"
command -v syncthing >/dev/null || e2e_missing "syncthing is not installed (scripts/install-deps.sh installs it)"
# shellcheck source=two_sides.sh
source "$(dirname "${BASH_SOURCE[0]}")/two_sides.sh"
e2e_sides_begin

# A free TCP port on 127.0.0.1.
free_port() {
  "$E2E_PYTHON" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# configure HOME_DIR FOLDER OWN_PORT GUI_PORT PEER_ID PEER_PORT: keeps the
# generated default folder and changes it into the shared one; everything
# that would reach beyond 127.0.0.1 is turned off.
configure() {
  "$E2E_PYTHON" - "$@" <<'PY'
import sys
import xml.etree.ElementTree as ET

home, folder, own_port, gui_port, peer_id, peer_port = sys.argv[1:]
path = home + "/config.xml"
tree = ET.parse(path)
root = tree.getroot()
own_id = root.find("device").get("id")
options = root.find("options")
for name, value in {
    "listenAddress": "tcp://127.0.0.1:" + own_port,
    "globalAnnounceEnabled": "false",
    "localAnnounceEnabled": "false",
    "relaysEnabled": "false",
    "natEnabled": "false",
    "crashReportingEnabled": "false",
    "urAccepted": "-1",
    "autoUpgradeIntervalH": "0",
    "stunKeepaliveStartS": "0",
}.items():
    for element in options.findall(name):
        element.text = value
for name in ("globalAnnounceServer", "stunServer"):
    for element in options.findall(name):
        options.remove(element)
root.find("gui").find("address").text = "127.0.0.1:" + gui_port
shared = root.find("folder")
shared.set("id", "kestrune")
shared.set("label", "Kestrune")
shared.set("path", folder)
shared.set("rescanIntervalS", "5")
shared.set("fsWatcherDelayS", "1")
ET.SubElement(shared, "device", {"id": peer_id, "introducedBy": ""})
peer = ET.SubElement(root, "device", {"id": peer_id, "name": "peer", "compression": "metadata",
                                      "introducer": "false", "skipIntroductionRemovals": "false",
                                      "introducedBy": ""})
ET.SubElement(peer, "address").text = "tcp://127.0.0.1:" + peer_port
tree.write(path)
PY
}

# start_syncthing HOME_DIR: runs an instance; its pid is ended at the end.
start_syncthing() {
  STNOUPGRADE=1 syncthing serve --no-browser --no-restart --home="$1" --logfile="$1/log" \
    >"$1/output" 2>&1 &
  E2E_SIDE_B_PIDS+=($!)
}

# wait_same A B: the two files hold the same bytes, within 60 seconds.
wait_same() {
  local _
  for _ in $(seq 120); do
    [ -f "$2" ] && cmp -s "$1" "$2" && return 0
    sleep 0.5
  done
  e2e_fail "syncthing did not bring $1 to $2 within 60s"
}

# -----------------------------------------------------------------------------
e2e_case "two programs on two synced copies of one program folder see each other's adds"
SYNC_A="$E2E_ROOT/sync-a"
SYNC_B="$E2E_ROOT/sync-b"
for dir in "$SYNC_A" "$SYNC_B"; do
  mkdir -p "$dir/.stfolder"
  # The program itself, the engine's and the program's temporary files stay
  # out of the sync.
  printf '%s\n' Kestrune 'data.enc.*' >"$dir/.stignore"
  cp "$E2E_EXE" "$dir/Kestrune"
done
e2e_write_hex "$SYNC_A/data.enc" "$(e2e_saved_file 'alice|||pw1|||example.com' 'bob|||pw2|||mail')"

ids=()
for side in a b; do
  syncthing generate --home="$E2E_ROOT/st-$side" >"$E2E_ROOT/st-$side.generate" 2>&1 ||
    e2e_fail "syncthing generate failed: $(cat "$E2E_ROOT/st-$side.generate")"
  ids+=("$(sed -n 's/.*Device ID: *\([A-Z0-9-]*\).*/\1/p' "$E2E_ROOT/st-$side.generate" | head -n 1)")
done
if [ -z "${ids[0]}" ] || [ -z "${ids[1]}" ]; then
  e2e_fail "syncthing generate printed no device ID"
fi
port_a=$(free_port)
port_b=$(free_port)
configure "$E2E_ROOT/st-a" "$SYNC_A" "$port_a" "$(free_port)" "${ids[1]}" "$port_b"
configure "$E2E_ROOT/st-b" "$SYNC_B" "$port_b" "$(free_port)" "${ids[0]}" "$port_a"
start_syncthing "$E2E_ROOT/st-a"
start_syncthing "$E2E_ROOT/st-b"
wait_same "$SYNC_A/data.enc" "$SYNC_B/data.enc"

e2e_side A
E2E_FOLDER=$SYNC_A
e2e_log_in "Secret1" "Loaded 2 entries"
e2e_side B
E2E_FOLDER=$SYNC_B
e2e_log_in "Secret1" "Loaded 2 entries"

e2e_sides_add_on_each
e2e_expect_bytes "$SYNC_A/data.enc" "$(e2e_saved_file 'alice|||pw1|||example.com' \
  'bob|||pw2|||mail' 'carol|||pw3|||' 'dave|||pw4|||')" "side A's data.enc"
wait_same "$SYNC_A/data.enc" "$SYNC_B/data.enc"
e2e_exit_through_file_menu
e2e_side B
e2e_exit_through_file_menu
e2e_side A
conflicts=$(find "$SYNC_A" "$SYNC_B" -name '*sync-conflict*')
[ -z "$conflicts" ] || e2e_fail "conflict copies were made: $conflicts"
# Nothing but 127.0.0.1 in the engines' logs.
if grep -hoE '(tcp|udp|quic)://[0-9.]+' "$E2E_ROOT"/st-?/log | grep -v '://127\.0\.0\.1' | grep -q .; then
  e2e_fail "a syncthing instance used an address other than 127.0.0.1"
fi
e2e_case_passed

e2e_summary
