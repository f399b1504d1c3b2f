#!/bin/bash
# Checks the packages of `make package` and installs, upgrades and removes the
# MSI silently under Wine, in a prefix of its own (WORK/prefix).
# Usage: installer-test.sh STEP, with STEP one of
#   packages        build the packages again from a copy of the sources, as
#                   they are and signed, then newer, signed packages (one
#                   newer only in the fourth version field)
#   tables signing                     the packages as files
#   reproducible verify                the same bytes again (and the ZIP's
#                                      contents); tools/verify-package
#   install start upgrade uninstall    the MSI under Wine, in this order
# Environment (set by CMake): SOURCE_DIR, PACKAGE_DIR, PRODUCT_EXE, VERSION, WORK.
set -u
: "${SOURCE_DIR:?}" "${PACKAGE_DIR:?}" "${PRODUCT_EXE:?}" "${VERSION:?}" "${WORK:?}"

NAME="Quillmere Hotkey Settings"
UPGRADE_CODE="{6F3D2B1A-8C4E-4E37-9A52-3B1F0C7D9E21}"
# The newer package: the same sources with the next build number.
IFS=. read -r major minor build tweak <<<"$VERSION"
NEWER_VERSION="$major.$minor.$((build + 1)).$tweak"
# A package that differs from this one only in the fourth field, which
# Windows Installer leaves out of its version comparisons.
FOURTH_VERSION="$major.$minor.$build.$((tweak + 1))"

MSI="$PACKAGE_DIR/HotkeySettings-$VERSION-x86.msi"
ZIP="$PACKAGE_DIR/HotkeySettings-$VERSION-x86.zip"
PACKAGED_PROGRAM="${PRODUCT_EXE%/bin/HotkeySettings.exe}/installer/stage/HotkeySettings.exe"
# The copy of the sources, built first at this version, as make package did
# (kept in AGAIN) and signed (kept in SIGNED), then at the newer version.
NEWER="$WORK/newer"
AGAIN="$WORK/again"
SIGNED="$WORK/signed"
PACKAGE_ENV="${PRODUCT_EXE%/bin/HotkeySettings.exe}/installer/package.env"
BUILD_TIME=$(sh "$SOURCE_DIR/build-aux/build-time") || exit 1
NEWER_MSI="$NEWER/build/package/HotkeySettings-$NEWER_VERSION-x86.msi"
NEWER_PROGRAM="$NEWER/build/i686/installer/stage/HotkeySettings.exe"
FOURTH="$WORK/fourth"
FOURTH_MSI="$FOURTH/HotkeySettings-$FOURTH_VERSION-x86.msi"
FOURTH_PROGRAM="$FOURTH/HotkeySettings.exe"
CERT="$WORK/cert/cert.pem"
KEY="$WORK/cert/key.pem"

export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix's own X display, once its set-up has made it.
if [ -f "$WINEPREFIX/.display" ]; then
    DISPLAY=$(cat "$WINEPREFIX/.display")
    export DISPLAY
fi
DRIVE_C="$WINEPREFIX/drive_c"
INSTALL_DIR="$DRIVE_C/Program Files (x86)/Quillmere/Hotkey Settings"
COMMON_SHORTCUT="$DRIVE_C/ProgramData/Microsoft/Windows/Start Menu/Programs/Hotkey Settings.lnk"
USER_SHORTCUT="$DRIVE_C/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Hotkey Settings.lnk"
# Wine passes on a Windows exit code modulo 256: 1603 (ERROR_INSTALL_FAILURE,
# what a failed launch condition returns) arrives as 67.
INSTALL_FAILURE=$((1603 % 256))

. "$SOURCE_DIR/tests/support/expect.sh"

# Wine programs' output goes to a file made anew for each, never to a pipe
# that a Wine helper process could hold open.
OUT="$WORK/wine.out"
w() { rm -f "$OUT"; wine "$@" </dev/null >"$OUT" 2>&1; }
msiexec() { w msiexec "$@"; }
winpath() { winepath -w "$1" 2>/dev/null; }

# One line per Add/Remove Programs entry of the product (32-bit view):
# key|DisplayVersion|Publisher|NoModify|NoRepair
arp_entries() {
    w reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:32
    tr -d '\r' <"$OUT" | awk -F '    ' -v name="$NAME" '
        function flush() { if (v["DisplayName"] == name)
            print key "|" v["DisplayVersion"] "|" v["Publisher"] "|" v["NoModify"] "|" v["NoRepair"] }
        /^HKEY/ { flush(); key = $0; delete v; next }
        NF >= 4 { v[$2] = $4 }
        END { flush() }'
}
expect_entry() { # expect_entry VERSION: exactly one entry, of that version
    local entries
    entries=$(arp_entries)
    expect "Add/Remove Programs entries" "$(grep -c . <<<"$entries")" 1
    expect "Add/Remove Programs entry" "$(cut -d'|' -f2- <<<"$entries")" "$1|Quillmere|0x1|0x1"
}

