#!/usr/bin/env bash
# check_install.sh SOURCE_DIR BUILD_DIR [--with-cli] [--with-udev-rule]
#
# Builds the Debian package from the build folder (cpack, into a throwaway
# folder), runs lintian on it when lintian is installed, unpacks it and checks
# what a user gets: exactly the expected files (the programs, their manual
# pages, the desktop entry, the icons, the AppStream metadata, the copyright
# file and the changelog; with --with-cli also ht5530k-cli and its page, with
# --with-udev-rule also a lib/udev/rules.d/*ht5530k*.rules), each well formed.
# Then it runs the installed programs the way an installed copy runs: its
# folder read-only (and, when the test runs as root, as an ordinary user,
# since chmod does not stop root), HOME in a temporary folder holding comm.set
# and a COM4 link to a running ht5530k-sim. The tool must open that
# pseudo-terminal, stay up and end on SIGTERM.
set -euo pipefail

source_dir=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
shift 2
with_cli=false
with_udev_rule=false
for arg in "$@"; do
    case "$arg" in
    --with-cli) with_cli=true ;;
    --with-udev-rule) with_udev_rule=true ;;
    *)
        echo "check_install.sh: unknown option $arg" >&2
        exit 2
        ;;
    esac
done

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

# --- Build the package ------------------------------------------------------

for tool in cpack dpkg-deb dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null ||
        fail "$tool is missing; scripts/install-deps installs what the package needs"
done
# Everyone may read the package and what is unpacked from it: lintian and the
# programs may run as an ordinary user. They start in it too: the build folder
# may be one that such a user cannot enter (a clone under /root).
chmod 755 "$work"
cd "$work"
if ! (cd "$build" && cpack -G DEB -B "$work/package") >"$work/cpack.out" 2>&1; then
    cat "$work/cpack.out" >&2
    fail "cpack failed"
fi
debs=("$work"/package/ht5530k_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no ht5530k_*.deb"
deb=${debs[0]}
echo "== built $(basename "$deb")"

# An ordinary user to run things as, when the test runs as root.
runas=()
if [ "$(id -u)" -eq 0 ] && id nobody >/dev/null 2>&1 && command -v setpriv >/dev/null; then
    runas=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
fi

if command -v lintian >/dev/null; then
    # As root lintian adds a notice of its own; as an ordinary user it prints
    # nothing for a clean package.
    report=$("${runas[@]}" env HOME="$work" lintian --fail-on error,warning "$deb" 2>&1) ||
        fail "lintian rejects the package:
$report"
    [ -z "$report" ] || fail "lintian reports:
$report"
    echo "lintian: clean"
else
    echo "lintian not installed: the package is not checked against Debian policy"
fi

version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Version: $version"
echo "Depends: $depends"
[ "$version" = "$(sed -n 's/^project(ht5530k VERSION \([^ ]*\) .*/\1/p' "$source_dir/CMakeLists.txt")" ] ||
    fail "the package's version $version is not the one CMakeLists.txt sets"
for needed in libqt6widgets6 libqt6serialport6 fonts-dejavu-core fonts-dejavu-extra \
    fonts-wqy-microhei libc6 libstdc++6 libmosquitto1; do
    case "$depends" in
    *"$needed"*) ;;
    *) fail "the package does not depend on $needed" ;;
    esac
done
[ "$(dpkg-deb -f "$deb" Package)" = ht5530k ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Section)" = electronics ] || fail "package section"
maintainer=$(dpkg-deb -f "$deb" Maintainer)
case "$maintainer" in
*"<"*@*">") ;;
*) fail "the maintainer field '$maintainer' has no address" ;;
esac
description=$(dpkg-deb -f "$deb" Description)
programs=(ht5530k ht5530k-sim)
$with_cli && programs+=(ht5530k-cli)
for program in "${programs[@]}"; do
    grep -qE "^ $program is " <<<"$description" ||
        fail "the package's description has no paragraph on what $program is"
done

dpkg-deb -x "$deb" "$work/root"
root=$work/root/usr

# --- File list ----------------------------------------------------------------

expected=()
for program in "${programs[@]}"; do
    expected+=("usr/bin/$program" "usr/share/man/man1/$program.1.gz")
done
metainfo=usr/share/metainfo/invalid.ht5530k.ht5530k.metainfo.xml
expected+=(usr/share/applications/ht5530k.desktop "$metainfo"
    usr/share/icons/hicolor/scalable/apps/ht5530k.svg
    usr/share/doc/ht5530k/copyright usr/share/doc/ht5530k/changelog.gz)
