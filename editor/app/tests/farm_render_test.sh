#!/usr/bin/env bash
# scripts/farm-render on a single-node Slurm cluster that this test starts
# and ends itself: munged, slurmctld and slurmd with a configuration, keys,
# state and ports of their own in a temporary folder. The farm's movie must
# have the frames of a whole render (ffmpeg framemd5). Needs root (slurmd
# starts job steps as the submitting user) and Debian's slurmd, slurmctld,
# slurm-client and munge.
#
#   farm_render_test.sh FARM_SCRIPT REELBENCH CONTENT_STAGE ENGINE_LIBRARY WORK_FOLDER
set -euo pipefail

farm=$1
reelbench=$2
stage=$3
engine=$4
work=$5
project=$stage/Projects/Sample.kdp

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || fail "the Slurm daemons of this test need root"
for program in munged slurmctld slurmd sbatch sinfo squeue; do
  command -v "$program" >/dev/null || [ -x "/usr/sbin/$program" ] ||
    fail "$program is missing (scripts/install-deps installs it)"
done
export PATH=$PATH:/usr/sbin

rm -rf "$work"
mkdir -p "$work"/{munge,state,spool,log}
chmod 700 "$work/munge"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# Two ports nobody listens on.
read -r control_port node_port < <(python3 -c '
import socket
ports = []
for _ in range(2):
    s = socket.socket(); s.bind(("127.0.0.1", 0)); ports.append(s)
print(*[s.getsockname()[1] for s in ports])')

dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chmod 600 "$work/munge/munge.key"
munged -F --force --key-file="$work/munge/munge.key" --socket="$work/munge/socket" \
  --pid-file="$work/munge/pid" --log-file="$work/munge/log" --seed-file="$work/munge/seed" \
  >"$work/log/munged.out" 2>&1 &
pids+=($!)

node=$(hostname -s)
cat >"$work/slurm.conf" <<CONF
ClusterName=reelbench-test
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge/socket
SlurmctldPort=$control_port
SlurmdPort=$node_port
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SwitchType=switch/none
MpiDefault=none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
ReturnToService=2
SchedulerParameters=sched_interval=1
MinJobAge=300
KillWait=5
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=render Nodes=$node Default=YES MaxTime=INFINITE State=UP OverSubscribe=YES
CONF
export SLURM_CONF=$work/slurm.conf

for i in $(seq 50); do [ -S "$work/munge/socket" ] && break; sleep 0.1; done
slurmctld -D -f "$SLURM_CONF" >"$work/log/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" -N "$node" >"$work/log/slurmd.out" 2>&1 &
pids+=($!)

for i in $(seq 60); do
  if sinfo -h -o '%t' 2>/dev/null | grep -qx idle; then break; fi
  [ "$i" -lt 60 ] || { tail -n 20 "$work"/log/*.log >&2; fail "the node never came up"; }
  sleep 1
done
echo "--- single-node cluster up on ports $control_port and $node_port"

export KALEIDRA_REGISTRY=$work/registry
"$(dirname "$reelbench")/../../tools/kdr-reg/kdr-reg" set 'Software\Talvane\Kaleidra\3.0' Path "$stage"

REELBENCH=$reelbench timeout 300 "$farm" "$project" "$work/farm.avi" --chunks 3 --preview \
  --engine "$engine" --wait || { tail -n 20 "$work"/log/*.log >&2; fail "farm-render failed"; }
[ ! -e "$work/farm.avi.parts/part-00000.avi" ] || fail "the range movies were left behind"

"$reelbench" --render "$project" --preview --engine "$engine" --out "$work/whole.avi" --quiet >/dev/null
ffmpeg -v error -nostdin -i "$work/whole.avi" -f framemd5 - >"$work/whole.md5"
ffmpeg -v error -nostdin -i "$work/farm.avi" -f framemd5 - >"$work/farm.md5"
[ "$(grep -c '^0,' "$work/farm.md5")" -eq 130 ] || fail "the farm's movie lacks frames"
diff -q "$work/whole.md5" "$work/farm.md5" >/dev/null ||
  fail "the farm's movie differs from a whole render"

cleanup
pids=()
rm -rf "$work"
echo "farm-render on Slurm: the joined movie equals a whole render"
