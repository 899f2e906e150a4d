#!/usr/bin/env bash
# Quintor for Windows as a user receives it, checked under Wine. Usage:
# windows_package_test.sh CHECK, with BUILD_DIR, SOURCE_DIR, WORK_DIR and PACKAGE_VERSION in the
# environment (CTest sets them).
#   package    makes the installer and the portable zip in WORK_DIR/win (the others read them)
#   zip        the archive's contents
#   installer  in a fresh Wine prefix: silent install, files, Start menu entry, registration,
#              the user's tunings; an upgrade over a changed install keeps the user's tunings;
#              the silent uninstall removes the program and keeps the user's tunings.
# A check reports every fault it finds, then fails; it exits 77 (skipped) when a tool it needs
# is not installed. QUINTOR_PATIENCE multiplies the time allowed to Wine (default 1).
set -uo pipefail

check=${1:?which check}
patience=${QUINTOR_PATIENCE:-1}
wine_run=$SOURCE_DIR/tools/wine-run.sh
wine=${QUINTOR_WINE:-/usr/lib/wine/wine64}
setup=$WORK_DIR/win/quintor-$PACKAGE_VERSION-setup.exe
zip=$WORK_DIR/win/quintor-$PACKAGE_VERSION-win64.zip

failures=0
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    failures=$((failures + 1))
}
expect() {
    [ "$2" = "$3" ] || fail "$1 is '$2', not '$3'"
}
skip_without() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null || [ -x "$tool" ] ||
            { echo "SKIP: $tool is not installed (tools/install-deps.sh installs it)"; exit 77; }
    done
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quintor-winpkg.XXXXXX") || exit 1
xvfb_pid=
cleanup() {
    # The prefix's programs first (the uninstaller's copy may still run), then its X server.
    [ -d "$scratch/wine/prefix" ] && WINEPREFIX=$scratch/wine/prefix "${wine%/*}/wineserver" -k 2>/dev/null
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
    rm -rf "$scratch"
}
trap cleanup EXIT

# Waits until command "$@" succeeds, for at most $1 seconds times the patience.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds * patience))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

need_packages() {
    [ -f "$setup" ] || fail "no installer $setup (made by the check package)"
    [ -f "$zip" ] || fail "no archive $zip (made by the check package)"
    [ -f "$setup" ] && [ -f "$zip" ]
}

check_package() {
    skip_without cpack makensis
    rm -rf "$WORK_DIR/win" && mkdir -p "$WORK_DIR/win"
    local generator
    for generator in NSIS ZIP; do
        cpack --config "$BUILD_DIR/CPackConfig.cmake" -G $generator -B "$WORK_DIR/win" \
            >"$WORK_DIR/win/cpack-$generator.log" 2>&1 ||
            fail "cpack -G $generator failed: $(cat "$WORK_DIR/win/cpack-$generator.log")"
    done
    need_packages || ls "$WORK_DIR/win" >&2
}

# The archive holds one folder named after it, with the program and the shipped tunings side by
# side: unpacked anywhere, the program finds its tunings in its own folder.
check_zip() {
    skip_without unzip file
    need_packages || return
    local top=quintor-$PACKAGE_VERSION-win64
    expect "the archive's files" "$(unzip -Z1 "$zip" | grep -v '/$' | LC_ALL=C sort | tr '\n' ' ')" \
        "$top/Accords.ini $top/quintor.exe "
    unzip -q "$zip" -d "$scratch/zip" || { fail "could not unpack $zip"; return; }
    cmp -s "$scratch/zip/$top/Accords.ini" "$SOURCE_DIR/data/Accords.ini" ||
        fail "the archive's Accords.ini is not data/Accords.ini"
    local kind
    kind=$(file -b "$scratch/zip/$top/quintor.exe")
    [[ $kind == "PE32+ executable (GUI) x86-64"* ]] || fail "the archive's quintor.exe is a $kind"
}

# Prints the value of NAME in the registry dump $1 (lines "    NAME    TYPE    VALUE").
reg_value() {
    awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; exit }' <<<"$1"
}

