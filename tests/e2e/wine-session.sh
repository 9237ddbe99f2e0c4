# shellcheck shell=bash
# Wine session machinery shared by tests/e2e/run, bench/run and scripts/run:
# a private 32-bit prefix, a private X display, a virtual desktop running one
# Windows program whose output is followed line by line, and cleanup of
# everything started, by pid. Source it; it is safe under `set -eu`.
#
#   wine_session_init WORK    prefix in WORK/prefix, logs in WORK
#   wine_session_traps        cleanup on exit; Ctrl+C and TERM exit with 130

wine_session_init() { # work
    wine_session_work=$1
    export WINEPREFIX=$1/prefix WINEARCH=win32 WINEDEBUG=-all
    # No Mono or Gecko installer dialogs in a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    wine_session_pids=()
    wine_session_xvfb_pid=
    wine_session_desktop_pid=
    wine_session_out=
    wine_session_partial=
    # shellcheck disable=SC2034 # read by the sourcing script
    wine_session_line=
    mkdir -p "$1"
}

# Ends everything this session started; nothing here may stop it half-way
# under `set -e`.
wine_session_cleanup() {
    local pid
    for pid in "${wine_session_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [[ -d $WINEPREFIX ]]; then wineserver -k 2>/dev/null || true; fi
    if [[ -n $wine_session_xvfb_pid ]]; then kill "$wine_session_xvfb_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
}

wine_session_traps() {
    trap wine_session_cleanup EXIT
    trap 'exit 130' INT TERM
}

wine_session_winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Quiet wine invocations; they never read from the terminal.
wine_session_quietly() { "$@" </dev/null >>"$wine_session_work/wine.log" 2>&1; }

# A display of our own: -displayfd picks a free number and writes it when
# ready. Exports DISPLAY; fails when Xvfb does not come up (WORK/xvfb.log).
wine_session_xvfb() {
    local ready=$wine_session_work/display
    : >"$ready"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$ready" >/dev/null \
        2>"$wine_session_work/xvfb.log" &
    wine_session_xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s $ready ]] && break
        sleep 0.1
    done
    [[ -s $ready ]] || return 1
    DISPLAY=:$(head -n 1 "$ready")
    export DISPLAY
}

# Creates the prefix on first use.
wine_session_prefix() {
    [[ -f $WINEPREFIX/system.reg ]] || wine_session_quietly wineboot -i
}

# The Windows version the prefix reports: win98, win10, ...
wine_session_version() { wine_session_quietly winecfg -v "$1"; }

# A picture file in C:\windows, for wallpapers.
wine_session_picture() { # name
    local picture=$WINEPREFIX/drive_c/windows/$1.bmp
    [[ -f $picture ]] || convert -size 64x48 gradient:navy-black "BMP3:$picture"
}

# Starts a virtual desktop running a Windows program (its path and
# arguments as Windows sees them), output to LOG and errors to ERR. Wine
# programs run in a session of their own: Ctrl+C in the terminal would end
# them at once, without their shut-down; cleanup ends them instead.
wine_session_desktop() { # log err program [argument...]
    local log=$1 err=$2
    shift 2
    setsid wine explorer /desktop=shell,1024x768 "$@" </dev/null >"$log" 2>"$err" &
    wine_session_desktop_pid=$!
    wine_session_pids+=("$wine_session_desktop_pid")
}

# Follows LOG from its start for as long as the desktop runs.
wine_session_follow() { # log
    exec {wine_session_out}< <(exec tail -n +1 -f --pid="$wine_session_desktop_pid" "$1")
    wine_session_pids+=("$!")
    wine_session_partial=
}

# The next whole line of the followed output, in wine_session_line. Answers
# 0 for a line, 1 when the desktop has gone, 2 once LIMIT seconds have
# passed since STARTED (a $SECONDS value).
wine_session_next_line() { # started limit
    local line
    while :; do
        if IFS= read -r -t 1 -u "$wine_session_out" line; then
            # shellcheck disable=SC2034 # read by the sourcing script
            wine_session_line=$wine_session_partial$line
            wine_session_partial=
            return 0
        elif (($? <= 128)); then
            return 1
        fi
        wine_session_partial+=$line
        if ((SECONDS - $1 > $2)); then return 2; fi
    done
}

# Ends the desktop and everything in the prefix, and stops following.
wine_session_end() {
    local pid
    for pid in "${wine_session_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [[ -n $wine_session_out ]]; then exec {wine_session_out}<&-; fi
    wine_session_out=
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    wait "${wine_session_pids[@]}" 2>/dev/null || true
    wine_session_pids=()
}

# The Linux pid of the Wine process running NAME (e.g. dusklens.exe) in this
# prefix, found by its command line; empty when there is none.
wine_session_pid_of() { # name
    local dir program
    for dir in /proc/[0-9]*; do
        { IFS= read -r -d '' program <"$dir/cmdline"; } 2>/dev/null || continue
        program=${program##*[\\/]}
        [[ ${program,,} == "${1,,}" ]] || continue
        grep -qzxF "WINEPREFIX=$WINEPREFIX" "$dir/environ" 2>/dev/null || continue
        echo "${dir#/proc/}"
        return 0
    done
    return 0
}