# Values no package step may change, and what they are stored as.
REGISTRY_VALUES="HKCU 64 LockFn 1
HKCU 64 MakeSounds 0
HKLM 32 HidePopup 1
HKLM 32 ShowIcon 1
HKLM 64 LockFn 0"
# Each root and view holds some of them: a query that lists none failed.
registry_snapshot() {
    local root view
    for root_view in "HKCU 64" "HKLM 32" "HKLM 64"; do
        read -r root view <<<"$root_view"
        if ! w reg query "$root\\Software\\Quillmere\\HotKey" /reg:"$view" || ! grep -q REG_ "$OUT"; then
            echo "could not read $root\\Software\\Quillmere\\HotKey (/reg:$view): $(tr -d '\r' <"$OUT")"
            return 1
        fi
        echo "[$root_view]"; tr -d '\r' <"$OUT"
    done
}
expect_registry_unchanged() { # after STEP
    if ! registry_snapshot >"$WORK/registry.now"; then
        fail "after $1: $(cat "$WORK/registry.now")"
        return
    fi
    diff "$WORK/registry.before" "$WORK/registry.now" >/dev/null ||
        fail "values under Software\\Quillmere\\HotKey changed by $1: $(diff "$WORK/registry.before" "$WORK/registry.now")"
}

case "${1:-}" in
packages)
    [ -f "$MSI" ] && [ -f "$ZIP" ] || { echo "no packages in $PACKAGE_DIR: run make package first"; exit 1; }
    # A throwaway code-signing certificate, named by its file, the key given
    # as PEM text.
    rm -rf "$WORK/cert" "$NEWER" "$AGAIN" "$SIGNED" "$FOURTH" &&
        mkdir -p "$WORK/cert" "$NEWER" "$AGAIN" "$SIGNED" "$FOURTH" || exit 1
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quillmere test signer" \
        -addext extendedKeyUsage=codeSigning -keyout "$KEY" -out "$CERT" 2>/dev/null || exit 1
    signed=(SIGN_CERT="$CERT" SIGN_KEY="$(cat "$KEY")")
    # The copy: another folder, other file times and permissions (umask), at
    # least 5 s after make package, the same build time (it has no git).
    if [ "$(umask)" = 0077 ]; then umask 022; else umask 077; fi
    tar -C "$SOURCE_DIR" --exclude=./build --exclude=./.git -cf - . |
        tar -C "$NEWER" --no-same-permissions --touch -xf - || exit 1
    pause=$(($(stat -c %Y "$MSI") + 5 - $(date +%s)))
    [ "$pause" -le 0 ] || sleep "$pause"
    rm -f "$WORK/newer-build.log"
    build_copy() { # build_copy [NAME=VALUE...]: the copy's packages, with these variables set
        (cd "$NEWER" && export SOURCE_DATE_EPOCH="$BUILD_TIME" && cmake --preset i686 &&
            env "$@" cmake --build --preset i686 -j2 --target packages) \
            >>"$WORK/newer-build.log" 2>&1 || { cat "$WORK/newer-build.log"; exit 1; }
    }
    # 1. At this version, signed or not as make package was (the same environment).
    build_copy
    cp "$NEWER/build/package/"* "$AGAIN/" &&
        cp "$NEWER/build/i686/bin/HotkeySettings.exe" "$AGAIN/program.exe" &&
        cp "$NEWER/build/i686/installer/stage/HotkeySettings.exe" "$AGAIN/packaged.exe" || exit 1
    # 2. At this version, signed with the throwaway certificate.
    build_copy -u SIGN_TIMESTAMP_URL -u SIGN_TIME "${signed[@]}"
    cp "$NEWER/build/package/HotkeySettings-$VERSION-x86."* \
        "$NEWER/build/i686/installer/stage/HotkeySettings.exe" "$SIGNED/" || exit 1
    # 3. With the next version number, signed: a genuinely newer program;
    # first with the fourth field one higher.
    set_version() {
        sed -i "s/^\(project([^ ]* VERSION \)[0-9.]*/\1$1/" "$NEWER/CMakeLists.txt"
        grep -q "VERSION $1 " "$NEWER/CMakeLists.txt" || { echo "could not set the version $1"; exit 1; }
    }
    set_version "$FOURTH_VERSION"
    build_copy -u SIGN_TIMESTAMP_URL -u SIGN_TIME "${signed[@]}"
    cp "$NEWER/build/package/$(basename "$FOURTH_MSI")" "$NEWER/build/i686/installer/stage/HotkeySettings.exe" \
        "$FOURTH/" || exit 1
    set_version "$NEWER_VERSION"
    build_copy -u SIGN_TIMESTAMP_URL -u SIGN_TIME "${signed[@]}"
    [ -f "$NEWER_MSI" ] || { echo "no $NEWER_MSI"; exit 1; }
    ;;

