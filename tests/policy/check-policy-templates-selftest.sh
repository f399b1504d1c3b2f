#!/bin/bash
# Proves that check-policy-templates.sh catches faults in the policy templates.
#
# Usage: check-policy-templates-selftest.sh [POLICY_DIR]
#   (default: the policy directory of this repository)
#
# The checker must pass on an unmodified copy of POLICY_DIR. Then, for each
# entry of the table below, a fresh copy gets one fault (a perl edit applied to
# the listed files, or the deletion of a file) and the checker must fail with a
# message that contains the expected text, so that a fault is not counted as
# caught when the checker stops for some other reason.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
checker="$here/check-policy-templates.sh"
src=${1:-"$here/../../policy"}
[ -d "$src" ] || { echo "selftest: no policy directory at $src" >&2; exit 1; }

admx="QuillmereHotkey.admx"
en="en-US/QuillmereHotkey.adml"
ja="ja-JP/QuillmereHotkey.adml"
zh="zh-CN/QuillmereHotkey.adml"

# Table: description | files (space-separated, relative to the policy dir) |
#        edit (perl -0pi expression, or DELETE to remove the files) |
#        text the checker's output must contain.
# Edits without /g change only the first match, i.e. one policy.
# The perl edits are single-quoted on purpose: $1 and $( are perl, not shell.
# shellcheck disable=SC2016
faults=(
    "string deleted from ja-JP"
    "$ja"
    's{\s*<string id="ShowIcon_Help">.*?</string>}{}s'
    "$ja: <string id=\"ShowIcon_Help\"> is missing"

    "display name string deleted from all languages"
    "$en $ja $zh"
    's{\s*<string id="HidePopup">.*?</string>}{}s'
    "<string id=\"HidePopup\"> is missing (referenced by"

    "extra string only in zh-CN"
    "$zh"
    's{(<stringTable>)}{$1<string id="Extra">x</string>}'
    "$en: <string id=\"Extra\"> is missing (defined in"

    "string id defined twice in en-US"
    "$en"
    's{(<stringTable>)}{$1<string id="LockFn">again</string>}'
    "string id 'LockFn' is defined more than once"

    "explainText refers to an undefined string"
    "$admx"
    's{\$\(string\.LockFn_Help\)}{\$(string.LockFn_Explain)}'
    "<string id=\"LockFn_Explain\"> is missing"

    "malformed reference in displayName"
    "$admx"
    's{displayName="\$\(string\.MakeSounds\)"}{displayName="\$(strings.MakeSounds)"}'
    'is not a $(string.ID) or $(presentation.ID) reference'

    "valueName LockFn spelled LockFN"
    "$admx"
    's{valueName="LockFn"}{valueName="LockFN"}'
    "valueNames are [HidePopup LockFN MakeSounds ShowIcon]"

    "two policies write the same valueName"
    "$admx"
    's{valueName="ShowIcon"}{valueName="MakeSounds"}'
    "valueNames are [HidePopup LockFn MakeSounds MakeSounds]"

    "HidePopup policy removed"
    "$admx"
    's{\s*<policy name="HidePopup".*?</policy>}{}s'
    "valueNames are [LockFn MakeSounds ShowIcon]"

    "key changed to another path"
    "$admx"
    's{key="Software\\Quillmere\\HotKey"}{key="Software\\Policies\\Quillmere\\HotKey"}'
    "key is 'Software\\Policies\\Quillmere\\HotKey', expected 'Software\\Quillmere\\HotKey'"

    "key differs in case"
    "$admx"
    's{key="Software\\Quillmere\\HotKey"}{key="Software\\Quillmere\\Hotkey"}'
    "key is 'Software\\Quillmere\\Hotkey'"

    "class User instead of Machine"
    "$admx"
    's{class="Machine"}{class="User"}'
    "class is 'User', expected 'Machine'"

    "enabledValue 2"
    "$admx"
    's{(<enabledValue>\s*<decimal value=")1"}{${1}2"}'
    "<enabledValue> must hold exactly <decimal value=\"1\"/>"

    "disabledValue 1"
    "$admx"
    's{(<disabledValue>\s*<decimal value=")0"}{${1}1"}'
    "<disabledValue> must hold exactly <decimal value=\"0\"/>"

    "enabledValue as a string instead of a decimal"
    "$admx"
    's{(<enabledValue>\s*)<decimal value="1" />}{$1<string>1</string>}'
    "first <string value=\"\">"

    "disabledValue missing"
    "$admx"
    's{\s*<disabledValue>.*?</disabledValue>}{}s'
    "<disabledValue> is missing"

    "presentation referenced, missing from ja-JP only"
    "$admx $en $zh"
    's{(valueName="LockFn")}{$1 presentation="\$(presentation.LockFn_Pres)"}; s{<presentationTable\s*/>}{<presentationTable><presentation id="LockFn_Pres" /></presentationTable>}'
    "$ja: <presentation id=\"LockFn_Pres\"> is missing (referenced by"

    "presentationTable missing from en-US"
    "$en"
    's{\s*<presentationTable\s*/>}{}'
    "$en: resources/<presentationTable> is missing"

    "parentCategory refers to an undefined category"
    "$admx"
    's{(<policy name="ShowIcon".*?<parentCategory ref=")HotkeySettings}{${1}Hotkeys}s'
    "parentCategory 'Hotkeys' is not defined"

    "supportedOn uses an undeclared namespace prefix"
    "$admx"
    's{ref="windows:SUPPORTED_WindowsVista"}{ref="win:SUPPORTED_WindowsVista"}'
    "uses prefix 'win', which no policyNamespaces/using declares"

    "resources minRequiredRevision missing"
    "$admx"
    's{<resources minRequiredRevision="1.0" />}{<resources />}'
    "minRequiredRevision is missing"

    "wrong XML namespace"
    "$admx"
    's{xmlns="http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}{xmlns="urn:example"}'
    "root element namespace is 'urn:example'"

    "XML broken in the admx"
    "$admx"
    's{</policies>}{}'
    "$admx: not well-formed XML"

    "XML broken in zh-CN"
    "$zh"
    's{</stringTable>}{</stringtable>}'
    "$zh: not well-formed XML"

    "XML declaration missing in ja-JP"
    "$ja"
    's{\A<\?xml[^>]*>\s*}{}'
    "$ja: first line is not an XML declaration"

    "zh-CN template deleted"
    "$zh"
    DELETE
    "$zh: missing (language zh-CN)"
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
ok() { passed=$((passed + 1)); printf 'ok   %s\n' "$1"; }
bad() { failed=$((failed + 1)); printf 'FAIL %s\n' "$1"; shift; printf '     %s\n' "$@"; }

# run_checker DIR: sets $out (checker output, both streams) and $rc.
run_checker() {
    out=$(bash "$checker" "$1" 2>&1) && rc=0 || rc=$?
}

copy="$work/unmodified"
cp -R "$src" "$copy"
run_checker "$copy"
if [ "$rc" -eq 0 ] && [[ $out == *"policy templates: OK"* ]]; then
    ok "unmodified templates pass"
else
    bad "unmodified templates pass" "checker exit $rc, output:" "$out"
fi

for ((i = 0; i < ${#faults[@]}; i += 4)); do
    desc=${faults[i]}
    files=${faults[i + 1]}
    edit=${faults[i + 2]}
    expect=${faults[i + 3]}
    case_dir="$work/case$((i / 4))"
    cp -R "$src" "$case_dir"

    applied=yes
    for f in $files; do
        if [ "$edit" = DELETE ]; then
            rm "$case_dir/$f"
            continue
        fi
        cp "$case_dir/$f" "$work/before"
        perl -0pi -e "$edit" "$case_dir/$f"
        if cmp -s "$work/before" "$case_dir/$f"; then
            applied=no
            bad "$desc" "the edit did not change $f; the table entry no longer matches the templates"
        fi
    done
    [ "$applied" = yes ] || continue

    # The fault must show as the item the checker names; pass the same
    # relative paths by running it from inside the copy.
    out=$(cd "$case_dir" && bash "$checker" . 2>&1) && rc=0 || rc=$?
    if [ "$rc" -eq 0 ]; then
        bad "$desc" "checker passed; it should have failed"
    elif [[ $out != *"$expect"* ]]; then
        bad "$desc" "checker failed (exit $rc) but its output lacks: $expect" "output:" "$out"
    else
        ok "$desc"
    fi
done

total=$((passed + failed))
echo "policy template checker selftest: $passed/$total cases passed"
[ "$failed" -eq 0 ]
