#!/usr/bin/env python3
"""The Group Policy templates, read with Python's XML parser.
  policy-templates.py check POLICY_DIR
      fails, naming file and item, unless the .admx and each language's .adml
      are well-formed, every $(string.ID) and $(presentation.ID) of the .admx
      exists in each language, all languages define the same strings once, and
      the policies write the program's key and value names as machine
      policies, 1 for enabled and 0 for disabled, in both registry views (the
      32-bit one through the value lists).
  policy-templates.py writes ADMX OUT
      writes to OUT each policy's registry writes as the Group Policy client
      makes them, for the enabled and the disabled state, one a line:
      "POLICY STATE KEY NAME DECIMAL".
"""
import glob
import os
import re
import sys
import xml.etree.ElementTree as ET

KEY, WOW64_KEY = "Software\\Quillmere\\HotKey", "Software\\WOW6432Node\\Quillmere\\HotKey"


def writes(admx):
    for policy in ET.parse(admx).getroot().iterfind(".//{*}policy"):
        for state in ("enabled", "disabled"):
            value = policy.find(f"{{*}}{state}Value/{{*}}decimal")
            if value is not None:
                yield policy.get("name"), state, policy.get("key"), policy.get("valueName"), value.get("value")
            for item in policy.findall(f"{{*}}{state}List/{{*}}item"):
                decimal = item.find("{*}value/{*}decimal")
                yield (policy.get("name"), state, item.get("key") or policy.get("key"), item.get("valueName"),
                       None if decimal is None else decimal.get("value"))


def check(folder):
    failures = []
    admx = (glob.glob(os.path.join(folder, "*.admx")) or [os.path.join(folder, "missing.admx")])[0]
    files = [admx] + [os.path.join(folder, language, os.path.basename(admx)[:-5] + ".adml")
                      for language in ("en-US", "ja-JP", "zh-CN")]
    try:
        roots = [ET.parse(f).getroot() for f in files]
    except (OSError, ET.ParseError) as error:
        return [f"not readable, well-formed XML: {error}"]
    references = set(re.findall(r"\$\((string|presentation)\.([A-Za-z0-9_]+)\)", open(admx).read()))
    string_sets = []
    for adml, root in zip(files[1:], roots[1:]):
        ids = {kind: [e.get("id") for e in root.iterfind(".//{*}" + kind)] for kind in ("string", "presentation")}
        failures += [f"{adml}: {kind} '{id}' referenced by the .admx is missing"
                     for kind, id in sorted(references) if id not in ids[kind]]
        if len(set(ids["string"])) != len(ids["string"]):
            failures.append(f"{adml}: a string id is defined twice")
        string_sets.append(sorted(ids["string"]))
    if any(strings != string_sets[0] for strings in string_sets):
        failures.append("the languages define different strings")
    policies = list(roots[0].iterfind(".//{*}policy"))
    if sorted(p.get("valueName") for p in policies) != ["HidePopup", "LockFn", "MakeSounds", "ShowIcon"]:
        failures.append("the policies' value names are not exactly LockFn, MakeSounds, ShowIcon, HidePopup")
    all_writes = set(writes(admx))
    for policy in policies:
        name = policy.get("valueName")
        if policy.get("key") != KEY or policy.get("class") != "Machine":
            failures.append(f"{name}: not a machine policy of {KEY}")
        for state, value in (("enabled", "1"), ("disabled", "0")):
            for key in (KEY, WOW64_KEY):
                if (policy.get("name"), state, key, name, value) not in all_writes:
                    failures.append(f"{name} does not write decimal {value} under {key} when {state}")
    return failures


if __name__ == "__main__":
    if sys.argv[1] == "writes":
        with open(sys.argv[3], "w") as out:
            for write in writes(sys.argv[2]):
                print(*write, file=out)
    else:
        failures = check(sys.argv[2])
        print("\n".join(failures) or "policy templates: OK")
        sys.exit(1 if failures else 0)