tables)
    table() { tail -n +4 "$WORK/tables/$1.idt" | tr -d '\r'; }
    for package in "$MSI" "$NEWER_MSI"; do
        rm -rf "$WORK/tables" && mkdir -p "$WORK/tables"
        msidump -d "$WORK/tables" -t "$package" >/dev/null || { fail "msidump $package"; continue; }
        version=$VERSION; [ "$package" = "$NEWER_MSI" ] && version=$NEWER_VERSION
        while read -r property value; do
            expect "$(basename "$package"): $property" \
                "$(table Property | awk -F '\t' -v p="$property" '$1 == p { print $2 }')" "$value"
        done <<EOF
ProductName $NAME
Manufacturer Quillmere
ProductVersion $version
UpgradeCode $UPGRADE_CODE
ALLUSERS 1
ARPNOMODIFY 1
ARPNOREPAIR 1
ARPPRODUCTICON HotkeySettings.ico
EOF
        expect "platform" "$(msiinfo suminfo "$package" | sed -n 's/^Template: //p')" "Intel;1033"
        # Not advertised, in the Start menu's Programs folder, with the icon.
        expect "shortcut" "$(table Shortcut | cut -f2,3,5,9)" \
            "ProgramMenuFolder	Hotkey Settings	[#HotkeySettings.exe]	HotkeySettings.ico"
        table LaunchCondition | grep -q "A newer version of $NAME is already installed" ||
            fail "no launch condition refusing a downgrade with a message"
        expect "rows writing the registry" "$(table Registry | wc -l)" 0
    done
    finish
    ;;

signing)
    # Verified against the throwaway certificate, SHA-256, no time stamp.
    verified() {
        osslsigncode verify -in "$1" -CAfile "$CERT" >"$WORK/verify.out" 2>&1 &&
            grep -q '^Message digest algorithm *: SHA256' "$WORK/verify.out" &&
            grep -q '^Timestamp is not available' "$WORK/verify.out"
    }
    # With the throwaway certificate, the program and the MSI carry signatures
    # that verify (that the packages hold the signed program, Package.verify
    # shows).
    for file in "$NEWER_PROGRAM" "$NEWER_MSI"; do
        verified "$file" || fail "$file: not signed as expected: $(tail -1 "$WORK/verify.out")"
    done
    # The key never reaches the build log.
    grep -v -- ----- "$KEY" | grep -qFf - "$WORK/newer-build.log" && fail "key material in the build log"
    # Without a certificate: no signature, and one line that says so.
    if [ -z "${SIGN_CERT:-}${SIGN_KEY:-}" ]; then
        for file in "$PACKAGED_PROGRAM" "$MSI"; do
            osslsigncode extract-signature -in "$file" -out "$WORK/signature" >/dev/null 2>&1 &&
                fail "$file is signed though no certificate was named"
        done
    fi
    # The key as pasted into a CI secret, after a blank line: it signs, and no
    # line of it is printed.
    while read -r with status lines; do
        cp "$PRODUCT_EXE" "$WORK/unsigned.exe" || exit 1
        case $with in
        neither) names=() ;;
        cert) names=(SIGN_CERT="$CERT") ;;
        key) names=(SIGN_KEY="$KEY") ;;
        pasted) names=(SIGN_CERT="$CERT" SIGN_KEY=$'\n'"$(cat "$KEY")") ;;
        esac
        env -u SIGN_CERT -u SIGN_KEY -u SIGN_TIMESTAMP_URL "${names[@]}" sh "$SOURCE_DIR/tools/sign" "$WORK/unsigned.exe" \
            >"$WORK/sign.out" 2>&1
        expect "tools/sign with $with named: exit status" "$?" "$status"
        expect "tools/sign with $with named: lines of output" "$(wc -l <"$WORK/sign.out")" "$lines"
        grep -v -- ----- "$KEY" | grep -qFf - "$WORK/sign.out" && fail "tools/sign with $with named printed the key"
        if [ "$with" = pasted ]; then
            verified "$WORK/unsigned.exe" || fail "tools/sign with $with named: not signed: $(tail -1 "$WORK/verify.out")"
        else
            cmp -s "$WORK/unsigned.exe" "$PRODUCT_EXE" || fail "tools/sign with $with named changed the program"
        fi
    done <<'EOF'
