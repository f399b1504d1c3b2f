#!/bin/bash
# Checks the Group Policy templates (ADMX + ADML) of Hotkey Settings.
#
# Usage: check-policy-templates.sh POLICY_DIR
#
# POLICY_DIR holds exactly one .admx file and, for each language below, a
# LANG/<same base name>.adml file. The script exits nonzero and names the file
# and the item at fault unless:
#   - every .admx/.adml below POLICY_DIR is well-formed UTF-8 XML with an XML
#     declaration, in the PolicyDefinitions namespace, with the attributes and
#     elements Group Policy needs (revision, schemaVersion, target namespace,
#     resources, stringTable, presentationTable, ...);
#   - every $(string.ID) and $(presentation.ID) the .admx references is defined
#     in every .adml, no .adml defines an id the others lack, and no id is
#     defined twice;
#   - every category and supportedOn reference resolves;
#   - the policies are class="Machine", key="Software\Quillmere\HotKey", one
#     per value name LockFn, MakeSounds, ShowIcon, HidePopup, each with
#     enabledValue decimal 1 and disabledValue decimal 0.
# Needs xmllint (Debian package libxml2-utils).
set -eu

LANGUAGES=(en-US ja-JP zh-CN)
EXPECTED_KEY='Software\Quillmere\HotKey'
EXPECTED_VALUE_NAMES=(HidePopup LockFn MakeSounds ShowIcon)
XML_DECL_RE='^<\?xml version="1\.0" encoding="utf-8"\?>'
POLICY_NS='http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions'

me=check-policy-templates
errors=0

fail() {
    printf '%s: FAIL: %s\n' "$me" "$*" >&2
    errors=$((errors + 1))
}

die() {
    printf '%s: FAIL: %s\n' "$me" "$*" >&2
    exit 1
}

# Element step that ignores namespaces: el policy -> *[local-name()="policy"]
el() {
    printf '*[local-name()="%s"]' "$1"
}

# xp FILE EXPR: prints the result of an XPath expression (use string(),
# count(), ... so that the result is a single value).
xp() {
    local out rc
    out=$(xmllint --xpath "$2" "$1" 2>/dev/null) && rc=0 || rc=$?
    # 10 is xmllint's "XPath set is empty", i.e. nothing found.
    if [ "$rc" -ne 0 ] && [ "$rc" -ne 10 ]; then
        die "$1: xmllint could not evaluate $2 (exit $rc)"
    fi
    printf '%s' "$out"
}

