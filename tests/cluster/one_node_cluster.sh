# A Slurm cluster of one node with two CPUs on this machine, for tests: munge, slurmctld and
# slurmd in a folder of their own, on ports of their own, touching no system configuration.
# Sourced by a test (POSIX sh):
#   cluster_start DIR     starts the three daemons; returns 77 (the test is skipped) with the
#                         reason on standard error when Slurm is not there or does not start
#   cluster_stop          cancels the jobs, stops the daemons by their pids; safe to call twice
# Afterwards SLURM_CONF names the cluster's configuration for sbatch, squeue and scancel.

cluster_dir=""

cluster_log_tail() {
    for f in "$cluster_dir"/munged.log "$cluster_dir"/slurmctld.log "$cluster_dir"/slurmd.log; do
        [ -s "$f" ] && { echo "--- $f"; tail -n 5 "$f"; }
    done >&2
}

# A TCP port that nothing listens on, from a range away from the usual services.
cluster_free_port() {
    p=$1
    while ss -Hltn "sport = :$p" 2>/dev/null | grep -q .; do p=$((p + 1)); done
    echo "$p"
}

cluster_start() {
    cluster_dir=$1
    for prog in munged slurmctld slurmd sbatch squeue scancel sinfo; do
        command -v "$prog" >/dev/null 2>&1 || PATH="$PATH:/usr/sbin"
        command -v "$prog" >/dev/null 2>&1 || {
            echo "SKIP: $prog is not installed (scripts/setup.sh installs slurm-wlm and munge)" >&2
            return 77
        }
    done
    if [ "$(id -u)" -ne 0 ]; then
        echo "SKIP: the daemons of a one-node Slurm cluster need root" >&2
        return 77
    fi
    mkdir -p "$cluster_dir/spool" "$cluster_dir/state"
    chmod 700 "$cluster_dir"
    head -c 1024 /dev/urandom >"$cluster_dir/munge.key"
    chmod 400 "$cluster_dir/munge.key"
    munged --key-file="$cluster_dir/munge.key" --socket="$cluster_dir/munge.socket" \
        --pid-file="$cluster_dir/munged.pid" --log-file="$cluster_dir/munged.log" \
        --seed-file="$cluster_dir/munged.seed" -f || {
        echo "SKIP: munged does not start" >&2
        cluster_log_tail
        return 77
    }
    host=$(hostname -s)
    # Ports of its own, so that a second cluster of another test run does not meet this one.
    ctldport=$(cluster_free_port $((20000 + $$ % 20000)))
    slurmdport=$(cluster_free_port $((ctldport + 1)))
    cat >"$cluster_dir/slurm.conf" <<CONF
ClusterName=gravontest
SlurmctldHost=$host
AuthType=auth/munge
AuthInfo=socket=$cluster_dir/munge.socket
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$ctldport
SlurmdPort=$slurmdport
StateSaveLocation=$cluster_dir/state
SlurmdSpoolDir=$cluster_dir/spool
SlurmctldPidFile=$cluster_dir/slurmctld.pid
SlurmdPidFile=$cluster_dir/slurmd.pid
SlurmctldLogFile=$cluster_dir/slurmctld.log
SlurmdLogFile=$cluster_dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
MailProg=/bin/true
PlugStackConfig=$cluster_dir/plugstack.conf
KillWait=5
NodeName=$host CPUs=2 State=UNKNOWN
PartitionName=main Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
    : >"$cluster_dir/plugstack.conf"
    SLURM_CONF="$cluster_dir/slurm.conf"
    export SLURM_CONF
    slurmctld -f "$SLURM_CONF" || {
        echo "SKIP: slurmctld does not start" >&2
        cluster_log_tail
        return 77
    }
    slurmd -f "$SLURM_CONF" || {
        echo "SKIP: slurmd does not start" >&2
        cluster_log_tail
        return 77
    }
    i=0
    until sinfo -h -o %t 2>/dev/null | grep -q '^idle'; do
        i=$((i + 1))
        if [ "$i" -gt 60 ]; then
            echo "SKIP: the node did not come up within 60 s" >&2
            cluster_log_tail
            return 77
        fi
        sleep 1
    done
}

# Stops a daemon by the pid in its pid file and waits until it has gone.
cluster_stop_pid() {
    [ -s "$1" ] || return 0
    pid=$(cat "$1")
    kill "$pid" 2>/dev/null || return 0
    i=0
    while kill -0 "$pid" 2>/dev/null && [ "$i" -lt 100 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    kill -9 "$pid" 2>/dev/null || true
}

cluster_stop() {
    [ -n "$cluster_dir" ] || return 0
    if [ -s "$cluster_dir/slurmctld.pid" ]; then
        jobs=$(squeue -h -o %i 2>/dev/null || true)
        [ -z "$jobs" ] || scancel $jobs 2>/dev/null || true
        i=0
        while [ -n "$(squeue -h -o %i 2>/dev/null)" ] && [ "$i" -lt 30 ]; do
            sleep 1
            i=$((i + 1))
        done
    fi
    cluster_stop_pid "$cluster_dir/slurmd.pid"
    cluster_stop_pid "$cluster_dir/slurmctld.pid"
    cluster_stop_pid "$cluster_dir/munged.pid"
    cluster_dir=""
}