neither 0 1
cert 1 1
key 1 1
pasted 0 1
EOF
    finish
    ;;

reproducible)
    # The copy's build at this version is make package's, byte for byte.
    buildinfo="HotkeySettings-$VERSION-x86.buildinfo"
    same=("the program|$PRODUCT_EXE|$AGAIN/program.exe"
        "the build information|$PACKAGE_DIR/$buildinfo|$AGAIN/$buildinfo")
    if [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_TIMESTAMP_URL:-}" ]; then
        echo "NOTE: signatures with a time stamp differ each time: only the unsigned program is compared"
    else
        same+=("the packaged program|$PACKAGED_PROGRAM|$AGAIN/packaged.exe"
            "the MSI|$MSI|$AGAIN/$(basename "$MSI")"
            "the ZIP|$ZIP|$AGAIN/$(basename "$ZIP")"
            "SHA256SUMS|$PACKAGE_DIR/SHA256SUMS|$AGAIN/SHA256SUMS")
    fi
    # Signed again here with the same key, at the default signing time, the
    # program and the MSI are the copy's signed ones.
    cp "$PRODUCT_EXE" "$WORK/signed-again.exe" &&
        sh "$SOURCE_DIR/build-aux/make-msi" "$PACKAGE_ENV" "$SIGNED/HotkeySettings.exe" "$WORK/signed-again.msi" || exit 1
    for file in "$WORK/signed-again.exe" "$WORK/signed-again.msi"; do
        env -u SIGN_TIME -u SIGN_TIMESTAMP_URL SIGN_CERT="$CERT" SIGN_KEY="$KEY" \
            sh "$SOURCE_DIR/tools/sign" --quiet "$file" || exit 1
    done
    same+=("the signed program|$WORK/signed-again.exe|$SIGNED/HotkeySettings.exe"
        "the signed MSI|$WORK/signed-again.msi|$SIGNED/$(basename "$MSI")")
    for row in "${same[@]}"; do
        IFS='|' read -r what ours again <<<"$row"
        cmp -s "$ours" "$again" || fail "$what differs between two builds of the same sources: $(cmp "$ours" "$again" 2>&1)"
    done
    (cd "$PACKAGE_DIR" && sha256sum --check --strict SHA256SUMS) >"$WORK/sha256sum.out" 2>&1 ||
        fail "sha256sum -c SHA256SUMS: $(cat "$WORK/sha256sum.out")"
    expect "files in SHA256SUMS" "$(cut -d' ' -f3- "$PACKAGE_DIR/SHA256SUMS" | tr '\n' ' ')" \
        "$(basename "$MSI") $(basename "$ZIP") "

    # Every time recorded is the build time; build-aux/build-time finds it.
    export TZ=UTC
    pe_header=$(od -An -tu4 -j 60 -N4 "$PRODUCT_EXE")
    rm -rf "$WORK/zip" && mkdir -p "$WORK/zip" && (cd "$WORK/zip" && cmake -E tar xf "$ZIP") || exit 1
    # The ZIP holds the packaged program, the policy templates and README.txt.
    top="$WORK/zip/HotkeySettings-$VERSION-x86"
    expect "ZIP contents" "$(cd "$top" && find . -type f | sort)" "$(printf './%s\n' HotkeySettings.exe README.txt \
        policy/QuillmereHotkey.admx policy/{en-US,ja-JP,zh-CN}/QuillmereHotkey.adml | sort)"
    cmp -s "$top/HotkeySettings.exe" "$PACKAGED_PROGRAM" || fail "the ZIP's program is not the packaged one"
    diff -r "$top/policy" "$SOURCE_DIR/policy" >/dev/null || fail "the ZIP's policy templates differ from the sources"
    osslsigncode verify -in "$SIGNED/HotkeySettings.exe" -CAfile "$CERT" >"$WORK/verify.out" 2>&1
    unix_times() { while read -r time; do date -d "$time" +%s; done | sort -u | tr '\n' ' '; }
    # Without SOURCE_DATE_EPOCH: the commit time of HEAD in a checkout of its
    # own, else (a source export) 2000-01-01.
    own_time=946684800
    [ ! -e "$SOURCE_DIR/.git" ] || own_time=$(git -C "$SOURCE_DIR" log -1 --format=%ct)
    while IFS='|' read -r what actual expected; do
        expect "$what" "$actual" "$expected"
    done <<EOF
