"""Setup.exe carries the checksum of its payload beside it, and a manifest
(RT_MANIFEST, id 1) that is well-formed XML and asks for what the updater
needs: administrator rights without UI access, the supported system versions,
no DPI awareness, no newer common controls. Wine does not implement UAC (it
neither elevates nor refuses), so what the manifest asks of Windows can only
be read back here, not seen at run time.

Usage: check_resources.py SETUP_EXE
"""
import sys
import xml.etree.ElementTree as ElementTree

from resources import checksum_problems, resources

RT_MANIFEST = 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


def manifest_problems(manifest):
    if manifest is None:
        return ["no RT_MANIFEST resource 1"]
    try:
        root = ElementTree.fromstring(manifest)
    except ElementTree.ParseError as error:
        return ["not well-formed XML: %s" % error]
    found = []
    if root.tag != ASM_V1 + "assembly":
        found.append("root element is %s" % root.tag)
    level = root.find(".//%srequestedExecutionLevel" % ASM_V3)
    if level is None or level.get("level") != "requireAdministrator" or level.get("uiAccess") != "false":
        found.append("no requestedExecutionLevel requireAdministrator with uiAccess false")
    systems = [system.get("Id") for system in root.iter(COMPATIBILITY + "supportedOS")]
    if WINDOWS_10 not in systems:
        found.append("Windows 10/11 not among the supported systems %s" % systems)
    for element in root.iter():
        local = element.tag.rsplit("}", 1)[-1]
        if local in ("dpiAware", "dpiAwareness"):
            found.append("declares DPI awareness")
        if local == "dependency":
            found.append("declares a dependency (common controls)")
    return found


def main():
    carried = resources(sys.argv[1])
    found = checksum_problems(carried) + manifest_problems(carried.get((RT_MANIFEST, 1)))
    for problem in found:
        print("FAIL: %s: %s" % (sys.argv[1], problem))
    if not found:
        print("ok: %s carries its payload's checksum and its manifest" % sys.argv[1])
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