# Whether two programs are the same but for the time stamp and checksum that stripping writes
# into the PE header (each package strips its own copy).
same_program() {
    [ "$(stat -c %s "$1")" = "$(stat -c %s "$2")" ] || return 1
    local header differences
    header=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
    # cmp -l counts bytes from 1: the stamp is at header + 8, the checksum at header + 88.
    differences=$(cmp -l "$1" "$2" | awk -v h="$header" '
        !(($1 > h + 8 && $1 <= h + 12) || ($1 > h + 88 && $1 <= h + 92))' | head -n 1)
    [ -z "$differences" ]
}

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quintor'
# Prints the registry key $1 with its values, nothing when it does not exist.
registration() {
    local out
    out=$("$wine_run" reg query "$1" 2>/dev/null) || return 0
    tr -d '\r' <<<"$out"
}
# Whether one of the lines of $1 ends with $2: strings(1) shows a shortcut's counted strings with
# their length in front.
has_line_ending() {
    # Through the environment: awk -v would read the backslashes as escapes.
    suffix=$2 awk 'BEGIN { s = ENVIRON["suffix"] }
        substr($0, length($0) - length(s) + 1) == s { found = 1 } END { exit !found }' <<<"$1"
}
uninstall_done() {
    [ ! -e "$install_dir" ] && [ ! -e "$shortcut" ] && [ -z "$(registration "$uninstall_key")" ]
}

check_installer() {
    skip_without "$wine" Xvfb strings unzip
    need_packages || return

    # One X server for the whole check, so that nothing Wine starts in the background loses
    # its display when a program ends.
    exec 8< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
    xvfb_pid=$!
    local number
    read -r -t $((30 * patience)) number <&8 || { fail "Xvfb did not start"; return; }
    export DISPLAY=":$number"
    export QUINTOR_WINEPREFIX=$scratch/wine
    local prefix=$scratch/wine/prefix

    "$wine_run" "$setup" /S >"$scratch/setup.log" 2>&1 ||
        { fail "the silent install ended with status $?: $(cat "$scratch/setup.log")"; return; }

    local user
    user=$(ls "$prefix/drive_c/users" | grep -vx Public | head -n 1)
    local profile=$prefix/drive_c/users/$user/AppData
    local win_profile="C:\\users\\$user\\AppData"
    install_dir=$profile/Local/Programs/Quintor
    shortcut="$profile/Roaming/Microsoft/Windows/Start Menu/Programs/Quintor.lnk"
    local tunings=$profile/Roaming/Quintor/Accords.ini
    local win_install_dir="$win_profile\\Local\\Programs\\Quintor"

    # The program, the shipped tunings and the uninstaller, nothing else; the program is the
    # one the archive holds (both made from the same build).
    expect "the install folder's files" "$(LC_ALL=C ls "$install_dir" 2>/dev/null | tr '\n' ' ')" \
        "Accords.ini quintor.exe uninstall.exe "
    unzip -q "$zip" -d "$scratch/zip"
    same_program "$install_dir/quintor.exe" "$scratch/zip/quintor-$PACKAGE_VERSION-win64/quintor.exe" ||
        fail "the installed quintor.exe is not the packaged one"
    cmp -s "$install_dir/Accords.ini" "$SOURCE_DIR/data/Accords.ini" ||
        fail "the installed Accords.ini is not data/Accords.ini"
    cmp -s "$tunings" "$SOURCE_DIR/data/Accords.ini" ||
        fail "the user's Accords.ini is missing or not a copy of data/Accords.ini"
    # The setup program describes itself in French, in the language of its pages.
    strings -el "$setup" | grep -qx "Installation de Quintor, accordeur de guitare" ||
        fail "the installer's version block has no French description"
    # Nothing for all users: no administrator rights asked, nothing written outside the profile.
    grep -aq "requestedExecutionLevel level=\"asInvoker\"" "$setup" ||
        fail "the installer does not run as the invoking user"
    [ -z "$(find "$prefix/drive_c/Program Files" "$prefix/drive_c/ProgramData" -iname '*quintor*')" ] ||
        fail "files were installed outside the user's profile"
    [ -z "$(registration 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quintor')" ] ||
        fail "the uninstaller is registered for all users"

    # The Start menu entry starts the installed program in the user's tunings folder.
    if [ -f "$shortcut" ]; then
        local texts
        texts=$(strings -el "$shortcut")
        has_line_ending "$texts" "$win_install_dir\\quintor.exe" ||
            fail "the shortcut does not start $win_install_dir\\quintor.exe: $texts"
        has_line_ending "$texts" "$win_profile\\Roaming\\Quintor" ||
            fail "the shortcut's working folder is not $win_profile\\Roaming\\Quintor: $texts"
    else
        fail "no Start menu entry $shortcut"
    fi

    local key
    key=$(registration "$uninstall_key")
    if [ -z "$key" ]; then
        fail "no uninstall registration $uninstall_key"
    else
        expect DisplayName "$(reg_value "$key" DisplayName)" Quintor
        expect DisplayVersion "$(reg_value "$key" DisplayVersion)" "$PACKAGE_VERSION"
        expect Publisher "$(reg_value "$key" Publisher)" Quintor
        expect DisplayIcon "$(reg_value "$key" DisplayIcon)" "$win_install_dir\\quintor.exe,0"
        expect UninstallString "$(reg_value "$key" UninstallString)" "\"$win_install_dir\\uninstall.exe\""
        expect QuietUninstallString "$(reg_value "$key" QuietUninstallString)" \
            "\"$win_install_dir\\uninstall.exe\" /S"
        expect NoModify "$(reg_value "$key" NoModify)" 0x1
        expect NoRepair "$(reg_value "$key" NoRepair)" 0x1
        # The installed files' size in kilobytes, give or take one for rounding per file.
        local size kb=0 f
        size=$(reg_value "$key" EstimatedSize)
        for f in "$install_dir"/*; do kb=$((kb + $(stat -c %s "$f") / 1024)); done
        if [[ $size != 0x* ]] || [ $((size)) -lt $kb ] || [ $((size)) -gt $((kb + 3)) ]; then
            fail "EstimatedSize is '$size', not about $kb kB"
        fi
    fi

    # Upgrade: the user changed their tunings, and the install folder lost its shipped copy; a
    # new install puts the shipped copy back and leaves the user's file alone.
    printf 'Accord10=Le mien\n' >>"$tunings"
    cp "$tunings" "$scratch/user-tunings"
    rm -f "$install_dir/Accords.ini"
    "$wine_run" "$setup" /S >"$scratch/upgrade.log" 2>&1 ||
        fail "the silent upgrade ended with status $?: $(cat "$scratch/upgrade.log")"
    cmp -s "$install_dir/Accords.ini" "$SOURCE_DIR/data/Accords.ini" ||
        fail "the upgrade did not install the shipped Accords.ini again"
    cmp -s "$tunings" "$scratch/user-tunings" || fail "the upgrade changed the user's Accords.ini"
    [ -f "$shortcut" ] || fail "the upgrade lost the Start menu entry"

    # Uninstall as the installed programs list does, with the quiet command it registered. The
    # uninstaller runs a copy of itself and returns at once: wait for what it leaves behind.
    "$wine_run" "$install_dir/uninstall.exe" /S >"$scratch/uninstall.log" 2>&1 ||
        fail "the silent uninstall ended with status $?: $(cat "$scratch/uninstall.log")"
    if ! wait_for 60 uninstall_done; then
        [ -e "$install_dir" ] && fail "the uninstall left the install folder behind, holding: $(ls -A "$install_dir" | tr '\n' ' ')"
        [ -e "$shortcut" ] && fail "the uninstall left the Start menu entry"
        [ -n "$(registration "$uninstall_key")" ] && fail "the uninstall left its registration"
    fi
    cmp -s "$tunings" "$scratch/user-tunings" || fail "the uninstall did not keep the user's Accords.ini"
}

case $check in
package) check_package ;;
zip) check_zip ;;
installer) check_installer ;;
*) echo "unknown check $check" >&2; exit 2 ;;
esac
[ "$failures" -eq 0 ]