the program's link time|$(od -An -tu4 -j $((pe_header + 8)) -N4 "$PRODUCT_EXE" | tr -d ' ')|$BUILD_TIME
the MSI's created and last-saved times|$(msiinfo suminfo "$MSI" | sed -n 's/^\(Created\|Last saved\): //p' | unix_times)|$BUILD_TIME 
the ZIP's file times|$(find "$WORK/zip" -type f -printf '@%Ts\n' | unix_times)|$BUILD_TIME 
the signing time|$(sed -n 's/^[[:space:]]*Signing time: //p' "$WORK/verify.out" | unix_times)|$BUILD_TIME 
build-time with SOURCE_DATE_EPOCH|$(SOURCE_DATE_EPOCH=1234567890 sh "$SOURCE_DIR/build-aux/build-time")|1234567890
build-time in these sources|$(env -u SOURCE_DATE_EPOCH sh "$SOURCE_DIR/build-aux/build-time")|$own_time
build-time in a copy without git|$(env -u SOURCE_DATE_EPOCH sh "$NEWER/build-aux/build-time")|946684800
EOF
    finish
    ;;

verify)
    # tools/verify-package: the copy's signed program, ZIP and MSI and this
    # tree's unsigned program match, naming their signer; files one change
    # away differ (this build's build information beside them).
    forged="$WORK/forged" name="HotkeySettings-$VERSION-x86"
    rm -rf "$forged" && mkdir -p "$forged/zip" && cp "$PACKAGE_DIR/$name.buildinfo" "$forged/" || exit 1
    flip() { # flip FILE OFFSET: one bit of the byte at OFFSET
        local byte
        byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
        printf "\\$(printf %03o $((byte ^ 1)))" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null
    }
    cp "$SIGNED/HotkeySettings.exe" "$forged/program.exe" && flip "$forged/program.exe" 4096 &&
        cp "$PRODUCT_EXE" "$forged/byte.exe" && flip "$forged/byte.exe" 20000 &&
        cp "$SIGNED/$name.zip" "$forged/byte.zip" && flip "$forged/byte.zip" 10 &&
        cp "$SIGNED/$name.msi" "$forged/byte.msi" && flip "$forged/byte.msi" 34 || exit 1
    sh "$SOURCE_DIR/build-aux/make-msi" "$PACKAGE_ENV" "$forged/program.exe" "$forged/program.msi" || exit 1
    # This tree's program with the genuine signature of another build (the
    # one higher in the fourth field), which no other toolchain excuses.
    osslsigncode extract-signature -in "$FOURTH_PROGRAM" -out "$forged/fourth.sig" >/dev/null || exit 1
    osslsigncode attach-signature -CAfile /dev/null -sigin "$forged/fourth.sig" -in "$PRODUCT_EXE" -out "$forged/moved.exe" >/dev/null 2>&1
    [ -s "$forged/moved.exe" ] || exit 1
    policy="$name/policy/en-US/QuillmereHotkey.adml"
    (cd "$forged/zip" && cmake -E tar xf "$SIGNED/$name.zip" && echo >>"$policy" &&
        cmake -E tar cf ../policy.zip --format=zip "$name") || exit 1
    cp "$MSI" "$forged/property.msi" &&
        msibuild "$forged/property.msi" -q "INSERT INTO Property (Property, Value) VALUES ('FORGED', '1')" || exit 1
    # A throwaway certificate of someone else, and a build information file
    # naming another CMake than this build's.
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Someone else" \
        -keyout "$forged/other-key.pem" -out "$forged/other.pem" 2>/dev/null || exit 1
    sed 's/^ cmake (= \(.*\))\(,\{0,1\}\)$/ cmake (= \1.1)\2/' "$PACKAGE_DIR/$name.buildinfo" >"$forged/other.buildinfo"
    cmake_here=$(sed -n 's/^ cmake (= \(.*\)),\{0,1\}$/\1/p' "$PACKAGE_DIR/$name.buildinfo")
    signer="CN=Quillmere test signer (SHA-256 $(openssl x509 -in "$CERT" -noout -fingerprint -sha256 | sed 's/.*=//'))"
    # Hostile files, each the signed package and one attack: ZIPs with an
    # entry named to leave the work folder (ending in CR LF), with links for
    # files, with a local header that disagrees with the central directory,
    # with a bzip2 program; MSIs with a stream named as a path into the canary
    # folder, with a deferred custom action and streams named ../TABLE.idt, with
    # a table's directory entry out of tree order, with two bytes of the
    # certificate changed; and the compound file's signature followed by a
    # file name.
    canary="$WORK/canary" verify_tmp="$WORK/verify-tmp"
    rm -rf "$canary" "$verify_tmp" && mkdir -p "$canary" "$verify_tmp" "$forged/links" "$forged/tables" || exit 1
    openssl x509 -in "$CERT" -outform DER -out "$forged/cert.der" || exit 1
    /usr/bin/python3 - "$SIGNED" "$name" "$forged" "$canary" "$PRODUCT_EXE" <<'PYTHON' || exit 1
