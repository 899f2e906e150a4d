#!/usr/bin/env bash
# Quintor as a user's machine receives it. Usage: package_test.sh CHECK, with BUILD_DIR,
# SOURCE_DIR, WORK_DIR and PACKAGE_VERSION in the environment (CTest sets them). The check
# "package" makes the .deb in WORK_DIR/deb that contents, lint, validators and start read; tree
# and launcher install the build themselves. A check reports every fault it finds, then fails.
set -uo pipefail

check=${1:?which check}
table="$SOURCE_DIR/tests/package/files.txt"
app_id=fr.quintor.Quintor

failures=0
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    failures=$((failures + 1))
}
finish() {
    [ "$failures" -eq 0 ]
    exit
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quintor-package.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

# Sets deb to the package that package.package made.
need_deb() {
    local found=("$WORK_DIR"/deb/quintor_"$PACKAGE_VERSION"_*.deb)
    deb=${found[0]}
    [ -f "$deb" ] || { fail "no quintor_${PACKAGE_VERSION}_*.deb in $WORK_DIR/deb"; return 1; }
}

# "mode path" lines of files.txt, each path behind $1, sorted.
expected_files() {
    sed -e '/^#/d' -e '/^[[:space:]]*$/d' "$table" | while read -r mode path; do
        printf '%s %s%s\n' "$mode" "$1" "$path"
    done | LC_ALL=C sort
}

# Compares two "mode path" lists; $1 names what was listed.
same_files() {
    local what=$1 expected=$2 actual=$3
    local difference
    difference=$(diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | grep '^[<>]')
    [ -z "$difference" ] && return
    fail "$what differs from files.txt (< expected, > found):"
    printf '%s\n' "$difference" >&2
}

# The value of KEY in the [Desktop Entry] group of desktop file $1.
desktop_key() {
    sed -n -e '/^\[Desktop Entry\]/,/^\[/{' -e "s/^$2=//p" -e '}' "$1" | head -n 1
}

unpack() {
    need_deb || return 1
    mkdir -p "$1" && dpkg-deb -x "$deb" "$1" || { fail "dpkg-deb -x failed"; return 1; }
}

# Installs the build into prefix $1 (no DESTDIR): the prefix may hold spaces and accents.
install_tree() {
    cmake --install "$BUILD_DIR" --prefix "$1" >"$scratch/install.log" 2>&1 && return
    fail "cmake --install failed:"
    cat "$scratch/install.log" >&2
    return 1
}

check_package() {
    rm -rf "$WORK_DIR/deb"
    mkdir -p "$WORK_DIR/deb"
    if ! cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$WORK_DIR/deb" \
        >"$WORK_DIR/deb/cpack.log" 2>&1; then
        fail "cpack failed:"
        cat "$WORK_DIR/deb/cpack.log" >&2
    elif ! need_deb; then
        ls "$WORK_DIR/deb" >&2
    fi
}

check_tree() {
    local prefix="$scratch/préfixe d'essai"
    install_tree "$prefix" || return
    same_files "the installed tree" "$(expected_files "")" \
        "$(cd "$prefix" && find . ! -type d -printf '%#m %P\n' | LC_ALL=C sort)"
    local loose
    loose=$(find "$prefix" -mindepth 1 -type d ! -perm 0755 -printf '%#m %P\n')
    [ -z "$loose" ] || fail "installed directories not rwxr-xr-x: $loose"
}

check_contents() {
    need_deb || return
    # type, octal mode, owner, path
    local listing
    listing=$(dpkg-deb -c "$deb" | awk '{
        m = "0"
        for (i = 2; i <= 10; i += 3)
            m = m ((substr($1, i, 1) == "r") * 4 + (substr($1, i + 1, 1) == "w") * 2 + \
                   (substr($1, i + 2, 1) == "x"))
        sub(/^\.\//, "", $6)
        print substr($1, 1, 1), m, $2, $6
    }')
    same_files "the package" "$(expected_files usr/)" \
        "$(awk '$1 != "d" { print $2, $4 }' <<<"$listing" | LC_ALL=C sort)"
    local odd
    odd=$(awk '$3 != "root/root" || ($1 == "d" && $2 != "0755")' <<<"$listing")
    [ -z "$odd" ] || fail "entries not root's, or directories not rwxr-xr-x: $odd"

    # field|extended regular expression its value must match
    local arch
    arch=$(dpkg --print-architecture)
    local field pattern value
    while IFS='|' read -r field pattern; do
        value=$(dpkg-deb -f "$deb" "$field")
        grep -Eq -- "$pattern" <<<"$value" ||
            fail "control field $field is '$value', which does not match $pattern"
    done <<EOF
Package|^quintor$
Version|^${PACKAGE_VERSION//./\\.}$
Architecture|^$arch$
Section|^sound$
Priority|^optional$
Maintainer|^Quintor <contact@quintor\.fr>$
Homepage|^https://
Recommends|(^|, )libasound2-plugins( |,|$)
Recommends|(^|, )qt6-wayland( |,|$)
Depends|(^|, )libasound2 \(>=
Depends|(^|, )libqt6widgets6 \(>=
Depends|(^|, )libc6 \(>=
EOF

    local description synopsis
    description=$(dpkg-deb -f "$deb" Description)
    synopsis=$(head -n 1 <<<"$description")
    [ -n "$synopsis" ] && [ ${#synopsis} -le 80 ] && [ "${synopsis%.}" = "$synopsis" ] ||
        fail "the description's synopsis '$synopsis' is empty, over 80 characters or ends with a stop"
    [ "$(wc -l <<<"$description")" -ge 4 ] || fail "the description has no long text: $description"
}

check_lint() {
    need_deb || return
    local report="$scratch/lintian.txt"
    # -I shows the information tags too: an override that no longer matches is one.
    lintian -I --fail-on error,warning "$deb" >"$report" 2>"$scratch/lintian.err" ||
        fail "lintian failed (status $?): $(cat "$scratch/lintian.err")"
    local bad
    bad=$(grep -E '^(E|W): |(unused|mismatched)-override' "$report")
    [ -z "$bad" ] || fail "lintian: $bad"
}

check_validators() {
    local root="$scratch/root"
    unpack "$root" || return
    local desktop="$root/usr/share/applications/$app_id.desktop"
    local metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
    local said
    said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
    [ -z "$said" ] || fail "desktop-file-validate: $said"
    said=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate failed: $said"
    ! grep -Eq '^(E|W): ' <<<"$said" || fail "appstreamcli: $said"

    # What the files say of each other and of the package. what|found|expected
    local exec_name icon
    exec_name=$(desktop_key "$desktop" Exec)
    exec_name=${exec_name%% *}
    icon=$(desktop_key "$desktop" Icon)
    local what found expected
    while IFS='|' read -r what found expected; do
        [ "$found" = "$expected" ] || fail "$what is '$found', not '$expected'"
    done <<EOF
the program the desktop entry starts|$(ls "$root/usr/bin/$exec_name" 2>/dev/null)|$root/usr/bin/$exec_name
the icon's sizes in the theme|$(ls "$root"/usr/share/icons/hicolor/*/apps/"$icon".png 2>/dev/null | wc -l)|$(ls -d "$SOURCE_DIR"/dist/icons/* | wc -l)
the metainfo's launchable|$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")|$(basename "$desktop")
the metainfo's binary|$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo")|$exec_name
the metainfo's newest release|$(sed -n 's:.*<release version="\([^"]*\)".*:\1:p' "$metainfo" | head -n 1)|$PACKAGE_VERSION
the changelog's newest version|$(zcat "$root/usr/share/doc/quintor/changelog.gz" | sed -n '1s/^quintor (\([^)]*\)).*/\1/p')|$PACKAGE_VERSION
the manual page's version|$(zcat "$root/usr/share/man/man1/quintor.1.gz" | sed -n 's/^\.TH .*"Quintor \([^"]*\)".*/\1/p')|$PACKAGE_VERSION
EOF
}

# Starts the unpacked package under Xvfb as a user would, with a fresh configuration folder and a
# sound card made of a file of silence (the machine may have none: no error box then). Leaves in
# $scratch/session what the X session saw.
start_unpacked() {
    local root="$scratch/paquet dépaqueté"
    unpack "$root" || return 1
    local home="$scratch/home"
    mkdir -p "$home" "$scratch/run"
    chmod 700 "$home" "$scratch/run"
    head -c 441000 /dev/zero >"$scratch/silence.raw"
    cat >"$scratch/alsa.conf" <<EOF
pcm.silence {
    type file
    slave.pcm { type null }
    file "/dev/null"
    infile "$scratch/silence.raw"
    format "raw"
    hint { show on description "Silence|IOIDInput" }
}
EOF
    mkdir -p "$scratch/session"
    # The configuration file alone, not ALSA's own: this device is the only one listed.
    (
        unset QT_QPA_PLATFORM WAYLAND_DISPLAY XDG_CONFIG_HOME
        export HOME="$home" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config neuve"
        export ALSA_CONFIG_PATH="$scratch/alsa.conf"
        export LAUNCHER="$root/usr/bin/quintor" SESSION="$scratch/session"
        cd / && timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" in-session
    ) >"$scratch/xvfb.log" 2>&1
    local status=$?
    [ ! -s "$scratch/session/failures" ] || fail "$(cat "$scratch/session/failures")"
    [ $status -eq 0 ] && return
    fail "the start under Xvfb failed (status $status):"
    cat "$scratch/xvfb.log" "$scratch/session/app.log" >&2 2>/dev/null
    return 1
}

# Inside the X session: starts the launcher, finds the tuner's window, records what is on the
# screen, stops the tuner by its process id.
in_session() {
    "$LAUNCHER" >"$SESSION/app.log" 2>&1 &
    local app=$! tuner="" id
    # xdotool matches names regardless of case: the message boxes' "quintor" matches too.
    for _ in $(seq 75); do
        for id in $(xdotool search --onlyvisible --name '^Quintor$' 2>/dev/null); do
            [ "$(xdotool getwindowname "$id")" = Quintor ] && tuner=$id
        done
        [ -n "$tuner" ] && break
        kill -0 "$app" 2>/dev/null || break
        sleep 0.2
    done
    # A moment for anything that would come up after it.
    sleep 1
    local shown="" window
    for window in $(xwininfo -root -children | awk '/^ +0x/ { print $1 }'); do
        xwininfo -id "$window" | grep -q 'Map State: IsViewable' &&
            shown+="$window \"$(xdotool getwindowname "$window")\""$'\n'
    done
    printf '%s' "$shown" >"$SESSION/shown"
    [ -n "$tuner" ] && xprop -id "$tuner" WM_CLASS >"$SESSION/wm_class"
    printf '%s\n' "$tuner" >"$SESSION/tuner"
    if kill -0 "$app" 2>/dev/null; then
        kill "$app"
        wait "$app"
    else
        wait "$app"
        echo "the tuner ended by itself (status $?)" >>"$SESSION/failures"
    fi
    return 0
}

check_start() {
    start_unpacked || return
    local tuner shown
    tuner=$(cat "$scratch/session/tuner")
    shown=$(cat "$scratch/session/shown")
    if [ -z "$tuner" ]; then
        fail "no window named Quintor came up; on the screen: ${shown:-nothing}"
    elif [ "$(wc -l <<<"$shown")" -ne 1 ]; then
        fail "the tuner's window is not alone on the screen: $shown"
    fi
    # The window's class is the one the desktop entry names. WM_CLASS(STRING) = "instance", "class"
    local wanted found
    wanted=$(desktop_key "$scratch/paquet dépaqueté/usr/share/applications/$app_id.desktop" \
        StartupWMClass)
    found=$(sed -n 's/.*= ".*", "\(.*\)"$/\1/p' "$scratch/session/wm_class" 2>/dev/null)
    [ -n "$wanted" ] || fail "the desktop entry has no StartupWMClass"
    [ "$found" = "$wanted" ] ||
        fail "the window's class is '$found', the desktop entry's StartupWMClass '$wanted'"
    local folder="$scratch/config neuve/quintor"
    [ -d "$folder" ] || { fail "the launcher made no folder $folder"; return; }
    [ "$(stat -c %a "$folder")" = 700 ] || fail "$folder is $(stat -c %a "$folder"), not 700"
    cmp -s "$folder/Accords.ini" "$scratch/paquet dépaqueté/usr/share/quintor/Accords.ini" ||
        fail "$folder/Accords.ini is not the shipped copy"
}

check_launcher() {
    local prefix="$scratch/préfixe d'essai"
    install_tree "$prefix" || return
    local launcher="$prefix/bin/quintor" shipped="$prefix/share/quintor/Accords.ini"
    # A stand-in for the program: where it was started, and with what.
    cat >"$prefix/libexec/quintor/quintor" <<'EOF'
#!/bin/sh
{ pwd; printf '%s\n' "$@"; } >"$STAND_IN_LOG"
EOF

    # Each case in a fresh folder S. XDG_CONFIG_HOME and HOME: "-" for unset. Prepared: what is
    # there before. Started as: the launcher's path, a symbolic link to it, or a path relative
    # to the current folder. Then the folder the program must run in, and what its Accords.ini
    # must hold; or, for a refusal, "-" and a text the message must contain.
    local name xdg home prepared how folder holds message
    while IFS='|' read -r name xdg home prepared how folder holds message; do
        [ -n "$name" ] && [ "${name#\#}" = "$name" ] || continue
        local S="$scratch/case $name"
        mkdir -p "$S/cwd"
        xdg=${xdg//@S/$S} home=${home//@S/$S} folder=${folder//@S/$S} message=${message//@S/$S}
        case $prepared in
            user-file) mkdir -p "$folder" && printf '[NOM]\nAccord1=Mien\n' >"$folder/Accords.ini" ;;
            empty-folder) mkdir -p "$folder" ;;
            file-in-the-way) mkdir -p "$S/config" && : >"$S/config/bloque" ;;
        esac
        local run=$launcher
        case $how in
            link) ln -s "$launcher" "$S/quintor" && run="$S/quintor" ;;
            relative) run=$(realpath -s --relative-to="$S/cwd" "$launcher") ;;
        esac
        local env=(env -i PATH="$PATH" STAND_IN_LOG="$S/stand-in.log")
        [ "$home" = - ] || env+=(HOME="$home")
        [ "$xdg" = - ] || env+=(XDG_CONFIG_HOME="$xdg")
        (cd "$S/cwd" && "${env[@]}" "$run" "premier argument" >"$S/out" 2>"$S/err")
        local status=$?

        if [ "$folder" = - ]; then
            [ $status -ne 0 ] || fail "$name: the launcher did not refuse"
            [ ! -e "$S/stand-in.log" ] || fail "$name: the program was started all the same"
            grep -qF -- "$message" "$S/err" ||
                fail "$name: the message '$(cat "$S/err")' does not name '$message'"
        else
            [ $status -eq 0 ] || fail "$name: status $status: $(cat "$S/err")"
            [ "$(sed -n 1p "$S/stand-in.log" 2>/dev/null)" = "$folder" ] ||
                fail "$name: the program ran in '$(sed -n 1p "$S/stand-in.log" 2>/dev/null)', not '$folder'"
            [ "$(sed -n 2p "$S/stand-in.log" 2>/dev/null)" = "premier argument" ] ||
                fail "$name: the program did not get the launcher's argument"
            case $holds in
                shipped) cmp -s "$folder/Accords.ini" "$shipped" ||
                    fail "$name: $folder/Accords.ini is not the shipped copy" ;;
                user) grep -q '^Accord1=Mien$' "$folder/Accords.ini" ||
                    fail "$name: the user's Accords.ini was replaced" ;;
            esac
            if [ "$prepared" = - ] && [ "$(stat -c %a "$folder")" != 700 ]; then
                fail "$name: the new folder is $(stat -c %a "$folder"), not 700"
            fi
        fi
        [ -z "$(ls -A "$S/cwd")" ] || fail "$name: the launcher wrote into the current folder"
    done < <(sed -e 's/ *| */|/g' -e 's/ *$//' <<'EOF'
# case        |XDG_CONFIG_HOME  |HOME   |prepared       |started as|folder               |holds  |message
fresh         |@S/config a b    |@S/home|-              |path      |@S/config a b/quintor|shipped|
unset         |-                |@S/home|-              |path      |@S/home/.config/quintor|shipped|
empty         |                 |@S/home|-              |path      |@S/home/.config/quintor|shipped|
relative      |cfg              |@S/home|-              |path      |@S/home/.config/quintor|shipped|
user file kept|@S/config        |@S/home|user-file      |path      |@S/config/quintor    |user   |
file restored |@S/config        |@S/home|empty-folder   |path      |@S/config/quintor    |shipped|
through a link|@S/config        |@S/home|-              |link      |@S/config/quintor    |shipped|
relative call |@S/config        |@S/home|-              |relative  |@S/config/quintor    |shipped|
blocked       |@S/config/bloque |@S/home|file-in-the-way|path      |-                    |-      |@S/config/bloque/quintor
no home       |-                |-      |-              |path      |-                    |-      |HOME
EOF
    )
}

case $check in
    package) check_package ;;
    tree) check_tree ;;
    contents) check_contents ;;
    lint) check_lint ;;
    validators) check_validators ;;
    start) check_start ;;
    launcher) check_launcher ;;
    in-session) in_session; exit ;;
    *) fail "no check named $check" ;;
esac
finish
