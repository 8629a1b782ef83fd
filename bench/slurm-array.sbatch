#!/bin/bash
# A collection as a Slurm job array: task K of N solves every N-th level of the collection with
# `cratewise batch --shard K/N`; merge the shards afterwards (docs/cluster.md).
#
#   sbatch --array=1-100 bench/slurm-array.sbatch COLLECTION SECONDS OUTDIR
#
# Each task is one engine: two solver threads, so two cores, and up to 3.5 GB of address space of
# which a hard level keeps up to about 2 GB resident.
#SBATCH --job-name=cratewise
#SBATCH --cpus-per-task=2
#SBATCH --mem=3G
#SBATCH --output=%x-%a.log
set -euo pipefail
collection=$1
seconds=$2
outdir=$3
count=${SLURM_ARRAY_TASK_COUNT:?run this as a job array}
index=$((SLURM_ARRAY_TASK_ID - ${SLURM_ARRAY_TASK_MIN:-1} + 1))
mkdir -p "$outdir"
# Status 1 only says that some level was not solved; the result file tells which.
cratewise batch "$collection" -t "$seconds" --shard "$index/$count" \
    -o "$outdir/result-$index.txt" --stats "$outdir/stats-$index.csv" || [[ $? -eq 1 ]]