import copy, os, stat, sys, zipfile
import olefile
signed, name, forged, canary, program = sys.argv[1:]
with zipfile.ZipFile(f"{signed}/{name}.zip") as source, \
        zipfile.ZipFile(forged + "/traversal.zip", "w") as traversal, \
        zipfile.ZipFile(forged + "/links.zip", "w") as links, \
        zipfile.ZipFile(forged + "/bzip2.zip", "w") as bzip2:
    for info in source.infolist():
        data = source.read(info)
        traversal.writestr(copy.copy(info), data)
        bzip2.writestr(copy.copy(info), data, zipfile.ZIP_BZIP2 if info.filename.endswith(".exe") else None)
        if not info.is_dir():
            # A link to a file of the same bytes (the program without its signature).
            target = program
            if not info.filename.endswith(".exe"):
                target = os.path.join(forged, "links", info.filename)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                with open(target, "wb") as f:
                    f.write(data)
            info.external_attr = (stat.S_IFLNK | 0o777) << 16
            data = target.encode()
        links.writestr(info, data)
    traversal.writestr("../" * 40 + canary.lstrip("/") + "/entry\r\n", b"forged")

# (writestr above moved the entries' offsets: the ZIP is read again.)
with zipfile.ZipFile(f"{signed}/{name}.zip") as source:
    at = source.getinfo(name + "/README.txt").header_offset
data = bytearray(open(f"{signed}/{name}.zip", "rb").read())
assert data[at + 8:at + 10] == b"\x08\x00"  # deflated
data[at + 8:at + 10] = b"\x00\x00"  # stored
open(forged + "/header.zip", "wb").write(data)

# The compound file's directory: entries of 128 bytes in the directory
# sectors' chain; a table's name begins with U+4840. Here each entry's right
# sibling is the next by name: a table and the entry after it change places
# (A > B > C > D becomes A > C > B > D), out of the red-black tree's order.
data = bytearray(open(f"{signed}/{name}.msi", "rb").read())
ole = olefile.OleFileIO(bytes(data))
chain, sector = [], ole.first_dir_sector
while sector < olefile.MAXREGSECT:
    chain.append(sector)
    sector = ole.fat[sector]
