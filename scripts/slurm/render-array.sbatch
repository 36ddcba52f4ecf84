#!/usr/bin/env bash
# One task of a shot rendered as a SLURM array job: task I of N renders the I-th of N contiguous slices of
# the frames (kvhost render --chunk I/N). submit.sh submits it; by hand:
#   sbatch --array=1-N scripts/slurm/render-array.sbatch PLUGIN INPUT OUTPUT FRAMES [kvhost render options]
# e.g. PLUGIN morrowby.so, INPUT 'shot/in.####.exr', OUTPUT 'out/graded.####.exr', FRAMES 1-1000.
# The task's log is kvhost-JOB_TASK.log in the folder sbatch ran in (--output below); each frame is one
# line there. A task that is run again leaves the frames already written alone (--skip-existing), so a
# failed or preempted task can simply be requeued.
#SBATCH --job-name=kvhost-shot
#SBATCH --output=kvhost-%A_%a.log
#SBATCH --ntasks=1
#SBATCH --requeue
set -euo pipefail

if [[ $# -lt 4 ]]; then
    echo "usage: sbatch --array=1-N $0 PLUGIN INPUT OUTPUT FRAMES [kvhost render options...]" >&2
    exit 2
fi
if [[ -z "${SLURM_ARRAY_TASK_ID:-}" || -z "${SLURM_ARRAY_TASK_COUNT:-}" ]]; then
    echo "$0: not an array task (no SLURM_ARRAY_TASK_ID / SLURM_ARRAY_TASK_COUNT): submit with --array=1-N" >&2
    exit 2
fi
plugin="$1" input="$2" output="$3" frames="$4"
shift 4
# Array indices from 1 to N (submit.sh submits --array=1-N); the task count is N.
index="$SLURM_ARRAY_TASK_ID"
count="$SLURM_ARRAY_TASK_COUNT"
kvhost="${KVHOST:-kvhost}"
# The processors SLURM gave this task, shared by the task's frames (kvhost's default jobs and threads).
threads=()
if [[ -n "${SLURM_CPUS_ON_NODE:-}" ]]; then
    threads=(--threads "${SLURM_CPUS_PER_TASK:-$SLURM_CPUS_ON_NODE}")
fi
echo "kvhost: task $index of $count: $input -> $output, frames $frames --chunk $index/$count on $(hostname)"
exec "$kvhost" render "$plugin" "$input" "$output" --frames "$frames" --chunk "$index/$count" \
    --skip-existing "${threads[@]}" "$@"