for size in 16 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/ht5530k.png")
done
$with_cli && expected+=(usr/lib/systemd/system/ht5530k-poll@.service
    usr/share/doc/ht5530k/examples/bus.conf)
udev_rule_pattern='^(usr/)?lib/udev/rules\.d/[^/]*ht5530k[^/]*\.rules$'

actual=$(cd "$work/root" && find . ! -type d | sed 's|^\./||' | sort)
missing=$(comm -23 <(printf '%s\n' "${expected[@]}" | sort) <(printf '%s\n' "$actual"))
[ -z "$missing" ] || fail "the package lacks:
$missing"
unexpected=$(comm -13 <(printf '%s\n' "${expected[@]}" | sort) <(printf '%s\n' "$actual"))
if $with_udev_rule; then
    grep -qE "$udev_rule_pattern" <<<"$unexpected" ||
        fail "the package carries no lib/udev/rules.d/*ht5530k*.rules"
    unexpected=$(grep -vE "$udev_rule_pattern" <<<"$unexpected" || true)
fi
[ -z "$unexpected" ] || fail "the package carries files nobody expects:
$unexpected"

# --- Each file ----------------------------------------------------------------

for program in "${programs[@]}"; do
    [ -x "$root/bin/$program" ] || fail "bin/$program is not executable"
    if command -v readelf >/dev/null && readelf -d "$root/bin/$program" | grep -qF "$build"; then
        fail "bin/$program still looks for libraries in the build folder"
    fi
done
sim_version=$("$root/bin/ht5530k-sim" --version) || fail "ht5530k-sim --version failed"
[ "$sim_version" = "ht5530k-sim $version" ] ||
    fail "ht5530k-sim --version says '$sim_version', the package is $version"
if $with_cli; then
    cli_version=$("$root/bin/ht5530k-cli" --version) || fail "ht5530k-cli --version failed"
    [ "$cli_version" = "ht5530k-cli $version" ] ||
        fail "ht5530k-cli --version says '$cli_version', the package is $version"
fi

desktop=$root/share/applications/ht5530k.desktop
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

# The metainfo names the desktop entry and this release; appstreamcli checks
# the rest (infos are allowed, warnings and errors are not).
grep -qF '<launchable type="desktop-id">ht5530k.desktop</launchable>' "$work/root/$metainfo" ||
    fail "the AppStream metadata does not launch ht5530k.desktop"
grep -qE "<release version=\"$version\" date=\"[0-9]{4}-[0-9]{2}-[0-9]{2}\"" "$work/root/$metainfo" ||
    fail "the AppStream metadata has no dated release $version"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate-tree --no-net "$work/root" >"$work/appstream.log" 2>&1 ||
        fail "appstreamcli rejects the AppStream metadata"
else
    echo "appstreamcli not installed: the AppStream metadata is not validated"
fi

