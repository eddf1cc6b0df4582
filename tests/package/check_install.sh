#!/usr/bin/env bash
# check_install.sh SOURCE_DIR BUILD_DIR
#
# Installs ht5530k into a throwaway folder and checks what a user gets: both
# programs, the desktop entry, the icons and the manual pages; then runs the
# installed programs the way an installed copy runs: its folder read-only
# (and, when the test runs as root, as an ordinary user, since chmod does not
# stop root), HOME in a temporary folder holding comm.set and a COM4 link to
# a running ht5530k-sim. The tool must open that pseudo-terminal, stay up and
# end on SIGTERM.
set -euo pipefail

source_dir=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)

work=$(mktemp -d)
app_pid=
sim_pid=
pty=
# A killed ht5530k leaves the serial port's lock file behind: remove it when
# the process that made it was ours.
remove_lock() {
    [ -n "$pty" ] && [ -n "$app_pid" ] || return 0
    local name=${pty#/dev/}
    local lock=/var/lock/LCK..${name//\//_}
    if [ -f "$lock" ] && [ "$(head -n1 "$lock" | cut -d' ' -f1)" = "$app_pid" ]; then
        rm -f "$lock"
    fi
}
cleanup() {
    if [ -n "$app_pid" ]; then
        kill -KILL "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
        remove_lock
    fi
    if [ -n "$sim_pid" ]; then kill -KILL "$sim_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}

# Waits up to 15 s for the command to succeed.
wait_for() {
    local tries=150
    until "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# --- Install ---------------------------------------------------------------

# A package is only worth checking when it holds this build.
deb=$(ls -t "$build"/ht5530k_*.deb 2>/dev/null | head -n1 || true)
if [ -n "$deb" ] && command -v dpkg-deb >/dev/null; then
    for newer in "$build/ht5530k" "$build/ht5530k-sim" "$build/ht5530k-cli" \
        "$source_dir/cmake/install.cmake" \
        "$source_dir"/packaging/*; do
        if [ ! "$deb" -nt "$newer" ]; then
            echo "ignoring $deb: older than $newer"
            deb=
            break
        fi
    done
fi

if [ -n "$deb" ]; then
    echo "== unpacking $deb"
    dpkg-deb -x "$deb" "$work/root"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for needed in libqt6widgets6 libqt6serialport6 "fonts-wqy-microhei | fonts-noto-cjk" libc6 \
        libstdc++6; do
        case "$depends" in
        *"$needed"*) ;;
        *) fail "the package does not depend on $needed" ;;
        esac
    done
    [ "$(dpkg-deb -f "$deb" Package)" = ht5530k ] || fail "package name"
    [ "$(dpkg-deb -f "$deb" Section)" = electronics ] || fail "package section"
else
    echo "== cmake --install $build"
    cmake --install "$build" --prefix "$work/root/usr" >"$work/install.log" ||
        fail "cmake --install failed"
fi
root=$work/root/usr

# --- Layout ------------------------------------------------------------------

for program in ht5530k ht5530k-sim ht5530k-cli; do
    [ -f "$root/bin/$program" ] && [ -x "$root/bin/$program" ] || fail "bin/$program missing"
    if command -v readelf >/dev/null && readelf -d "$root/bin/$program" | grep -qF "$build"; then
        fail "bin/$program still looks for libraries in the build folder"
    fi
done

desktop=$root/share/applications/ht5530k.desktop
[ -f "$desktop" ] || fail "share/applications/ht5530k.desktop missing"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects ht5530k.desktop"
else
    echo "desktop-file-validate not installed: checking the keys only"
fi
for line in '[Desktop Entry]' 'Type=Application' 'Exec=ht5530k' 'Icon=ht5530k' \
    'Terminal=false' 'Categories=Utility;Electronics;'; do
    grep -qxF "$line" "$desktop" || fail "ht5530k.desktop lacks the line $line"
done
grep -q '^Name=.' "$desktop" && grep -q '^Name\[zh_CN\]=.' "$desktop" &&
    grep -q '^Comment=.' "$desktop" || fail "ht5530k.desktop lacks a name or comment"

# Each PNG must be the size its folder promises (width and height in IHDR).
for size in 16 32 48 64 128 256; do
    icon=$root/share/icons/hicolor/${size}x${size}/apps/ht5530k.png
    [ -f "$icon" ] || fail "icon ${size}x${size} missing"
    [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        fail "icon ${size}x${size} is not a PNG"
    dimensions=$(od -An -tu1 -j16 -N8 "$icon" | awk '{
        printf "%dx%d", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }')
    [ "$dimensions" = "${size}x${size}" ] || fail "icon ${size}x${size} is $dimensions"
done
svg=$root/share/icons/hicolor/scalable/apps/ht5530k.svg
[ -f "$svg" ] && grep -q '<svg' "$svg" || fail "scalable icon missing"

help=$("$root/bin/ht5530k-sim" --help) || fail "ht5530k-sim --help failed"
grep -q '^Usage: ht5530k-sim' <<<"$help" || fail "ht5530k-sim --help prints no usage"

for page in ht5530k ht5530k-sim ht5530k-cli; do
    file=$root/share/man/man1/$page.1
    [ -f "$file" ] || fail "man page $page.1 missing"
    grep -q '^\.TH ' "$file" || fail "$page.1 is not a manual page"
    if command -v man >/dev/null; then
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null) || true
        [ -z "$warnings" ] || fail "$page.1 does not format cleanly: $warnings"
    fi
done
# The simulator's page documents every option its --help lists.
sim_page=$(sed 's/\\-/-/g' "$root/share/man/man1/ht5530k-sim.1")
for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -qF -- "$option" <<<"$sim_page" || fail "ht5530k-sim.1 does not describe $option"
done
# The command-line program's page: every command, every option of every
# command's --help, and every exit status.
cli=$root/bin/ht5530k-cli
cli_page=$(sed 's/\\-/-/g; s/\\f[BIR]//g' "$root/share/man/man1/ht5530k-cli.1")
cli_help=$("$cli" --help) || fail "ht5530k-cli --help failed"
grep -q '^Usage: ht5530k-cli' <<<"$cli_help" || fail "ht5530k-cli --help prints no usage"
for command in $(sed -n '/^Commands:/,/^$/p' <<<"$cli_help" | awk 'NF > 1 { print $1 }'); do
    grep -qE "^\.B $command( |$)" <<<"$cli_page" || fail "ht5530k-cli.1 lacks $command"
    command_help=$("$cli" "$command" --help) || fail "ht5530k-cli $command --help failed"
    for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$command_help" | sort -u); do
        grep -qF -- "$option" <<<"$cli_page" || fail "ht5530k-cli.1 does not describe $option"
    done
done
for status in 0 1 2 3 4 5 6 7; do
    grep -qx "  $status  .*" <<<"$cli_help" || fail "ht5530k-cli --help lacks exit status $status"
    grep -qx "\.B $status" <<<"$cli_page" || fail "ht5530k-cli.1 lacks exit status $status"
done

# --- Run the installed tool -------------------------------------------------

chmod 755 "$work"
home=$work/home
mkdir -p "$home"

# Who runs the programs: as root, an ordinary user when there is one.
runas=()
if [ "$(id -u)" -eq 0 ]; then
    if id nobody >/dev/null 2>&1 && command -v setpriv >/dev/null; then
        runas=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
        echo "running the programs as nobody"
    else
        echo "no ordinary user to run as: the read-only folder cannot be tested"
    fi
fi

chmod -R a-w "$root"

# Where the installed program keeps its settings: its own folder only when it
# can write there, which only root can now.
if [ "$(id -u)" -eq 0 ] && [ ${#runas[@]} -eq 0 ]; then
    settings=$root/bin
else
    settings=$home/.config/ht5530k
    mkdir -p "$settings"
fi
printf '4,19200\r\n' >"$settings/comm.set"
if [ ${#runas[@]} -gt 0 ]; then
    chown -R "$(id -u nobody):$(id -g nobody)" "$home"
fi

# Started with &: exec keeps the program's pid the one $! gives.
start() {
    exec "${runas[@]}" env -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR HOME="$home" \
        QT_QPA_PLATFORM=offscreen "$@"
}

start "$root/bin/ht5530k-sim" --no-drift --link "$settings/COM4" >"$work/sim.out" 2>"$work/sim.log" &
sim_pid=$!
wait_for test -s "$work/sim.out" || fail "ht5530k-sim printed no device"
wait_for test -L "$settings/COM4" || fail "ht5530k-sim made no link $settings/COM4"
pty=$(head -n1 "$work/sim.out")
echo "ht5530k-sim serves $pty through $settings/COM4"

# The installed command-line program finds the same comm.set and COM4 link
# as the window, with no --port or --baud.
reading=$(start "$root/bin/ht5530k-cli" read 2>"$work/cli.log") ||
    fail "ht5530k-cli read through $settings/comm.set failed"
[ "$reading" = "humidity 45.00 %RH" ] || fail "ht5530k-cli read printed: $reading"
echo "ht5530k-cli read the module through $settings/comm.set"

start "$root/bin/ht5530k" >"$work/app.log" 2>&1 &
app_pid=$!

holds_pty() {
    kill -0 "$app_pid" 2>/dev/null || fail "ht5530k exited at start-up"
    local fd
    for fd in /proc/"$app_pid"/fd/*; do
        [ "$(readlink "$fd" 2>/dev/null)" = "$pty" ] && return 0
    done
    return 1
}
wait_for holds_pty || fail "ht5530k did not open COM4 from $settings/comm.set"
echo "ht5530k opened $pty"

sleep 2
kill -0 "$app_pid" 2>/dev/null || fail "ht5530k did not stay up"

kill -TERM "$app_pid"
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for ended || fail "ht5530k ignored SIGTERM"
status=0
wait "$app_pid" || status=$?
# 143: ended by the signal; 0: ended cleanly on it.
[ "$status" -eq 143 ] || [ "$status" -eq 0 ] || fail "ht5530k ended with status $status"
remove_lock
app_pid=

[ "$(od -An -c "$settings/comm.set" | tr -s ' ')" = " 4 , 1 9 2 0 0 \r \n" ] ||
    fail "comm.set changed although nothing was saved"
if [ "$settings" != "$root/bin" ] && [ -e "$root/bin/comm.set" ]; then
    fail "ht5530k wrote into its read-only folder"
fi

kill -TERM "$sim_pid"
wait "$sim_pid" || fail "ht5530k-sim did not stop cleanly on SIGTERM"
sim_pid=
[ ! -L "$settings/COM4" ] || fail "ht5530k-sim left its link behind"

echo "OK: installed layout and programs"
