#!/bin/bash
# Checks the Group Policy templates: usage check-policy-templates.sh POLICY_DIR
# Fails, naming file and item, unless every .admx/.adml is well-formed XML,
# every $(string.ID) and $(presentation.ID) of the .admx exists in each
# language, all languages define the same strings, and the policies write the
# program's key and value names as machine policies with 1 for enabled, 0 for
# disabled, in both registry views (the 32-bit one through the value lists). Needs xmllint (libxml2-utils).
set -eu
dir=${1:?usage: $0 POLICY_DIR}
languages=(en-US ja-JP zh-CN)
errors=0
fail() { echo "check-policy-templates: $*" >&2; errors=$((errors + 1)); }
# Values of an XPath expression, one per line; namespaces are ignored by
# matching local names.
values() { xmllint --xpath "$2" "$1" 2>/dev/null | sed -E 's/^[^"]*"([^"]*)"$/\1/' | tr -s ' ' '\n' | sed '/^$/d' || true; }

admx=$(ls "$dir"/*.admx 2>/dev/null | head -n 1)
[ -n "$admx" ] || { fail "$dir: no .admx file"; exit 1; }
base=$(basename "$admx" .admx)
files=("$admx")
for language in "${languages[@]}"; do files+=("$dir/$language/$base.adml"); done
for file in "${files[@]}"; do
    [ -f "$file" ] || { fail "$file: missing"; continue; }
    xmllint --noout "$file" 2>/dev/null || fail "$file: not well-formed XML"
done
[ "$errors" -eq 0 ] || exit 1

# References of the .admx, e.g. $(string.LockFn) in displayName or explainText.
references=$(grep -oE '\$\((string|presentation)\.[A-Za-z0-9_]+\)' "$admx" | sort -u)
first_strings=""
for language in "${languages[@]}"; do
    adml="$dir/$language/$base.adml"
    strings=$(values "$adml" '//*[local-name()="stringTable"]/*[local-name()="string"]/@id' | sort)
    presentations=$(values "$adml" '//*[local-name()="presentationTable"]/*[local-name()="presentation"]/@id' | sort)
    for reference in $references; do
        kind=${reference#\$(}; kind=${kind%%.*}; id=${reference#*.}; id=${id%)}
        list=$strings; [ "$kind" = presentation ] && list=$presentations
        grep -qx "$id" <<<"$list" || fail "$adml: $kind '$id' referenced by $base.admx is missing"
    done
    [ -z "$(uniq -d <<<"$strings")" ] || fail "$adml: a string id is defined twice"
    if [ -z "$first_strings" ]; then first_strings=$strings
    elif [ "$strings" != "$first_strings" ]; then fail "$adml: strings differ from ${languages[0]}"; fi
done

policy='//*[local-name()="policy"]'
wow64_key='Software\WOW6432Node\Quillmere\HotKey'
count=$(xmllint --xpath "count($policy)" "$admx")
[ "$(values "$admx" "$policy/@valueName" | sort | tr '\n' ' ')" = "HidePopup LockFn MakeSounds ShowIcon " ] ||
    fail "$admx: the policies' value names are not exactly LockFn, MakeSounds, ShowIcon, HidePopup"
for ((i = 1; i <= count; i++)); do
    at="($policy)[$i]"
    name=$(values "$admx" "$at/@valueName")
    [ "$(values "$admx" "$at/@key")" = 'Software\Quillmere\HotKey' ] || fail "$admx: $name has another key"
    [ "$(values "$admx" "$at/@class")" = Machine ] || fail "$admx: $name is not a machine policy"
    [ "$(values "$admx" "$at/*[local-name()=\"enabledValue\"]/*[local-name()=\"decimal\"]/@value")" = 1 ] ||
        fail "$admx: $name does not write decimal 1 when enabled"
    [ "$(values "$admx" "$at/*[local-name()=\"disabledValue\"]/*[local-name()=\"decimal\"]/@value")" = 0 ] ||
        fail "$admx: $name does not write decimal 0 when disabled"
    # The same value where the 32-bit program reads it on 64-bit Windows.
    for state in enabled:1 disabled:0; do
        item="$at/*[local-name()=\"${state%:*}List\"]/*[local-name()=\"item\"]"
        item="$item[@key=\"$wow64_key\" and @valueName=\"$name\"]"
        [ "$(values "$admx" "$item/*[local-name()=\"value\"]/*[local-name()=\"decimal\"]/@value")" = "${state#*:}" ] ||
            fail "$admx: $name does not write decimal ${state#*:} under $wow64_key when ${state%:*}"
    done
done
[ "$errors" -eq 0 ] || exit 1
echo "policy templates: OK ($count policies, ${#languages[@]} languages)"
