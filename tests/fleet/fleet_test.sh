#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the fleet playbook of docs/fleet against this machine (connection: local) with two
# "hosts" of simulated readers, one of them of another model than the profile's, and checks
# the report: every port listed with its result, the other model refused.
#   tests/fleet/fleet_test.sh TAGLINE TAGLINE_SIM PLAYBOOK
set -euo pipefail
tagline=$(realpath "$1") sim=$(realpath "$2") playbook=$(realpath "$3")
if ! command -v ansible-playbook >/dev/null 2>&1; then
  echo "fleet test: ansible-playbook is missing (scripts/install-deps.sh installs ansible-core)"
  exit 77
fi

scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
cd "$scratch"

start_reader() {  # NAME VERSION
  "$sim" --version "$2" --latency 1 --link "$scratch/$1" >"$scratch/$1.log" 2>&1 &
  pids+=($!)
}
start_reader a1 B2.0
start_reader a2 B2.0
start_reader b1 B2.0
start_reader b2 "KTR H9 V4.30054"
for name in a1 a2 b1 b2; do
  for _ in $(seq 100); do [ -e "$scratch/$name" ] && break; sleep 0.05; done
  [ -e "$scratch/$name" ] || { echo "fleet test: reader $name did not start" >&2; exit 1; }
done

# The profile of the fleet: one reader's configuration with the buzzer on.
"$tagline" --ini "$scratch/t.ini" --port "$scratch/a1" param Buzzer on >/dev/null
"$tagline" --ini "$scratch/t.ini" --port "$scratch/a1" config save "$scratch/fleet.profile" >/dev/null

cat >inventory.yml <<INVENTORY
all:
  vars:
    ansible_connection: local
    ansible_python_interpreter: auto_silent
    tagline_bin: $tagline
    tagline_profile: $scratch/fleet.profile
    tagline_factory_default: true
    tagline_factory_options: [--language, deutsch]
  hosts:
    station-a:
      tagline_workdir: $scratch/station-a
      tagline_ports: [$scratch/a1, $scratch/a2]
    station-b:
      tagline_workdir: $scratch/station-b
      tagline_ports: [$scratch/b1, $scratch/b2]
INVENTORY

export ANSIBLE_HOME="$scratch/ansible" ANSIBLE_LOCAL_TEMP="$scratch/ansible/tmp"
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_DEPRECATION_WARNINGS=0
status=0
ansible-playbook -i inventory.yml "$playbook" -e tagline_report="$scratch/report.json" \
  >playbook.log 2>&1 || status=$?
if [ ! -f report.json ]; then
  cat playbook.log >&2
  echo "fleet test: no report" >&2
  exit 1
fi
# The other model's port fails, so the playbook ends with its assertion failed.
if [ "$status" -eq 0 ]; then
  cat playbook.log >&2
  echo "fleet test: the playbook passed although a port was refused" >&2
  exit 1
fi

python3 - "$scratch" <<'CHECK'
import json, sys
scratch = sys.argv[1]
report = json.load(open(scratch + "/report.json"))
assert sorted(report) == ["station-a", "station-b"], report.keys()
ports = {p["port"]: p for host in report.values() for p in host["ports"]}
assert sorted(ports) == sorted(scratch + "/" + n for n in ("a1", "a2", "b1", "b2")), ports.keys()
for name in ("a1", "a2", "b1"):
    result = ports[scratch + "/" + name]
    assert result["ok"] and result["differences"] == [], result
other = ports[scratch + "/b2"]
assert not other["ok"] and "this reader is a KtrH9V43Build54" in other["refused"], other
assert report["station-a"]["exit"] == 0 and report["station-b"]["exit"] == 1, report
factory = {p["port"] for host in report.values() for p in host["factory_default"]}
assert factory == set(ports), factory
print("fleet test: the report lists all", len(ports), "ports")
CHECK