def set_right(sid, right):
    at = (chain[sid * 128 // ole.sectorsize] + 1) * ole.sectorsize + sid * 128 % ole.sectorsize + 0x48
    data[at:at + 4] = right.to_bytes(4, "little")
for a in ole.direntries:
    if a and a.name.startswith("\u4840") and a.sid_right != olefile.NOSTREAM:
        b = ole.direntries[a.sid_right]
        if b.sid_right != olefile.NOSTREAM:
            c = ole.direntries[b.sid_right]
            set_right(a.sid, c.sid), set_right(c.sid, b.sid), set_right(b.sid, c.sid_right)
            break
open(forged + "/order.msi", "wb").write(data)

data = bytearray(open(f"{signed}/{name}.msi", "rb").read())
cert = open(forged + "/cert.der", "rb").read()
end = data.index(cert) + len(cert)
data[end - 2:end] = bytes(b ^ 1 for b in data[end - 2:end])
open(forged + "/certificate.msi", "wb").write(data)
open(forged + "/short.msi", "wb").write(olefile.MAGIC + program.encode())
PYTHON
    cmp -s "$SIGNED/$name.msi" "$forged/order.msi" && fail "order.msi: no table followed by two entries"
    cp "$SIGNED/$name.msi" "$forged/stream.msi" && echo forged >"$forged/data" &&
        msibuild "$forged/stream.msi" -a ../../../../canary/stream "$forged/data" || exit 1
    cp "$SIGNED/$name.msi" "$forged/action.msi" &&
        (cd "$forged/tables" && msidump -d . -t "$forged/action.msi" >/dev/null) &&
        msibuild "$forged/action.msi" \
            -q "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('Forged', 3106, 'TARGETDIR', 'cmd.exe /c exit')" \
            -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('Forged', 'NOT Installed', 6500)" \
            -a ../CustomAction.idt "$forged/tables/CustomAction.idt" \
            -a ../InstallExecuteSequence.idt "$forged/tables/InstallExecuteSequence.idt" || exit 1
    # OPTIONS|FILE|EXIT STATUS|WHAT THE LINE SAYS AFTER THE FILE'S NAME (a part of it)
    while IFS='|' read -r options file status says; do
        args=()
        case $options in
        signer=*) args=(--signer "${options#signer=}") ;;
        buildinfo=*) args=(--buildinfo "${options#buildinfo=}") ;;
        esac
        TMPDIR="$verify_tmp" "$SOURCE_DIR/tools/verify-package" "${args[@]}" "$file" >"$WORK/verify-package.out" 2>&1
        expect "verify-package ${args[*]} $file: exit status" "$?" "$status"
        grep -qF ": $says" "$WORK/verify-package.out" ||
            fail "verify-package ${args[*]} $file: not '$says': $(cat "$WORK/verify-package.out")"
        # Nothing is left outside or in its temporary folder; one printable line.
        expect "verify-package $file: files left in the canary folder" "$(ls -A "$canary")" ""
        expect "verify-package $file: files left in TMPDIR" "$(ls -A "$verify_tmp")" ""
        rm -rf "$canary" "$verify_tmp" && mkdir "$canary" "$verify_tmp" || exit 1
        [ "$(wc -l <"$WORK/verify-package.out")" -eq 1 ] && ! LC_ALL=C grep -q '[^[:print:]]' "$WORK/verify-package.out" ||
            fail "verify-package $file: not one line of printable characters: $(cat -v "$WORK/verify-package.out")"
    done <<EOF
|$PRODUCT_EXE|0|matches this tree's build, unsigned
|$SIGNED/HotkeySettings.exe|0|matches this tree's build, signed by $signer
|$SIGNED/$name.zip|0|matches this tree's build, its program signed by $signer
|$SIGNED/$name.msi|0|matches this tree's build, signed by $signer, its program too
signer=$CERT|$SIGNED/$name.msi|0|matches this tree's build, signed by $signer, its program too
signer=$forged/other.pem|$SIGNED/HotkeySettings.exe|1|DIFFERS from this tree's build: its signature is not by the given certificate
|$forged/byte.exe|1|DIFFERS from this tree's build: at byte 20001
|$forged/byte.zip|1|DIFFERS from this tree's build: at byte 11
|$forged/byte.msi|1|DIFFERS from this tree's build: at byte 35
|$forged/program.exe|1|DIFFERS from this tree's build: at byte 4097
|$forged/program.msi|1|DIFFERS from this tree's build: its HotkeySettings.exe, at byte 4097
buildinfo=$forged/other.buildinfo|$forged/moved.exe|1|DIFFERS from this tree's build: its signature does not verify
|$forged/policy.zip|1|DIFFERS
|$forged/property.msi|1|DIFFERS
|$forged/traversal.zip|1|DIFFERS
|$forged/links.zip|1|DIFFERS
|$forged/header.zip|1|DIFFERS
|$forged/bzip2.zip|1|DIFFERS from this tree's build: no readable HotkeySettings.exe in it
|$forged/stream.msi|1|DIFFERS
|$forged/action.msi|1|DIFFERS
|$forged/order.msi|1|DIFFERS
|$forged/certificate.msi|1|DIFFERS from this tree's build: its signature carries a certificate that does not verify
|$forged/short.msi|1|DIFFERS
buildinfo=$forged/other.buildinfo|$forged/program.exe|2|could not be compared (this machine's toolchain differs from the one that made it: cmake $cmake_here here, $cmake_here.1 there)
EOF
    finish
    ;;

install)
    while read -r root view name data; do
        w reg add "$root\\Software\\Quillmere\\HotKey" /v "$name" /t REG_DWORD /d "$data" /f /reg:"$view" ||
            { echo "could not set $root $name: $(tr -d '\r' <"$OUT")"; exit 1; }
    done <<<"$REGISTRY_VALUES"
    registry_snapshot >"$WORK/registry.before" || { cat "$WORK/registry.before"; exit 1; }
    while read -r root view name data; do
        awk -v s="[$root $view]" -v n="$name" -v d="0x$data" '/^\[/ { in_s = ($0 == s) } in_s && $1 == n && $3 == d { f = 1 }
            END { exit !f }' "$WORK/registry.before" || { echo "$root $name, just set, is not in the snapshot"; exit 1; }
    done <<<"$REGISTRY_VALUES"

    msiexec /i "$(winpath "$MSI")" /qn
    expect "msiexec /i exit code" "$?" 0
    cmp -s "$INSTALL_DIR/HotkeySettings.exe" "$PACKAGED_PROGRAM" || fail "installed program differs from the packaged one"
    if [ -z "${SIGN_CERT:-}" ]; then
        cmp -s "$INSTALL_DIR/HotkeySettings.exe" "$PRODUCT_EXE" || fail "installed program differs from the built product"
    fi
    diff -r "$INSTALL_DIR/policy" "$SOURCE_DIR/policy" >/dev/null || fail "installed policy templates differ from the sources"
    # With ALLUSERS=1 the shortcut belongs in the common Programs folder;
    # Wine puts it in the user's, which is accepted with a note.
    if [ ! -f "$COMMON_SHORTCUT" ]; then
        if [ -f "$USER_SHORTCUT" ]; then
            echo "NOTE: Wine put the shortcut in the user's Programs folder, not the common one"
        else
            fail "no shortcut in the Start menu"
        fi
    fi
    expect_entry "$VERSION"
    expect_registry_unchanged "the install"
    finish
    ;;