# Each PNG must be the size its folder promises (width and height in IHDR).
for size in 16 32 48 64 128 256; do
    icon=$root/share/icons/hicolor/${size}x${size}/apps/ht5530k.png
    [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        fail "icon ${size}x${size} is not a PNG"
    dimensions=$(od -An -tu1 -j16 -N8 "$icon" | awk '{
        printf "%dx%d", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }')
    [ "$dimensions" = "${size}x${size}" ] || fail "icon ${size}x${size} is $dimensions"
done
grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/ht5530k.svg" || fail "scalable icon is no SVG"

# Compressed as Debian wants (gzip -9n: no name, no time stamp).
gzipped=("$root"/share/doc/ht5530k/changelog.gz)
for program in "${programs[@]}"; do
    gzipped+=("$root/share/man/man1/$program.1.gz")
done
for file in "${gzipped[@]}"; do
    gzip -t "$file" || fail "$file is not gzip"
    # Bytes 4 to 7 are the time stamp, and flag 8 says a name follows.
    [ "$(od -An -tu1 -j3 -N5 "$file" | tr -s ' ')" = " 0 0 0 0 0" ] ||
        fail "$file carries a name or a time stamp (compress with gzip -9n)"
done

# The changelog's newest entry is this version; the copyright file is in the
# machine-readable format and carries the terms of LICENSE.
newest=$(zcat "$root/share/doc/ht5530k/changelog.gz" | head -n1)
[[ "$newest" == "ht5530k ($version) "* ]] || fail "the changelog starts with '$newest'"
copyright=$root/share/doc/ht5530k/copyright
head -n1 "$copyright" | grep -qxF \
    'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in the machine-readable format"
grep -qx 'License: Expat' "$copyright" || fail "the copyright file names no licence"
grep -qxF "Copyright: $(sed -n 's/^Copyright (c) //p' "$source_dir/LICENSE")" "$copyright" ||
    fail "the copyright file does not name the holder of LICENSE"
while IFS= read -r term; do
    grep -qxF " $term" "$copyright" || fail "the copyright file lacks the LICENSE line '$term'"
done < <(sed '1,/^Copyright (c)/d; /^$/d' "$source_dir/LICENSE")

help=$("$root/bin/ht5530k-sim" --help) || fail "ht5530k-sim --help failed"
grep -q '^Usage: ht5530k-sim' <<<"$help" || fail "ht5530k-sim --help prints no usage"

for program in "${programs[@]}"; do
    file=$root/share/man/man1/$program.1.gz
    zcat "$file" | grep -q "^\.TH .* \"ht5530k $version\"" ||
        fail "$program.1 is no manual page of version $version"
    ! zcat "$file" | grep -q '@[A-Z_]*@' || fail "$program.1 has a placeholder left"
    if command -v man >/dev/null; then
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null) || true
        [ -z "$warnings" ] || fail "$program.1 does not format cleanly: $warnings"
    fi
done
# The simulator's page documents every option its --help lists.
sim_page=$(zcat "$root/share/man/man1/ht5530k-sim.1.gz" | sed 's/\\-/-/g')
for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -qF -- "$option" <<<"$sim_page" || fail "ht5530k-sim.1 does not describe $option"
done
# The command-line program's page: every command, every option of every
# command's --help, and every exit status.
cli=$root/bin/ht5530k-cli
cli_page=$(zcat "$root/share/man/man1/ht5530k-cli.1.gz" | sed 's/\\-/-/g; s/\\f[BIR]//g')
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

home=$work/home
mkdir -p "$home"
if [ ${#runas[@]} -gt 0 ]; then
    echo "running the programs as nobody"
elif [ "$(id -u)" -eq 0 ]; then
    echo "no ordinary user to run as: the read-only folder cannot be tested"
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

# The service: systemd finds its unit sound (with the program and its manual
# page where they were unpacked), and the command line it runs, given the
# example options pointed at the virtual module, logs the module's rows.
if $with_cli; then
    command -v systemd-analyze >/dev/null ||
        fail "systemd-analyze is missing; scripts/install-deps installs systemd"
    unit=ht5530k-poll@.service
    mkdir "$work/unit" "$work/man" "$work/etc" "$work/log"
    sed "s|/usr/bin/|$root/bin/|g" "$root/lib/systemd/system/$unit" >"$work/unit/$unit"
    ln -s "$root/share/man/man1" "$work/man/man1"
    MANPATH=$work/man systemd-analyze verify "$work/unit/$unit" >"$work/verify.log" 2>&1 ||
        fail "systemd-analyze verify rejects $unit: $(cat "$work/verify.log")"
    echo "systemd-analyze verify: $unit is clean"
    sed -e "s|^port .*|port $pty|" -e 's|^interval .*|interval 100|' \
        "$root/share/doc/ht5530k/examples/bus.conf" >"$work/etc/hall.conf"
    printf 'address 1\ncount 3\n' >>"$work/etc/hall.conf"
    exec_start=$(sed -n 's/^ExecStart=//p' "$root/lib/systemd/system/$unit" |
        sed -e "s|/usr/bin/|$root/bin/|" -e "s|/etc/ht5530k/|$work/etc/|" \
            -e "s|/var/log/ht5530k/|$work/log/|" -e 's|%i|hall|g')
    read -ra service <<<"$exec_start"
    [ ${#runas[@]} -eq 0 ] || chown "$(id -u nobody):$(id -g nobody)" "$work/log"
    (start "${service[@]}") 2>"$work/service.log" ||
        fail "the service's command line failed: ${service[*]}"
    [ "$(grep -c ',1,ok,' "$work/log/hall.log")" -eq 3 ] ||
        fail "the service logged: $(cat "$work/log/hall.log")"
    echo "the service's command line logged 3 rows to hall.log"
fi

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
