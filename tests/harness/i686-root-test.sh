#!/bin/sh
# Checks harness/i686-root, the set-up of the emulated i686 lane's root.
# Usage: i686-root-test.sh CASE, with CASE one of
#   faulty-mirror   a whole set-up through a local mirror that forwards to the
#                   host's Debian archive but serves one index cut short and
#                   one package first with 503: the set-up says that it goes
#                   on without that index's suite, fetches the package again,
#                   and completes. Skipped (77) where the archive cannot be
#                   reached at all.
#   foreign-folder  a folder the set-up did not make, holding someone's file
#                   and a planted root that looks ready: refused by setup and
#                   dir alike, in one line, and nothing in it is run, changed
#                   or removed.
# Environment (set by CMake): SOURCE_DIR, WORK (this test's folder).
set -u
: "${SOURCE_DIR:?}" "${WORK:?}"
setup_script=$SOURCE_DIR/harness/i686-root

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { # expect WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"
}
finish() { [ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }; exit 0; }

# The root's folder must have a plain path (i686-root takes no other); under
# a build tree whose path has spaces, a temporary one stands in.
folder_for() {
    case "$WORK" in
    *[!A-Za-z0-9/._+-]*) mktemp -d "/tmp/i686-root-test.XXXXXX" ;;
    *) rm -rf "$WORK/folder" && mkdir -p "$WORK/folder" && echo "$WORK/folder" ;;
    esac
}

case "${1:-}" in
faulty-mirror)
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    targets=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Origin: Debian' 'Created-By: Packages' | grep -E '^https?://' | sort -u)
    # The suite whose index is cut short: one beside the release, which the
    # root can do without.
    for suite in "$codename-updates" "$codename-security" ''; do
        echo "$targets" | awk -v s="$suite" '$2 == s { found = 1 } END { exit !found }' && break
    done
    [ -n "$suite" ] || { echo "skipped: this host's apt names no $codename-updates or $codename-security to cut short"; exit 77; }
    read -r uri _ component <<EOF
$(echo "$targets" | awk -v s="$suite" '$2 == s' | head -1)
EOF
    host=$(echo "$uri" | sed 's|^\(https\{0,1\}://[^/]*\).*|\1|')
    path=/${uri#"$host"/}
    cut_short=${path%/}/dists/$suite/$component/binary-i386/

    folder=$(folder_for) || exit 1
    [ "$folder" = "$WORK/folder" ] || trap 'rm -rf "$folder"' EXIT
    log=$WORK/mirror.log port_file=$WORK/mirror.port
    rm -f "$log" "$port_file"
    python3 "$(dirname "$0")/faulty-mirror.py" "$host" "$cut_short" wine32 "$port_file" "$log" &
    server=$!
    trap 'kill $server 2>/dev/null; [ "$folder" = "$WORK/folder" ] || rm -rf "$folder"' EXIT
    # It writes the port once it listens.
    tries=0
    while [ ! -s "$port_file" ] && kill -0 $server 2>/dev/null && [ $tries -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    [ -s "$port_file" ] || { echo "the local mirror did not start"; exit 1; }
    export HOTKEY_I686_MIRROR="http://127.0.0.1:$(cat "$port_file")" HOTKEY_I686_ROOT="$folder/i386"

    "$setup_script" setup >"$WORK/setup.out" 2>&1
    status=$?
    cat "$WORK/setup.out"
    if [ $status -ne 0 ] && [ -s "$log" ] && ! grep -qv '^502 ' "$log"; then
        echo "skipped: the Debian archive ($host) cannot be reached from here"
        exit 77
    fi
    expect "set-up's exit status" "$status" 0
    expect "the root it set up" "$("$setup_script" dir)" "$folder/i386/root"
    expect "lines saying the suite with the short index was left out" \
        "$(grep -c "^i686-root: going on without the suite $suite, as .*$cut_short" "$WORK/setup.out")" 1
    expect "answers to the wine32 package" \
        "$(grep '/wine32_[^/]*\.deb$' "$log" | cut -d' ' -f1 | tr '\n' ' ')" "503 200 "
    # The root is large; the outputs stay for a look.
    rm -rf "$folder/i386"
    finish
    ;;

foreign-folder)
    folder=$(folder_for) || exit 1
    [ "$folder" = "$WORK/folder" ] || trap 'rm -rf "$folder"' EXIT
    export HOTKEY_I686_ROOT="$folder/i386"
    # Someone's folder with a file of theirs and a root that looks ready, whose
    # Wine would leave a trace if it were run.
    mkdir -p "$HOTKEY_I686_ROOT/root/usr/lib/wine" "$HOTKEY_I686_ROOT/apt" || exit 1
    echo "not the set-up's" >"$HOTKEY_I686_ROOT/notes.txt"
    stamp="layout 1, wine64 $(dpkg-query -W -f='${Version}' wine64)"
    echo "$stamp" >"$HOTKEY_I686_ROOT/root/.ready"
    printf '#!/bin/sh\ntouch "%s"\n' "$folder/run" >"$HOTKEY_I686_ROOT/root/usr/lib/wine/wine"
    chmod +x "$HOTKEY_I686_ROOT/root/usr/lib/wine/wine"
    before=$(cd "$folder" && find . -exec ls -ld --time-style=full-iso {} + | sort)

    for command in setup dir; do
        "$setup_script" "$command" >"$WORK/$command.out" 2>&1
        expect "i686-root $command: exit status" "$?" 1
        expect "i686-root $command: lines" "$(wc -l <"$WORK/$command.out")" 1
        grep -q "refusing the i686 root's folder: .*was not made by this set-up" "$WORK/$command.out" ||
            fail "i686-root $command: no refusal: $(cat "$WORK/$command.out")"
        expect "i686-root $command: the folder afterwards" \
            "$(cd "$folder" && find . -exec ls -ld --time-style=full-iso {} + | sort)" "$before"
    done
    HOTKEY_I686_ROOT="$HOTKEY_I686_ROOT" HOTKEY_I686_EMULATE=1 "$SOURCE_DIR/harness/wine-i686" cmd /c exit \
        >"$WORK/wine-i686.out" 2>&1
    expect "wine-i686 with the planted root: exit status" "$?" 126
    [ ! -e "$folder/run" ] || fail "the planted root's wine was run"
    finish
    ;;

*)
    echo "usage: i686-root-test.sh faulty-mirror|foreign-folder" >&2
    exit 2
    ;;
esac
