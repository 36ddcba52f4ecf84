#!/usr/bin/env bash
# Renders a shot on a SLURM cluster: submits it as an array job of CHUNKS tasks (render-array.sbatch, one
# `kvhost render --chunk I/CHUNKS` each), waits for it and reports how each task ended.
#   scripts/slurm/submit.sh [--chunks N] [--partition P] [--kvhost PATH] [--time-limit MIN] [--poll S] \
#       PLUGIN INPUT OUTPUT FRAMES [kvhost render options...]
# e.g. scripts/slurm/submit.sh --chunks 20 morrowby.so 'shot/in.####.exr' 'out/graded.####.exr' 1-1000 \
#          --project grade.json
# Paths are used as given on every node: the shot, the output folder, the plug-in and kvhost must be on a
# file system all nodes share, under the same names (relative ones from this folder, which is the job's
# working folder). --poll: seconds between looks at the tasks' states (default 5). Logs:
# kvhost-JOB_TASK.log here. Exit code: 0 when every task rendered every frame of its slice, 1 when one did
# not (its log says which frames), 2 a usage error.
set -euo pipefail

usage() {
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
}

chunks=4
partition=()
kvhost="$(command -v kvhost || true)"
time_limit=()
poll=5
while [[ $# -gt 0 ]]; do
    case "$1" in
    --chunks) chunks="$2"; shift 2 ;;
    --partition) partition=(--partition "$2"); shift 2 ;;
    --kvhost) kvhost="$2"; shift 2 ;;
    --time-limit) time_limit=(--time "$2"); shift 2 ;;
    --poll) poll="$2"; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    --) shift; break ;;
    *) break ;;
    esac
done
if [[ $# -lt 4 ]]; then
    usage >&2
    exit 2
fi
if ! [[ "$chunks" =~ ^[1-9][0-9]*$ ]]; then
    echo "$0: --chunks \"$chunks\" is not a whole number from 1" >&2
    exit 2
fi
if [[ -z "$kvhost" || ! -x "$kvhost" ]]; then
    echo "$0: no kvhost to run (\"$kvhost\"): give --kvhost PATH" >&2
    exit 2
fi
if ! command -v sbatch >/dev/null; then
    echo "$0: sbatch is not here: this machine is no SLURM submit host" >&2
    exit 2
fi
kvhost="$(cd "$(dirname "$kvhost")" && pwd)/$(basename "$kvhost")"

here="$(cd "$(dirname "$0")" && pwd)"
job="$(KVHOST="$kvhost" sbatch --parsable --array="1-$chunks" --export=ALL "${partition[@]}" "${time_limit[@]}" \
    "$here/render-array.sbatch" "$@")"
job="${job%%;*}"
if [[ -z "$job" ]]; then
    echo "$0: sbatch submitted nothing" >&2
    exit 1
fi
echo "kvhost: job $job: $chunks tasks submitted"

# The tasks' states from slurmctld, one "STATE EXITCODE" line per task; empty once it forgot the job.
task_states() {
    scontrol -o show job "$job" 2>/dev/null |
        sed -n 's/.*JobState=\([A-Z_]*\).* ExitCode=\([0-9:]*\).*/\1 \2/p'
}
while true; do
    states="$(task_states)"
    if [[ -z "$states" ]] || ! grep -qvE '^(COMPLETED|FAILED|CANCELLED|TIMEOUT|NODE_FAIL|PREEMPTED|OUT_OF_MEMORY|BOOT_FAIL|DEADLINE) ' <<<"$states"; then
        break
    fi
    sleep "$poll"
done
# With accounting (slurmdbd) sacct tells how each task ended as well, after slurmctld forgot the job.
if [[ -z "$states" ]] && command -v sacct >/dev/null; then
    states="$(sacct -j "$job" -X -n -P --format=State,ExitCode 2>/dev/null | tr '|' ' ' | grep -v '^$' || true)"
fi
done_tasks="$(grep -c '^COMPLETED 0:0' <<<"$states" || true)"
echo "kvhost: job $job: $done_tasks of $chunks tasks rendered their frames"
if [[ "$done_tasks" -ne "$chunks" ]]; then
    echo "$0: job $job: not every task rendered all its frames (see kvhost-${job}_*.log):" >&2
    sed 's/^/  /' <<<"$states" >&2
    exit 1
fi
