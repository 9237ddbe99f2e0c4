# shellcheck shell=bash
# Wine session machinery (docs/DEVELOPING.md); safe under `set -eu`.
# DUSKLENS_WINE32 and DUSKLENS_WINE64 name the loaders.

# Logs and prefixes go under WORK; NAME speaks in wine_session_die's messages.
wine_session_init() { # work [name]
    wine_session_work=$1
    wine_session_name=${2:-${0##*/}}
    export WINEDEBUG=-all
    # No Mono or Gecko installer dialogs in a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # shellcheck disable=SC2034 # wine_session_line is read by the sourcing script
    wine_session_pids=() wine_session_tries=() wine_session_dir=$1 wine_session_line=
    wine_session_xvfb_pid= wine_session_desktop_pid= wine_session_out= wine_session_partial=
    wine_session_wine= wine_session_why= wine_session_note= wine_session_label=
    wine_session_passed=0 wine_session_failed=0 wine_session_skipped=0
    mkdir -p "$1"
    # The work tree that WORK (build/NAME) is in, to name logs from there.
    wine_session_root=$(cd "$1/../.." && pwd)
    trap wine_session_cleanup EXIT
    trap 'exit 130' INT TERM
}

# The Wine loader of each build: Debian's /usr/bin/wine takes the 32-bit one
# whenever installed, even where it cannot run, so win64 names its own.
wine_session_loader() { # build
    local named=${DUSKLENS_WINE32:-} candidates=(/usr/lib/wine/wine wine) candidate
    [[ $1 == win32 ]] || named=${DUSKLENS_WINE64:-} candidates=(/usr/lib/wine/wine64 wine64 wine)
    [[ -z $named ]] || candidates=("$named")
    for candidate in "${candidates[@]}"; do
        [[ $candidate == /* && -e $candidate ]] && echo "$candidate" && return
        [[ $candidate != /* ]] && command -v "$candidate" && return
    done
    echo "${candidates[0]}"
}

# Whether this machine runs 32-bit Wine, found by running its loader; why in
# wine_session_why.
wine_session_can_run_win32() {
    local loader output
    loader=$(wine_session_loader win32)
    wine_session_why="no 32-bit Wine: $loader is not installed"
    [[ -e $loader ]] || return 1
    # A `wine` found on PATH may be a wrapper that falls back to the 64-bit
    # loader; only a 32-bit ELF file (class 1 in its fifth byte) is one.
    wine_session_why="no 32-bit Wine: the loader found, $loader, is not a 32-bit program"
    [[ $(od -An -tx1 -j4 -N1 "$(readlink -f "$loader")" 2>/dev/null) == " 01" ]] || return 1
    if ! output=$("$loader" --version 2>&1 </dev/null); then
        output=${output//$'\n'/ }
        # The shell's own prefix ("...session.sh: line N: ") says nothing.
        [[ $output =~ ^[^:]*:\ line\ [0-9]+:\ (.*)$ ]] && output=${BASH_REMATCH[1]}
        wine_session_why="32-bit Wine does not run here: $loader --version says: ${output:-nothing}"
        return 1
    fi
    wine_session_why="32-bit Wine runs here ($output)"
}

# Selects BUILD: its loader, prefix and logs in WORK/BUILD (wine_session_dir).
wine_session_build() { # build
    [[ -n $wine_session_wine ]] && wine_session_end
    wine_session_build=$1
    wine_session_dir=$wine_session_work/$1
    wine_session_wine=$(wine_session_loader "$1")
    export WINEPREFIX=$wine_session_dir/prefix WINELOADER=$wine_session_wine WINEARCH=$1
    mkdir -p "$wine_session_dir"
}

wine_session_cleanup() {
    wine_session_end
    if [[ -n $wine_session_xvfb_pid ]]; then kill "$wine_session_xvfb_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
}

wine_session_winpath() { printf 'Z:%s' "${1//\//\\}"; }

# A display of our own as DISPLAY; -displayfd writes a free number when ready.
wine_session_xvfb() {
    local ready=$wine_session_work/display log=$wine_session_work/xvfb.log started=$SECONDS
    : >"$ready"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$ready" >/dev/null 2>"$log" &
    wine_session_xvfb_pid=$!
    while [[ ! -s $ready ]] && kill -0 "$wine_session_xvfb_pid" 2>/dev/null && ((SECONDS - started <= 10)); do
        sleep 0.1
    done
    if [[ ! -s $ready ]]; then
        wine_session_why="Xvfb ended without a display"
        kill "$wine_session_xvfb_pid" 2>/dev/null && wine_session_why="Xvfb gave no display number within 10 s"
        wait "$wine_session_xvfb_pid" 2>/dev/null || true
        wine_session_xvfb_pid=
        wine_session_why+=" ($(wine_session_where "$log"): $(wine_session_reason "$log" 1))"
        return 1
    fi
    DISPLAY=:$(head -n 1 "$ready")
    export DISPLAY
}

# Why a step failed, from line FROM of LOG on: the last three lines that name
# an error, else the last three (Wine ends with empty ones), or "nothing".
wine_session_reason() { # log from
    local lines errors
    lines=$(tail -n +"$2" "$1" 2>/dev/null | tr -d '\r' | grep -v '^[[:space:]]*$') || true
    errors=$(grep -iE "$wine_session_errors" <<<"$lines") || true
    [[ -n $errors ]] && lines=$errors
    lines=$(tail -n 3 <<<"$lines")
    lines=${lines//$'\n'/ / }
    echo "${lines:-nothing}"
}
wine_session_errors='err|fail|cannot|can.t|could not|unable|not found|no such|denied|refused|invalid|abort|crash|exception|fatal|killed|timed? ?out'

# A log's path from the work tree's root, and what it says from line FROM on.
wine_session_where() { # path [from]
    echo "${1#"$wine_session_root"/}${2:+: $(wine_session_reason "$1" "$2")}"
}

wine_session_next() { # log: the number of the next line a step adds to it
    echo $(($({ wc -l <"$1"; } 2>/dev/null || echo 0) + 1))
}

# Runs a set-up command, and once more when it fails (Wine's start-up or the
# display seldom fail twice); each failed try adds "STEP, try N of 2: REASON"
# to wine_session_tries; a second that succeeds says so on INFO.
wine_session_twice() { # step command [argument...]
    local step=$1 try
    shift
    wine_session_tries=()
    for try in 1 2; do
        wine_session_why=
        if "$@"; then
            ((try == 1)) ||
                echo "INFO $wine_session_label${wine_session_tries[0]}; the second try succeeded"
            return 0
        fi
        wine_session_tries+=("$step, try $try of 2: ${wine_session_why:-no reason given}")
    done
    return 1
}

wine_session_die() { # message...
    echo "$wine_session_name: $*" >&2
    exit 1
}

# A set-up step without which the run cannot go on.
wine_session_must() { # step command [argument...]
    wine_session_twice "$@" && return 0
    printf '%s\n' "${wine_session_tries[@]/#/"$wine_session_name: "}" >&2
    wine_session_die "the set-up step $1 failed twice"
}

wine_session_tools() { # tool...
    local tool
    for tool; do
        command -v "$tool" >/dev/null && continue
        wine_session_why="expected $tool installed (scripts/install-deps installs it), seen none"
        return 1
    done
}

# Builds PRESET (only TARGETs where given), output added to LOG; a failure is
# told by the first lines naming an error, which say more than the last.
wine_session_make() { # preset log [target...]
    local preset=$1 log=$2 lines targets=()
    shift 2
    (($#)) && targets=(--target "$@")
    (cd "$wine_session_root" && cmake --preset "$preset" &&
        cmake --build --preset "$preset" "${targets[@]}") >>"$log" 2>&1 && return 0
    lines=$(grep -m 3 -E 'error:|CMake Error' "$log" | tr -d '\r') || true
    lines=${lines//$'\n'/ / }
    wine_session_why="expected the $preset preset to build, seen errors ($(wine_session_where "$log"):"
    wine_session_why+=" ${lines:-$(wine_session_reason "$log" 1)})"
    return 1
}

# The programs a run starts, copied to WORK/BUILD/programs at their paths under
# BIN (a full path: at the top): a build during the run would rewrite them.
wine_session_copy() { # bin path...
    local bin=$1 path from to
    shift
    wine_session_programs=$wine_session_dir/programs
    rm -rf "$wine_session_programs"
    for path; do
        from=$bin/$path to=$wine_session_programs/$path
        [[ $path == /* ]] && from=$path to=$wine_session_programs/${path##*/}
        mkdir -p "${to%/*}" && cp "$from" "$to" && continue
        wine_session_why="expected copies of the programs in $(wine_session_where "$wine_session_programs"), seen cp fail"
        return 1
    done
}

# Whether the prefix serves: made for the build's architecture, and running a
# program as that build.
wine_session_serves() {
    local answer expected=AMD64 made
    [[ $WINEARCH == win32 ]] && expected=x86
    made=$(sed -n 's/^#arch=/made for /p' "$WINEPREFIX/system.reg" 2>/dev/null | head -n 1)
    wine_session_why="expected a $WINEARCH prefix, seen ${WINEPREFIX##*/}/system.reg ${made:-missing}"
    grep -qx "#arch=$WINEARCH" "$WINEPREFIX/system.reg" 2>/dev/null || return 1
    answer=$("$wine_session_wine" cmd /c echo %PROCESSOR_ARCHITECTURE% </dev/null \
        2>>"$wine_session_dir/wine.log" | tr -d '\r') || true
    wine_session_why="expected cmd.exe to answer $expected in the prefix, seen ${answer:-no answer}"
    [[ $answer == "$expected" ]]
}

# Makes the prefix where none serves; notes go to wine_session_note. wineboot's
# status is no judge: without 32-bit Wine it fails in some runs over the
# 32-bit half of a prefix that serves win64.
wine_session_prefix() {
    local log=$wine_session_dir/wine.log from status=0 reason
    wine_session_note=
    [[ -f $WINEPREFIX/system.reg ]] && wine_session_serves && return 0
    # None yet, or one left unfinished by a failed try or a stopped run.
    wine_session_end
    rm -rf "$wine_session_dir/prefix"
    from=$(wine_session_next "$log")
    "$wine_session_wine" wineboot -i </dev/null >>"$log" 2>&1 || status=$?
    wineserver -w 2>/dev/null || true
    reason="wineboot exited with $status; $(wine_session_where "$log" "$from")"
    if ! wine_session_serves; then
        wine_session_why="wineboot exited with $status; $wine_session_why ($(wine_session_where "$log" "$from"))"
        return 1
    fi
    if [[ $WINEARCH == win64 && $(tail -n +"$from" "$log") == *syswow64* ]] &&
        ! (wine_session_can_run_win32); then
        wine_session_note="its 32-bit half could not be set up, as expected where 32-bit programs"
        wine_session_note+=" do not run; it serves the 64-bit build ($reason)"
    elif ((status != 0)); then
        wine_session_note="wineboot failed, but the prefix serves ($reason)"
    fi
    return 0
}

# Runs COMMAND with the selected build's loader, output to WORK/BUILD/wine.log.
wine_session_logged() { # what command [argument...]
    local log=$wine_session_dir/wine.log what=$1 from status
    shift
    from=$(wine_session_next "$log")
    "$wine_session_wine" "$@" </dev/null >>"$log" 2>&1 && return 0 || status=$?
    wine_session_why="$what exited with $status ($(wine_session_where "$log" "$from"))"
    return 1
}

# The Windows version the prefix reports: win95, win98, win7, win10, ...
wine_session_version() { wine_session_logged "winecfg -v $1" winecfg -v "$1"; }

# A setting of the prefix's user, for the programs started afterwards.
wine_session_desktop_setting() { # name type data
    wine_session_logged "reg add $1" reg add 'HKCU\Control Panel\Desktop' /v "$1" /t "$2" /d "$3" /f
}

# Flat menus (bit 0x20000 of the user preferences; the rest Wine's defaults),
# the dpi, and Wine's own taskbar on the virtual desktop "shell".
wine_session_look() { # flat-menus(on|off) dpi wine-taskbar(on|off)
    local mask=3000008012000000 enabled=1
    [[ $1 == on ]] && mask=3000028012000000
    [[ $3 == off ]] && enabled=0
    wine_session_desktop_setting UserPreferencesMask REG_BINARY "$mask" &&
        wine_session_desktop_setting LogPixels REG_DWORD "$2" &&
        wine_session_logged "reg add EnableShell" reg add 'HKCU\Software\Wine\Explorer\Desktops\shell' \
            /v EnableShell /t REG_DWORD /d "$enabled" /f
}

# Wine's own fonts (MS Sans Serif, Tahoma, Marlett) in the prefix's Fonts: a
# Wine that misses them (Debian's 8.0) draws caption buttons as letters.
wine_session_fonts() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts
    [[ -d /usr/share/wine/fonts && -d $fonts ]] || return 0
    cp -n /usr/share/wine/fonts/* "$fonts/"
}

# Picture files in C:\windows, for wallpapers; says which could not be made.
wine_session_picture() { # name...
    local name picture
    for name; do
        picture=$WINEPREFIX/drive_c/windows/$name.bmp
        [[ -f $picture ]] || convert -size 64x48 gradient:navy-black "BMP3:$picture" 2>/dev/null ||
            { wine_session_why="expected the wallpaper $name.bmp made, seen convert fail" && return 1; }
    done
}

# Starts a virtual desktop running a program, in a session of its own: Ctrl+C
# would end it without its shut-down; cleanup ends it instead.
wine_session_desktop() { # log err program [argument...]
    local log=$1 err=$2
    shift 2
    setsid "$wine_session_wine" explorer /desktop=shell,1024x768 "$@" </dev/null >"$log" 2>"$err" &
    wine_session_desktop_pid=$!
    wine_session_pids+=("$wine_session_desktop_pid")
}

# The next whole line of the followed output, in wine_session_line: answers 0,
# 1 when the desktop has gone, 2 once LIMIT seconds passed since STARTED.
wine_session_next_line() { # started limit
    local line
    while :; do
        if IFS= read -r -t 1 -u "$wine_session_out" line; then
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

# Starts DRIVER as `MODE PROGRAM SHELL ACK-FOLDER ...` (winehost/harness.h),
# the ack folder emptied, and follows its output once it says something. Fails
# when the desktop ends first: Wine's start-up failed.
wine_session_start() { # log err driver mode program shell acks [argument...]
    local path=wine_session_winpath
    wine_session_log=$1 wine_session_err=$2 wine_session_started=$SECONDS
    : >"$1"
    mkdir -p "$7" && rm -f "$7"/*.ack
    wine_session_desktop "$1" "$2" "$($path "$3")" "$4" "$($path "$5")" "$($path "$6")" \
        "$($path "$7")" "${@:8}"
    while [[ ! -s $1 ]] && kill -0 "$wine_session_desktop_pid" 2>/dev/null &&
        ((SECONDS - wine_session_started <= 60)); do
        sleep 0.1
    done
    if [[ ! -s $1 ]] && ! kill -0 "$wine_session_desktop_pid" 2>/dev/null; then
        wine_session_why="the desktop ended before the driver said anything ($(wine_session_where "$2" 1))"
        wine_session_end
        return 1
    fi
    exec {wine_session_out}< <(exec tail -n +1 -f --pid="$wine_session_desktop_pid" "$1")
    wine_session_pids+=("$!")
    wine_session_partial=
}

# Follows the driver's output until END, the desktop's end or LIMIT seconds.
# Each line goes first to the runner's VERBS (0: taken); the common words are
# printed with LABEL and counted, indented details below the next PASS or FAIL,
# Wine's words below a FAIL; no END is a FAIL.
wine_session_drive() { # label limit verbs
    local heading=$1 limit=$2 line said=1 details=
    while :; do
        wine_session_next_line "$wine_session_started" "$limit"
        case $? in
        1) break ;;
        2)
            details+=$'\n'"     expected the ${heading}session to finish within $limit s, seen it still running"
            break
            ;;
        esac
        "$3" && continue
        line=$wine_session_line
        case $line in
        "  "*) details+=$'\n'"   $line" ;;
        PASS\ * | FAIL\ *)
            echo "${line%% *} $heading${line#* }$details"
            details=
            if [[ $line == PASS* ]]; then
                ((++wine_session_passed))
            elif ((++wine_session_failed)) && [[ $(wine_session_reason "$wine_session_err" "$said") != nothing ]]; then
                echo "     $(wine_session_where "$wine_session_err" "$said")"
            fi
            said=$(wine_session_next "$wine_session_err")
            ;;
        INFO\ * | SKIP\ *)
            echo "${line%% *} $heading${line#* }"
            [[ $line == INFO* ]] || ((++wine_session_skipped))
            ;;
        END\ *)
            wine_session_end
            return
            ;;
        *) echo "     $line" ;;
        esac
    done
    echo "FAIL ${heading}session$details"
    echo "     expected the driver to finish with END, seen it stop early" \
        "($(wine_session_where "$wine_session_log"); $(wine_session_where "$wine_session_err" "$said"))"
    wine_session_failed=$((wine_session_failed + 1))
    wine_session_end
}

wine_session_end() { # the desktop, everything in the prefix, the following
    kill "${wine_session_pids[@]}" 2>/dev/null || true
    if [[ -n $wine_session_out ]]; then exec {wine_session_out}<&-; fi
    wine_session_out=
    if [[ -d ${WINEPREFIX:-} ]]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    # A bare `wait` would wait for Xvfb too.
    if ((${#wine_session_pids[@]})); then wait "${wine_session_pids[@]}" 2>/dev/null || true; fi
    wine_session_pids=()
}

# The Linux pid of the process running NAME (dusklens.exe) in this prefix.
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
