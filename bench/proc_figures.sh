# Shared by the whole-run benches (sourced, not run): a private X server, and a process's CPU time
# and memory read from /proc.

# start_xvfb N: starts Xvfb on display :N and sets $xvfb to its process id.
start_xvfb() {
    Xvfb ":$1" -screen 0 1024x768x24 >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
}

# cpu_ticks PID: the user and system clock ticks the process has used so far.
cpu_ticks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}

# cpu_percent BEFORE AFTER SECONDS: the share of one core used between two cpu_ticks readings.
cpu_percent() {
    awk -v b="$1" -v a="$2" -v t="$(getconf CLK_TCK)" -v s="$3" 'BEGIN { printf "%.3f", 100 * (a - b) / t / s }'
}

# memory_kb PID FIELD: a total of /proc/PID/smaps_rollup in kB (Rss, Pss, Anonymous, ...).
memory_kb() {
    awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/smaps_rollup"
}
