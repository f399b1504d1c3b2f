#!/bin/bash
# Proves that check-policy-templates.sh fails on broken copies of the templates:
# usage check-policy-templates-selftest.sh POLICY_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source_dir=${1:?usage: $0 POLICY_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What is broken | file below the policy folder | perl edit of that file
faults=(
    "string missing in Japanese|ja-JP/QuillmereHotkey.adml|s/<string id=\"LockFn\">.*?<\/string>//s"
    "XML broken|zh-CN/QuillmereHotkey.adml|s/<\/stringTable>//"
    "value name misspelt|QuillmereHotkey.admx|s/valueName=\"LockFn\"/valueName=\"LockFN\"/"
    "another key|QuillmereHotkey.admx|s/key=\"Software\\\\Quillmere\\\\HotKey\"/key=\"Software\\\\Quillmere\"/"
    "user policy|QuillmereHotkey.admx|s/class=\"Machine\"/class=\"User\"/"
    "enabled writes 2|QuillmereHotkey.admx|s/(<enabledValue>\s*<decimal value=\")1/\${1}2/"
    "no 32-bit view when enabled|QuillmereHotkey.admx|s/<enabledList>.*?<\/enabledList>//s"
    "32-bit view under another name|QuillmereHotkey.admx|s/(<disabledList>\s*<item [^>]*valueName=\")LockFn/\${1}Lock/"
    "presentation missing|QuillmereHotkey.admx|s/(<policy [^>]*)>/\$1 presentation=\"\\\$(presentation.Missing)\">/"
)

run_checker() { bash "$here/check-policy-templates.sh" "$1" >/dev/null 2>&1; }

cp -r "$source_dir" "$work/clean"
run_checker "$work/clean" || { echo "selftest: the unmodified templates fail" >&2; exit 1; }
failures=0
for fault in "${faults[@]}"; do
    IFS='|' read -r what file edit <<<"$fault"
    rm -rf "$work/broken"
    cp -r "$source_dir" "$work/broken"
    perl -0pi -e "$edit" "$work/broken/$file"
    if cmp -s "$source_dir/$file" "$work/broken/$file"; then
        echo "selftest: '$what' changed nothing" >&2; failures=$((failures + 1))
    elif run_checker "$work/broken"; then
        echo "selftest: '$what' was not caught" >&2; failures=$((failures + 1))
    else
        echo "ok   $what"
    fi
done
[ "$failures" -eq 0 ] || exit 1
echo "policy checker selftest: ${#faults[@]} faults caught"
