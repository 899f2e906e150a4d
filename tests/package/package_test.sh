#!/usr/bin/env bash
# Quintor as a user's machine receives it. Usage: package_test.sh CHECK, with BUILD_DIR,
# SOURCE_DIR, WORK_DIR and PACKAGE_VERSION in the environment (CTest sets them). The check
# "package" makes the .deb in WORK_DIR/deb that contents, lint, validators and start read;
# launcher installs the build itself. A check reports every fault it finds, then fails.
set -uo pipefail

check=${1:?which check}
app_id=fr.quintor.Quintor

failures=0
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    failures=$((failures + 1))
}
# expect WHAT FOUND EXPECTED
expect() {
    [ "$2" = "$3" ] || fail "$1 is '$2', not '$3'"
}

. "$SOURCE_DIR/tools/lib/session.sh"
session_begin || exit 1
scratch=$session_dir

# Sets deb to the package that package.package made.
need_deb() {
    deb=$(ls "$WORK_DIR"/deb/quintor_"$PACKAGE_VERSION"_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || { fail "no quintor_${PACKAGE_VERSION}_*.deb in $WORK_DIR/deb"; return 1; }
}

# Compares a sorted "mode path" list with files.txt, each of its paths behind prefix $2.
same_files() {
    local difference
    difference=$(diff <(sed -e '/^#/d' -e '/^[[:space:]]*$/d' -e "s: : $2:" \
        "$SOURCE_DIR/tests/package/files.txt" | LC_ALL=C sort) <(printf '%s\n' "$3") |
        grep '^[<>]')
    [ -z "$difference" ] || fail "$1 differs from files.txt (< expected, > found):"$'\n'"$difference"
}

# The value of KEY in the [Desktop Entry] group of desktop file $1.
desktop_key() {
    sed -n -e '/^\[Desktop Entry\]/,/^\[/{' -e "s/^$2=//p" -e '}' "$1" | head -n 1
}

unpack() {
    need_deb && mkdir -p "$1" && dpkg-deb -x "$deb" "$1" || { fail "could not unpack $deb"; return 1; }
}

check_package() {
    rm -rf "$WORK_DIR/deb" && mkdir -p "$WORK_DIR/deb"
    cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$WORK_DIR/deb" \
        >"$WORK_DIR/deb/cpack.log" 2>&1 || fail "cpack failed: $(cat "$WORK_DIR/deb/cpack.log")"
    need_deb || ls "$WORK_DIR/deb" >&2
}

check_contents() {
    need_deb || return
    # Files as "octal-mode path"; lint checks the directories' modes and the owners.
    same_files "the package" usr/ "$(dpkg-deb -c "$deb" | awk '!/^d/ {
        m = "0"
        for (i = 2; i <= 10; i += 3)
            m = m ((substr($1, i, 1) == "r") * 4 + (substr($1, i + 1, 1) == "w") * 2 + \
                   (substr($1, i + 2, 1) == "x"))
        sub(/^\.\//, "", $6)
        print m, $6
    }' | LC_ALL=C sort)"

    # field|extended regular expression its value must match
    local field pattern value
    while IFS='|' read -r field pattern; do
        value=$(dpkg-deb -f "$deb" "$field")
        grep -Eq -- "$pattern" <<<"$value" ||
            fail "control field $field is '$value', which does not match $pattern"
    done <<EOF
Package|^quintor$
Version|^${PACKAGE_VERSION//./\\.}$
Architecture|^$(dpkg --print-architecture)$
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
}

check_lint() {
    need_deb || return
    local report="$scratch/lintian.txt"
    # -I shows the information tags too: an override that no longer matches is one, and so are a
    # synopsis that ends with a stop and a long description of one or two lines.
    lintian -I --fail-on error,warning "$deb" >"$report" 2>"$scratch/lintian.err" ||
        fail "lintian failed (status $?): $(cat "$scratch/lintian.err")"
    local bad
    bad=$(grep -E -e '^(E|W): |(unused|mismatched)-override|synopsis-is-a-sentence' \
        -e 'extended-description-is-probably-too-short' "$report")
    [ -z "$bad" ] || fail "lintian: $bad"
}

check_validators() {
    local root="$scratch/root"
    unpack "$root" || return
    local desktop="$root/usr/share/applications/$app_id.desktop"
    local metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
    local said
    said=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$said" ] ||
        fail "desktop-file-validate: $said"
    said=$(appstreamcli validate --no-net "$metainfo" 2>&1) && ! grep -Eq '^(E|W): ' <<<"$said" ||
        fail "appstreamcli validate: $said"

    # What the files say of each other (their versions are version.Consistent's). what|found|expected
    local exec_name
    exec_name=$(desktop_key "$desktop" Exec | cut -d ' ' -f 1)
    local what found expected
    while IFS='|' read -r what found expected; do
        expect "$what" "$found" "$expected"
    done <<EOF
the program the desktop entry starts|$(ls "$root/usr/bin/$exec_name" 2>/dev/null)|$root/usr/bin/$exec_name
the icon's sizes in the theme|$(ls "$root"/usr/share/icons/hicolor/*/apps/"$(desktop_key "$desktop" Icon)".png 2>/dev/null | wc -l)|$(ls -d "$SOURCE_DIR"/dist/icons/* | wc -l)
the metainfo's launchable|$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")|$(basename "$desktop")
the metainfo's binary|$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo")|$exec_name
EOF
}

# Starts the unpacked package on a private X server with a window manager, as a user would,
# with a fresh home and configuration folder and a sound card made of a file of silence (the
# machine may have none: no error box then); once the window manager has given the tuner the
# focus, its start is over and it must be the one window on the screen.
check_start() {
    local root="$scratch/paquet dépaqueté"
    unpack "$root" || return
    mkdir -m 700 "$scratch/home" "$scratch/run"
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
    session_start_x || { fail "no X session: $(cat "$scratch"/*.log)"; return; }
    # The configuration file alone, not ALSA's own: this device is the only one listed.
    (cd / && exec env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY HOME="$scratch/home" \
        XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config neuve" \
        ALSA_CONFIG_PATH="$scratch/alsa.conf" "$root/usr/bin/quintor") >"$scratch/app.log" 2>&1 &
    local app=$!
    session_pids+=("$app")
    if ! session_find_window Quintor "$app" || ! session_wait_active "$session_window"; then
        fail "the tuner did not come up alone; on the screen: $(session_managed_windows);" \
            "the tuner said: $(cat "$scratch/app.log")"
        return
    fi
    expect "the windows on the screen" "$(session_managed_windows)" \
        "$((session_window)) \"Quintor\""
    # The tuner's place, which no message box takes: its frame 10 pixels below the screen's top,
    # against its right edge.
    local frame
    frame=($(session_frame "$session_window"))
    expect "the tuner's frame's top and right" "${frame[1]} ${frame[2]}" "10 1024"
    # The window's class is the one the desktop entry names. WM_CLASS(STRING) = "a", "class"
    local wanted
    wanted=$(desktop_key "$root/usr/share/applications/$app_id.desktop" StartupWMClass)
    [ -n "$wanted" ] || fail "the desktop entry has no StartupWMClass"
    expect "the window's class" \
        "$(xprop -id "$session_window" WM_CLASS | sed -n 's/.*= ".*", "\(.*\)"$/\1/p')" "$wanted"
    kill -0 "$app" 2>/dev/null || fail "the tuner ended by itself: $(cat "$scratch/app.log")"
}

# The build installed into a prefix (no DESTDIR) that holds spaces and accents: its files, and
# its launcher run over a stand-in for the program.
check_launcher() {
    local prefix="$scratch/préfixe d'essai"
    cmake --install "$BUILD_DIR" --prefix "$prefix" >"$scratch/install.log" 2>&1 ||
        { fail "cmake --install failed: $(cat "$scratch/install.log")"; return; }
    same_files "the installed tree" "" \
        "$(cd "$prefix" && find . ! -type d -printf '%#m %P\n' | LC_ALL=C sort)"
    local loose
    loose=$(find "$prefix" -mindepth 1 -type d ! -perm 0755 -printf '%#m %P\n')
    [ -z "$loose" ] || fail "installed directories not rwxr-xr-x: $loose"

    local launcher="$prefix/bin/quintor" shipped="$prefix/share/quintor/Accords.ini"
    local mine="$scratch/mine.ini"
    printf '[NOM]\nAccord1=Mien\n' >"$mine"
    # A stand-in for the program: where it was started, and with what.
    cat >"$prefix/libexec/quintor/quintor" <<'EOF'
#!/bin/sh
{ pwd; printf '%s\n' "$@"; } >"$STAND_IN_LOG"
EOF

    # Each case in a fresh folder S. XDG_CONFIG_HOME and HOME: "-" for unset. Prepared: what is
    # there before. Started as: the launcher's path, a symbolic link to it, or a path relative
    # to the current folder. Then the folder the program must run in, its Accords.ini the user's
    # own if there was one, else the shipped copy; or, for a refusal, "-" and a text the message
    # must contain.
    local name xdg home prepared how folder message
    while IFS='|' read -r name xdg home prepared how folder message; do
        [ -n "$name" ] && [ "${name#\#}" = "$name" ] || continue
        local S="$scratch/case $name"
        mkdir -p "$S/cwd"
        xdg=${xdg//@S/$S} home=${home//@S/$S} folder=${folder//@S/$S} message=${message//@S/$S}
        case $prepared in
            user-file) mkdir -p "$folder" && cp "$mine" "$folder/Accords.ini" ;;
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
            expect "$name: the status" $status 0
            expect "$name: what the program got" "$(cat "$S/stand-in.log" 2>/dev/null)" \
                "$folder"$'\n'"premier argument"
            local want=$shipped
            [ "$prepared" != user-file ] || want=$mine
            cmp -s "$folder/Accords.ini" "$want" || fail "$name: $folder/Accords.ini is not $want"
            [ "$prepared" != - ] || expect "$name: the new folder's mode" \
                "$(stat -c %a "$folder")" 700
        fi
        [ -z "$(ls -A "$S/cwd")" ] || fail "$name: the launcher wrote into the current folder"
    done < <(sed -e 's/ *| */|/g' -e 's/ *$//' <<'EOF'
# case        |XDG_CONFIG_HOME  |HOME   |prepared       |started as|folder                 |message
fresh         |@S/config a b    |@S/home|-              |path      |@S/config a b/quintor  |
empty         |                 |@S/home|-              |path      |@S/home/.config/quintor|
relative      |cfg              |@S/home|-              |path      |@S/home/.config/quintor|
user file kept|@S/config        |@S/home|user-file      |path      |@S/config/quintor      |
file restored |@S/config        |@S/home|empty-folder   |path      |@S/config/quintor      |
through a link|@S/config        |@S/home|-              |link      |@S/config/quintor      |
relative call |@S/config        |@S/home|-              |relative  |@S/config/quintor      |
blocked       |@S/config/bloque |@S/home|file-in-the-way|path      |-                      |@S/config/bloque/quintor
no home       |-                |-      |-              |path      |-                      |HOME
EOF
    )
}

declare -F "check_${check//-/_}" >/dev/null || fail "no check named $check"
[ "$failures" -ne 0 ] || "check_${check//-/_}"
[ "$failures" -eq 0 ]
