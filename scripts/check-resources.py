#!/usr/bin/python3
"""Reads the resources of the Windows product back with pefile and checks them: the
application manifest (execution level highestAvailable, the supportedOS entries of Vista,
7, 8, 8.1 and 10/11, no DPI awareness), the version strings, and an icon group of 16, 32
and 48 pixels. Prints what it found; exits 1 on the first difference.

    check-resources.py setup.exe
"""
import sys
import xml.etree.ElementTree as ET

import pefile

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
SUPPORTED_OS = {
    '{e2011457-1546-43c5-a5fe-008deee3d3f0}': 'Vista',
    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}': '7',
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}': '8',
    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}': '8.1',
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}': '10/11',
}
VERSION_STRINGS = {
    'CompanyName': 'Korb',
    'ProductName': 'Vorlex',
    'FileDescription': 'Vorlex Setup',
    'ProductVersion': '2.12',
    'FileVersion': '2.12',
    'OriginalFilename': 'setup.exe',
}


def fail(message):
    print('check-resources: ' + message, file=sys.stderr)
    sys.exit(1)


def resources(pe, kind):
    """The data of every resource of one type, as bytes."""
    found = []
    if not hasattr(pe, 'DIRECTORY_ENTRY_RESOURCE'):
        fail('the program carries no resources')
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != kind:
            continue
        for name in entry.directory.entries:
            for language in name.directory.entries:
                rva, size = language.data.struct.OffsetToData, language.data.struct.Size
                found.append((name.id, pe.get_data(rva, size)))
    return found


def check_manifest(pe):
    manifests = resources(pe, RT_MANIFEST)
    if [ident for ident, _ in manifests] != [1]:
        fail('expected one manifest with ID 1, found %s' % [i for i, _ in manifests])
    root = ET.fromstring(manifests[0][1])
    levels = [e.get('level') for e in root.iter() if e.tag.endswith('}requestedExecutionLevel')]
    if levels != ['highestAvailable']:
        fail('execution level %s' % levels)
    ids = [e.get('Id').lower() for e in root.iter() if e.tag.endswith('}supportedOS')]
    if sorted(ids) != sorted(SUPPORTED_OS):
        fail('supportedOS %s' % ids)
    if any(e.tag.endswith('}dpiAware') or e.tag.endswith('}dpiAwareness') for e in root.iter()):
        fail('the manifest declares DPI awareness')
    print('manifest: level highestAvailable; supportedOS %s; no DPI awareness'
          % ', '.join(SUPPORTED_OS[i] for i in ids))


def check_version(pe):
    strings = {}
    for info in getattr(pe, 'FileInfo', []):
        for block in info:
            for table in getattr(block, 'StringTable', []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    for key, value in VERSION_STRINGS.items():
        if strings.get(key) != value:
            fail('version string %s is %r, not %r' % (key, strings.get(key), value))
    fixed = pe.VS_FIXEDFILEINFO[0]
    if (fixed.FileVersionMS, fixed.ProductVersionMS) != ((2 << 16) | 12, (2 << 16) | 12):
        fail('fixed file or product version is not 2.12')
    print('version: ' + ', '.join('%s "%s"' % kv for kv in sorted(VERSION_STRINGS.items())))


def check_icon(pe):
    groups = resources(pe, RT_GROUP_ICON)
    if len(groups) != 1:
        fail('expected one icon group, found %d' % len(groups))
    data = groups[0][1]
    count = int.from_bytes(data[4:6], 'little')
    sizes = sorted((data[6 + 14 * i] or 256) for i in range(count))
    if sizes != [16, 32, 48]:
        fail('icon sizes %s' % sizes)
    icons = {ident for ident, _ in resources(pe, RT_ICON)}
    members = {int.from_bytes(data[6 + 14 * i + 12:6 + 14 * i + 14], 'little') for i in range(count)}
    if not members <= icons:
        fail('the icon group names icons that are not there')
    print('icon group %d: %s pixels' % (groups[0][0], ', '.join(map(str, sizes))))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    pe = pefile.PE(sys.argv[1])
    check_manifest(pe)
    check_version(pe)
    check_icon(pe)


if __name__ == '__main__':
    main()
