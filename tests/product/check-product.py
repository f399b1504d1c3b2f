#!/usr/bin/python3
"""The i686 product as files.
  check-product.py manifest MANIFEST
      the application manifest the build embeds (the product image tests
      check that the embedded one is this file): each element found only
      under its parents and in its namespace, with its value
  check-product.py image OBJDUMP EXE MAX_SIZE
      its PE headers and imports, as objdump prints them: a PE32 Windows GUI
      program, DYNAMIC_BASE, NX_COMPAT, TERMINAL_SERVICE_AWARE, only Windows
      system DLLs imported (no C++ runtime, libgcc or winpthread), at most
      MAX_SIZE bytes
"""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

def manifest(path):
    failures = []
    ns = {"asm": "urn:schemas-microsoft-com:asm.v1", "asm3": "urn:schemas-microsoft-com:asm.v3",
          "ws2005": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
          "ws2016": "http://schemas.microsoft.com/SMI/2016/WindowsSettings",
          "compat": "urn:schemas-microsoft-com:compatibility.v1"}
    root = ET.parse(path).getroot()
    identity = "asm:dependency/asm:dependentAssembly/asm:assemblyIdentity"
    level = "asm3:trustInfo/asm3:security/asm3:requestedPrivileges/asm3:requestedExecutionLevel"
    settings = "asm3:application/asm3:windowsSettings"
    # Path below the assembly, attribute (None: the element's text), value.
    expected = [(".", "manifestVersion", "1.0"), ("asm:description", None, "Hotkey Settings")]
    expected += [("asm:assemblyIdentity", name, value) for name, value in
                 dict(type="win32", name="Quillmere.HotkeySettings", version="1.0.0.0",
                      processorArchitecture="X86").items()]
    # Common controls 6, for visual styles.
    expected += [(identity, name, value) for name, value in
                 dict(type="win32", name="Microsoft.Windows.Common-Controls", version="6.0.0.0",
                      processorArchitecture="X86", publicKeyToken="6595b64144ccf1df", language="*").items()]
    expected += [
        # The rights of the user who starts it.
        (level, "level", "asInvoker"),
        (level, "uiAccess", "false"),
        # Per-monitor awareness, version 2 where the platform has it; before
        # Windows 10 1607 the older element: per monitor on 8.1, system on 7.
        (settings + "/ws2016:dpiAwareness", None, "PerMonitorV2, PerMonitor"),
        (settings + "/ws2005:dpiAware", None, "true/pm"),
    ]
    if root.tag != "{%s}assembly" % ns["asm"]:
        failures.append("the root is not an assembly")
    for path, attribute, value in expected:
        found = [e.text if attribute is None else e.get(attribute) for e in root.findall(path, ns)]
        if found != [value]:
            failures.append("%s %s: %r, not [%r]" % (path, attribute or "text", found, value))
    # Windows 7, 8, 8.1 and 10/11, in this order.
    systems = [e.get("Id") for e in root.findall("compat:compatibility/compat:application/compat:supportedOS", ns)]
    if systems != ["{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                   "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"]:
        failures.append("supported systems: %r" % systems)
    for path in ("asm3:application", "compat:compatibility"):
        if len(root.findall(path, ns)) != 1:
            failures.append("not one %s" % path)
    return failures


def image(objdump, exe, max_size):
    headers = subprocess.run([objdump, "-p", exe], stdout=subprocess.PIPE, text=True, check=True).stdout
    characteristics = re.search(r"DllCharacteristics[^\n]*\n((?:[\t ]+[A-Z_]+\n)*)", headers)
    expected = [(r"Magic\s+010b\s+\(PE32\)", "a PE32 (32-bit) image"),
                (r"Subsystem\s+00000002\s+\(Windows GUI\)", "the Windows GUI subsystem"),
                (r"DLL Name: COMCTL32\.(dll|DLL)\n[^\n]*\n[^\n]*InitCommonControls", "InitCommonControls from comctl32")]
    failures = [what for pattern, what in expected if not re.search(pattern, headers)]
    flags = characteristics.group(1).split() if characteristics else []
    failures += [flag for flag in ("DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVICE_AWARE") if flag not in flags]
    imports = [name.split(".")[0].lower() for name in re.findall(r"DLL Name: (\S+)", headers)]
    failures += [f"an import of {dll}" for dll in imports
                 if dll not in ("advapi32", "comctl32", "gdi32", "kernel32", "msvcrt", "user32")]
    if not imports:
        failures.append("no import table")
    if os.path.getsize(exe) > int(max_size):
        failures.append(f"{os.path.getsize(exe)} bytes, more than {max_size}")
    return failures


if __name__ == "__main__":
    failures = {"manifest": manifest, "image": image}[sys.argv[1]](*sys.argv[2:])
    print("\n".join(failures) or sys.argv[1] + ": OK")
    sys.exit(1 if failures else 0)