start)
    # The installed program, started from the shortcut's target, shows its
    # dialog, which Esc cancels (harness/show-dialog).
    how=$("$SOURCE_DIR/harness/i686-lane") || { echo "skipped: $how"; exit 77; }
    echo "i686 lane: $how"
    shortcut=$COMMON_SHORTCUT; [ -f "$shortcut" ] || shortcut=$USER_SHORTCUT
    # Debian 13's lnkinfo doubles every backslash, Debian 12's does not.
    target=$(lnkinfo "$shortcut" | sed -n 's/^[[:space:]]*Local path[[:space:]]*: //p' | tr -d '\r' |
        sed 's/\\\\/\\/g')
    expect "shortcut target" "$target" 'C:\Program Files (x86)\Quillmere\Hotkey Settings\HotkeySettings.exe'
    [ -n "$target" ] || finish
    "$SOURCE_DIR/harness/show-dialog" "$target" "$WORK/start.png" >"$WORK/start.out" 2>&1 ||
        fail "the installed program: $(cat "$WORK/start.out")"
    finish
    ;;

upgrade)
    # Each package over the one before: the same again keeps its entry;
    # versions that differ only in the fourth field replace each other, either
    # way; a newer one replaces the product; an older one is refused.
    old_key=$(arp_entries | cut -d'|' -f1)
    while IFS='|' read -r what package status version program; do
        msiexec /i "$(winpath "$package")" /qn
        expect "$what: exit code" "$?" "$status"
        expect_entry "$version"
        cmp -s "$INSTALL_DIR/HotkeySettings.exe" "$program" || fail "$what: the installed program is not $program"
        [ "$what" != "the same package again" ] || expect "$what: entry" "$(arp_entries | cut -d'|' -f1)" "$old_key"
    done <<EOF
the same package again|$MSI|0|$VERSION|$PACKAGED_PROGRAM
package newer in the fourth field|$FOURTH_MSI|0|$FOURTH_VERSION|$FOURTH_PROGRAM
package older in the fourth field|$MSI|0|$VERSION|$PACKAGED_PROGRAM
newer package|$NEWER_MSI|0|$NEWER_VERSION|$NEWER_PROGRAM
older package over the newer|$MSI|$INSTALL_FAILURE|$NEWER_VERSION|$NEWER_PROGRAM
EOF
    [ "$(arp_entries | cut -d'|' -f1)" != "$old_key" ] || fail "the older product code is still installed"
    expect_registry_unchanged "the upgrade"
    finish
    ;;

uninstall)
    msiexec /x "$(winpath "$NEWER_MSI")" /qn
    expect "msiexec /x exit code" "$?" 0
    [ ! -e "$DRIVE_C/Program Files (x86)/Quillmere" ] || fail "the program's folder is still there"
    [ ! -e "$COMMON_SHORTCUT" ] && [ ! -e "$USER_SHORTCUT" ] || fail "the shortcut is still there"
    expect "Add/Remove Programs entries" "$(arp_entries)" ""
    expect_registry_unchanged "the removal"
    finish
    ;;

*)
    echo "usage: installer-test.sh packages|tables|signing|reproducible|verify|install|start|upgrade|uninstall" >&2
    exit 2
    ;;
esac