if [ $# -ne 1 ]; then
    echo "usage: $0 POLICY_DIR" >&2
    exit 2
fi
dir=${1%/}
[ -d "$dir" ] || die "$dir: no such directory"
command -v xmllint >/dev/null 2>&1 || die "xmllint not found (install libxml2-utils)"

# --- Files present ----------------------------------------------------------

admx_files=()
while IFS= read -r f; do
    admx_files+=("$f")
done < <(find "$dir" -maxdepth 1 -type f -name '*.admx' | sort)
[ ${#admx_files[@]} -eq 1 ] ||
    die "$dir: expected exactly one .admx file, found ${#admx_files[@]}"
admx=${admx_files[0]}
base=$(basename "$admx" .admx)

declare -A adml
for lang in "${LANGUAGES[@]}"; do
    adml[$lang]="$dir/$lang/$base.adml"
    [ -f "${adml[$lang]}" ] || fail "${adml[$lang]}: missing (language $lang)"
done
[ "$errors" -eq 0 ] || exit 1

# --- Well-formed XML --------------------------------------------------------

while IFS= read -r f; do
    first=$(head -n 1 "$f" | sed $'s/^\xEF\xBB\xBF//')
    if ! [[ ${first,,} =~ $XML_DECL_RE ]]; then
        fail "$f: first line is not an XML declaration with encoding=\"utf-8\""
    fi
    if ! msg=$(xmllint --noout "$f" 2>&1); then
        fail "$f: not well-formed XML: $(printf '%s' "$msg" | head -n 3)"
    fi
done < <(find "$dir" -type f \( -name '*.admx' -o -name '*.adml' \) | sort)
[ "$errors" -eq 0 ] || exit 1

# --- Document structure -----------------------------------------------------

check_root() {  # FILE ROOT_NAME
    local name ns
    name=$(xp "$1" 'local-name(/*)')
    ns=$(xp "$1" 'namespace-uri(/*)')
    [ "$name" = "$2" ] || fail "$1: root element is <$name>, expected <$2>"
    [ "$ns" = "$POLICY_NS" ] || fail "$1: root element namespace is '$ns', expected '$POLICY_NS'"
    for attr in revision schemaVersion; do
        [ -n "$(xp "$1" "string(/*/@$attr)")" ] || fail "$1: root element lacks the $attr attribute"
    done
}

check_root "$admx" policyDefinitions
P="/$(el policyDefinitions)"
target_prefix=$(xp "$admx" "string($P/$(el policyNamespaces)/$(el target)/@prefix)")
target_ns=$(xp "$admx" "string($P/$(el policyNamespaces)/$(el target)/@namespace)")
if [ -z "$target_prefix" ] || [ -z "$target_ns" ]; then
    fail "$admx: policyNamespaces/target with prefix and namespace is missing"
fi
[ -n "$(xp "$admx" "string($P/$(el resources)/@minRequiredRevision)")" ] ||
    fail "$admx: resources element with minRequiredRevision is missing"

declare -A using_prefix=()
n=$(xp "$admx" "count($P/$(el policyNamespaces)/$(el using))")
for ((i = 1; i <= n; i++)); do
    p=$(xp "$admx" "string(($P/$(el policyNamespaces)/$(el using))[$i]/@prefix)")
    [ -n "$(xp "$admx" "string(($P/$(el policyNamespaces)/$(el using))[$i]/@namespace)")" ] ||
        fail "$admx: policyNamespaces/using prefix '$p' has no namespace"
    using_prefix[$p]=1
done

for lang in "${LANGUAGES[@]}"; do
    f=${adml[$lang]}
    check_root "$f" policyDefinitionResources
    R="/$(el policyDefinitionResources)"
    for item in displayName description; do
        [ "$(xp "$f" "count($R/$(el $item))")" = 1 ] || fail "$f: <$item> is missing"
    done
    for item in stringTable presentationTable; do
        [ "$(xp "$f" "count($R/$(el resources)/$(el $item))")" = 1 ] ||
            fail "$f: resources/<$item> is missing"
    done
done

# --- Category and supportedOn references -------------------------------------

# Both tables are read through the nameref in check_ref.
declare -A category=() supported_def=()
n=$(xp "$admx" "count($P/$(el categories)/$(el category))")
for ((i = 1; i <= n; i++)); do
    # shellcheck disable=SC2034
    category[$(xp "$admx" "string(($P/$(el categories)/$(el category))[$i]/@name)")]=1
done
n=$(xp "$admx" "count($P/$(el supportedOn)/$(el definitions)/$(el definition))")
for ((i = 1; i <= n; i++)); do
    # shellcheck disable=SC2034
    supported_def[$(xp "$admx" "string(($P/$(el supportedOn)/$(el definitions)/$(el definition))[$i]/@name)")]=1
done

# check_ref WHAT WHO REF LOCAL_TABLE_NAME
check_ref() {
    local what=$1 who=$2 ref=$3 table=$4 prefix name
    if [ -z "$ref" ]; then
        fail "$admx: $who has no $what reference"
        return
    fi
    if [[ $ref == *:* ]]; then
        prefix=${ref%%:*}
        name=${ref#*:}
        if [ "$prefix" = "$target_prefix" ]; then
            ref=$name
        else
            [ -n "${using_prefix[$prefix]:-}" ] ||
                fail "$admx: $who: $what '$3' uses prefix '$prefix', which no policyNamespaces/using declares"
            return
        fi
    fi
    local -n tbl=$table
    [ -n "${tbl[$ref]:-}" ] || fail "$admx: $who: $what '$3' is not defined in this file"
}

n=$(xp "$admx" "count($P/$(el categories)/$(el category)/$(el parentCategory))")
for ((i = 1; i <= n; i++)); do
    node="($P/$(el categories)/$(el category)/$(el parentCategory))[$i]"
    check_ref parentCategory "category '$(xp "$admx" "string($node/../@name)")'" \
        "$(xp "$admx" "string($node/@ref)")" category
done

# --- $(string.ID) and $(presentation.ID) references ---------------------------

declare -A ref_string=() ref_presentation=()
# shellcheck disable=SC2016 # a literal $( in the XPath
n=$(xp "$admx" 'count(//@*[contains(., "$(")])')
for ((i = 1; i <= n; i++)); do
    v=$(xp "$admx" "string((//@*[contains(., \"\$(\")])[$i])")
    a=$(xp "$admx" "name((//@*[contains(., \"\$(\")])[$i])")
    if [[ $v =~ ^\$\((string|presentation)\.([A-Za-z0-9_.-]+)\)$ ]]; then
        if [ "${BASH_REMATCH[1]}" = string ]; then
            ref_string[${BASH_REMATCH[2]}]=1
        else
            ref_presentation[${BASH_REMATCH[2]}]=1
        fi
    else
        fail "$admx: attribute $a=\"$v\" is not a \$(string.ID) or \$(presentation.ID) reference"
    fi
done
[ ${#ref_string[@]} -gt 0 ] || fail "$admx: references no \$(string.ID) at all"

# ids KIND FILE: prints the ids of <string> or <presentation> elements, one a
# line, and reports duplicates.
ids() {
    local kind=$1 f=$2 m j id
    local -A seen=()
    m=$(xp "$f" "count(//$(el "$kind"))")
    for ((j = 1; j <= m; j++)); do
        id=$(xp "$f" "string((//$(el "$kind"))[$j]/@id)")
        if [ -z "$id" ]; then
            fail "$f: <$kind> number $j has no id"
        elif [ -n "${seen[$id]:-}" ]; then
            fail "$f: $kind id '$id' is defined more than once"
        else
            seen[$id]=1
            printf '%s\n' "$id"
        fi
    done
}

for kind in string presentation; do
    declare -A defined=() union=() origin=()
    for lang in "${LANGUAGES[@]}"; do
        f=${adml[$lang]}
        # ids() runs in the main shell (not a subshell) so that its fail()
        # calls count; its output goes through a temporary file.
        tmp=$(mktemp)
        ids "$kind" "$f" >"$tmp"
        while IFS= read -r id; do
            defined["$lang/$id"]=1
            union[$id]=1
            origin[$id]=${origin[$id]:-$f}
        done <"$tmp"
        rm -f "$tmp"
    done
    if [ "$kind" = string ]; then
        refs=("${!ref_string[@]}")
    else
        refs=("${!ref_presentation[@]}")
    fi
    for lang in "${LANGUAGES[@]}"; do
        f=${adml[$lang]}
        for id in "${refs[@]}"; do
            [ -n "${defined["$lang/$id"]:-}" ] ||
                fail "$f: <$kind id=\"$id\"> is missing (referenced by $admx as \$($kind.$id))"
        done
        for id in "${!union[@]}"; do
            [ -n "${defined["$lang/$id"]:-}" ] ||
                fail "$f: <$kind id=\"$id\"> is missing (defined in ${origin[$id]}; all languages must define the same ids)"
        done
    done
    unset defined union origin
done

# --- Policies -----------------------------------------------------------------

# check_value FILE WHO ELEMENT EXPECTED NODE
check_value() {
    local f=$1 who=$2 elem=$3 want=$4 node=$5 count kind value
    count=$(xp "$f" "count($node/$(el "$elem"))")
    if [ "$count" != 1 ]; then
        fail "$f: $who: <$elem> is missing (expected <decimal value=\"$want\"/>)"
        return
    fi
    count=$(xp "$f" "count($node/$(el "$elem")/*)")
    kind=$(xp "$f" "local-name($node/$(el "$elem")/*[1])")
    value=$(xp "$f" "string($node/$(el "$elem")/*[1]/@value)")
    if [ "$count" != 1 ] || [ "$kind" != decimal ] || [ "$value" != "$want" ]; then
        fail "$f: $who: <$elem> must hold exactly <decimal value=\"$want\"/>, found $count element(s), first <$kind value=\"$value\">"
    fi
}

npolicies=$(xp "$admx" "count($P/$(el policies)/$(el policy))")
[ "$(xp "$admx" "count(//$(el policy))")" = "$npolicies" ] ||
    fail "$admx: <policy> elements found outside policyDefinitions/policies"
declare -A policy_name=()
value_names=()
for ((i = 1; i <= npolicies; i++)); do
    node="($P/$(el policies)/$(el policy))[$i]"
    name=$(xp "$admx" "string($node/@name)")
    who="policy '$name'"
    if [ -z "$name" ]; then
        who="policy number $i"
        fail "$admx: $who has no name"
    elif [ -n "${policy_name[$name]:-}" ]; then
        fail "$admx: $who: policy name used more than once"
    fi
    policy_name[$name]=1

    class=$(xp "$admx" "string($node/@class)")
    [ "$class" = Machine ] || fail "$admx: $who: class is '$class', expected 'Machine'"

    key=$(xp "$admx" "string($node/@key)")
    [ "$key" = "$EXPECTED_KEY" ] || fail "$admx: $who: key is '$key', expected '$EXPECTED_KEY'"

    value_name=$(xp "$admx" "string($node/@valueName)")
    [ -n "$value_name" ] || fail "$admx: $who: valueName is missing"
    value_names+=("$value_name")

    for attr in displayName explainText; do
        [ -n "$(xp "$admx" "string($node/@$attr)")" ] || fail "$admx: $who: $attr is missing"
    done

    check_ref parentCategory "$who" "$(xp "$admx" "string($node/$(el parentCategory)/@ref)")" category
    check_ref supportedOn "$who" "$(xp "$admx" "string($node/$(el supportedOn)/@ref)")" supported_def
    check_value "$admx" "$who" enabledValue 1 "$node"
    check_value "$admx" "$who" disabledValue 0 "$node"
done

found=$(printf '%s\n' "${value_names[@]+"${value_names[@]}"}" | LC_ALL=C sort | tr '\n' ' ')
found=${found% }
expected=$(printf '%s\n' "${EXPECTED_VALUE_NAMES[@]}" | LC_ALL=C sort | tr '\n' ' ')
expected=${expected% }
[ "$found" = "$expected" ] ||
    fail "$admx: policy valueNames are [$found], expected exactly one policy each for [$expected]"

if [ "$errors" -ne 0 ]; then
    printf '%s: %d problem(s) found in %s\n' "$me" "$errors" "$dir" >&2
    exit 1
fi
echo "policy templates: OK ($npolicies policies, ${#LANGUAGES[@]} languages)"
