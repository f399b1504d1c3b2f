#!/bin/bash
# Prints the registry writes of every policy of an .admx, as the Group Policy
# client makes them for HKEY_LOCAL_MACHINE: the policy's own value and each
# item of its value list, for the enabled and the disabled state. One line a
# write: POLICY STATE KEY VALUE_NAME DECIMAL. Needs xmllint (libxml2-utils).
set -eu
admx=${1:?usage: $0 ADMX}
named() { printf '*[local-name()="%s"]' "$1"; }
attribute() { xmllint --xpath "string($1)" "$admx"; }

policy="//$(named policy)"
count=$(xmllint --xpath "count($policy)" "$admx")
for ((i = 1; i <= count; i++)); do
    at="($policy)[$i]"
    name=$(attribute "$at/@name")
    for state in enabled disabled; do
        value=$(attribute "$at/$(named "${state}Value")/$(named decimal)/@value")
        [ -z "$value" ] || echo "$name $state $(attribute "$at/@key") $(attribute "$at/@valueName") $value"
        items="$at/$(named "${state}List")/$(named item)"
        for ((j = 1; j <= $(xmllint --xpath "count($items)" "$admx"); j++)); do
            item="($items)[$j]"
            key=$(attribute "$item/@key")
            echo "$name $state ${key:-$(attribute "$at/@key")} $(attribute "$item/@valueName")" \
                "$(attribute "$item/$(named value)/$(named decimal)/@value")"
        done
    done
done
