#!/usr/bin/env bash
# A shot rendered on a one-node SLURM cluster that this test starts on this machine (munge, slurmctld and
# slurmd on 127.0.0.1, with a minimal configuration written here into a folder of its own, no cgroups):
# 12 frames in 3 chunks through scripts/slurm/submit.sh, every frame compared byte for byte with a local
# render, and the daemons stopped again.
#   slurm-shot-test.sh KVHOST PLUGIN PROJECT SCRIPTS_SLURM_FOLDER
set -euo pipefail
kvhost="$1" plugin="$2" project="$3" slurm_scripts="$4"

for tool in munged slurmctld slurmd sbatch sinfo scontrol; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is missing (scripts/install-deps.sh installs munge, slurmctld, slurmd, slurm-client)" >&2
        exit 1
    fi
done

work="$(mktemp -d /tmp/kvslurm.XXXXXX)"
chmod 755 "$work"
daemons=()
stop_daemons() {
    for pid in "${daemons[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${daemons[@]}"; do
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
    done
}
on_exit() {
    status=$?
    stop_daemons
    echo "daemons stopped after ${SECONDS} s"
    if [[ $status -ne 0 ]]; then
        for log in "$work"/*.log "$work"/shot/kvhost-*.log; do
            [[ -f "$log" ]] && { echo "---- $log"; tail -n 30 "$log"; }
        done
    fi
    if [[ -n "${KV_KEEP_CLUSTER_FILES:-}" ]]; then
        echo "files kept in $work"
    else
        rm -rf "$work"
    fi
    exit $status
}
trap on_exit EXIT

# Two ports that nothing listens on, from the kernel's free ones.
read -r ctld_port slurmd_port < <(python3 -c '
import socket
sockets = [socket.socket() for _ in range(2)]
for s in sockets:
    s.bind(("127.0.0.1", 0))
print(*(s.getsockname()[1] for s in sockets))')

# munge: its own key, socket and files here.
mkdir -m 700 "$work/munge"
head -c 1024 /dev/urandom >"$work/munge/munge.key"
chmod 400 "$work/munge/munge.key"
socket="$work/munge/munge.socket"
munged --force --key-file="$work/munge/munge.key" --socket="$socket" --pid-file="$work/munge/munged.pid" \
    --log-file="$work/munged.log" --seed-file="$work/munge/munged.seed" --foreground >/dev/null 2>&1 &
daemons+=($!)
for _ in $(seq 50); do
    [[ -S "$socket" ]] && break
    sleep 0.1
done
[[ -S "$socket" ]] || { echo "FAIL: munged did not start" >&2; exit 1; }

host="$(hostname -s)"
# Three CPUs whatever the machine has, so that the three tasks run at once (config_overrides).
cpus=3
mkdir -p "$work/state" "$work/spool"
cat >"$work/slurm.conf" <<CONF
ClusterName=kvtest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=$(id -un)
SlurmdUser=$(id -un)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/builtin
SlurmdParameters=config_overrides
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
CommunicationParameters=NoCtldInAddrAny,NoInAddrAny
ReturnToService=2
InactiveLimit=0
KillWait=5
MinJobAge=30
NodeName=$host NodeAddr=127.0.0.1 NodeHostname=$host CPUs=$cpus State=UNKNOWN
PartitionName=kvtest Nodes=$host Default=YES MaxTime=10 State=UP
CONF
export SLURM_CONF="$work/slurm.conf"
slurmctld -D -i -f "$SLURM_CONF" >/dev/null 2>&1 &
daemons+=($!)
slurmd -D -f "$SLURM_CONF" -N "$host" >/dev/null 2>&1 &
daemons+=($!)
state=""
for _ in $(seq 150); do
    state="$(sinfo -h -o %t 2>/dev/null || true)"
    [[ "$state" == "idle" ]] && break
    sleep 0.2
done
[[ "$state" == "idle" ]] || { echo "FAIL: the node did not come up (state \"$state\")" >&2; exit 1; }
echo "cluster up after ${SECONDS} s"

# The shot: 12 frames of a small picture, each a little different.
mkdir -p "$work/shot/in" "$work/shot/farm" "$work/shot/local"
python3 - "$work/shot/in" <<'PY'
import sys
w, h = 8, 4
for frame in range(1, 13):
    pixels = bytes((i * 37 + frame * 11) % 256 for i in range(w * h * 3))
    with open("%s/in.%04d.ppm" % (sys.argv[1], frame), "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (w, h) + pixels)
PY

cd "$work/shot"
timeout 100 "$slurm_scripts/submit.sh" --chunks 3 --poll 0.5 --kvhost "$kvhost" "$plugin" 'in/in.####.ppm' \
    'farm/out.####.png' 1-12 --project "$project"
echo "shot rendered on the cluster after ${SECONDS} s"
logs=(kvhost-*.log)
[[ ${#logs[@]} -eq 3 ]] || { echo "FAIL: ${#logs[@]} task logs, not 3: ${logs[*]}" >&2; exit 1; }
"$kvhost" render "$plugin" 'in/in.####.ppm' 'local/out.####.png' --frames 1-12 --project "$project" --quiet
for f in $(seq -f %04g 1 12); do
    cmp "farm/out.$f.png" "local/out.$f.png" || { echo "FAIL: frame $f differs from the local render" >&2; exit 1; }
done
# Each task rendered its own slice: 1-4, 5-8, 9-12.
for slice in "1 4" "5 8" "9 12"; do
    set -- $slice
    grep -l "frame $1: wrote" kvhost-*.log | xargs grep -q "frame $2: wrote" ||
        { echo "FAIL: no task rendered frames $1 to $2 together" >&2; exit 1; }
done
echo "PASS: 12 frames in 3 SLURM tasks equal the local render"
