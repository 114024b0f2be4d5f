#!/usr/bin/env python3
"""Checks the built Control Panel applet image DORVIK.cpl.

Reads the PE file directly: a 32-bit x86 DLL that NT 4.0 can load, whose only
export is CPlApplet, importing only from kernel32, user32, advapi32 and msvcrt,
with the Japanese resources: dialog 101, strings 1 to 4 and icon group 102.

Usage: check_cpl.py path/to/DORVIK.cpl
"""

import struct
import sys

IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_FILE_DLL = 0x2000
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2

RT_ICON = 3
RT_DIALOG = 5
RT_STRING = 6
RT_GROUP_ICON = 14
LANG_JAPANESE_DEFAULT = 1041

ALLOWED_IMPORTS = {'kernel32.dll', 'user32.dll', 'advapi32.dll', 'msvcrt.dll'}

EXPECTED_STRINGS = {
    1: 'Dorvik',
    2: 'Dorvikのリソース情報の設定を行ないます。',
    3: 'Dorvikデバイスドライバ',
    4: '設定を変更しました。\n新しい設定を有効にさせるためには、システムを立ち上げ直して下さい。',
}

# (width and height, bits per pixel, colour count in the group entry), in order.
EXPECTED_ICONS = [(32, 4, 16), (48, 8, 0), (32, 8, 0), (16, 4, 16), (32, 1, 2)]

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_VSCROLL = 0x00200000
WS_SYSMENU = 0x00080000
WS_GROUP = 0x00020000
WS_TABSTOP = 0x00010000
DS_MODALFRAME = 0x80
DS_SETFONT = 0x40
BS_PUSHBUTTON = 0x0
BS_DEFPUSHBUTTON = 0x1
BS_AUTOCHECKBOX = 0x3
BS_GROUPBOX = 0x7
BS_CENTER = 0x300
CBS_DROPDOWNLIST = 0x3
ES_LEFT = 0x0
SS_LEFT = 0x0
SS_CENTER = 0x1

BUTTON, EDIT, STATIC, COMBOBOX = 0x80, 0x81, 0x82, 0x85

# id, class atom, text, style beyond WS_CHILD | WS_VISIBLE, rectangle
EXPECTED_CONTROLS = [
    (1, BUTTON, 'OK', BS_DEFPUSHBUTTON | WS_TABSTOP, (6, 183, 40, 14)),
    (2, BUTTON, 'ｷｬﾝｾﾙ', BS_PUSHBUTTON | WS_TABSTOP, (60, 183, 40, 14)),
    (1010, BUTTON, 'Device Select', BS_GROUPBOX | BS_CENTER, (6, 10, 94, 56)),
    (1011, BUTTON, 'CONFIG', BS_GROUPBOX | BS_CENTER, (6, 69, 94, 97)),
    (1023, COMBOBOX, '', CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, (35, 24, 29, 65)),
    (1024, COMBOBOX, '', CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_DISABLED,
     (14, 116, 32, 74)),
    (1025, COMBOBOX, '', CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_DISABLED,
     (14, 139, 32, 66)),
    (1008, BUTTON, 'ACTIVE', BS_AUTOCHECKBOX | WS_TABSTOP, (29, 45, 44, 9)),
    (1027, STATIC, 'I/O ADDRESS', SS_LEFT | WS_GROUP, (51, 96, 44, 9)),
    (1028, STATIC, 'DMA', SS_LEFT | WS_GROUP | WS_DISABLED, (51, 117, 17, 10)),
    (1029, STATIC, 'IRQ', SS_LEFT | WS_GROUP | WS_DISABLED, (51, 141, 14, 10)),
    (1001, EDIT, '', ES_LEFT | WS_BORDER | WS_TABSTOP, (14, 94, 24, 11)),
    (0xFFFF, STATIC, 'H', SS_CENTER | WS_GROUP, (38, 95, 8, 9)),
]


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b'MZ':
            raise ValueError('no MZ header')
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('no PE signature')
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from('<HHIIIHH', data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from('<H', data, opt)[0]
        self.entry = struct.unpack_from('<I', data, opt + 16)[0]
        self.os_version = struct.unpack_from('<HH', data, opt + 40)
        self.subsystem_version = struct.unpack_from('<HH', data, opt + 48)
        self.subsystem = struct.unpack_from('<H', data, opt + 68)[0]
        count = struct.unpack_from('<I', data, opt + 92)[0]
        self.directories = [struct.unpack_from('<II', data, opt + 96 + 8 * i)
                            for i in range(count)]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, rva, rsize, raw = struct.unpack_from('<8sIIII', data, table + 40 * i)
            self.sections.append((name.rstrip(b'\0').decode(), rva, max(vsize, rsize), raw))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError('RVA %#x outside every section' % rva)

    def u16(self, rva):
        return struct.unpack_from('<H', self.data, self.offset(rva))[0]

    def u32(self, rva):
        return struct.unpack_from('<I', self.data, self.offset(rva))[0]

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b'\0', start)].decode('ascii')

    def bytes_at(self, rva, size):
        start = self.offset(rva)
        return self.data[start:start + size]

    def exports(self):
        rva, size = self.directories[0]
        if size == 0:
            return 0, []
        functions, names, name_table = (self.u32(rva + 20), self.u32(rva + 24),
                                        self.u32(rva + 32))
        return functions, [self.cstring(self.u32(name_table + 4 * i)) for i in range(names)]

    def imports(self):
        rva, size = self.directories[1]
        dlls = []
        while size:
            name = self.u32(rva + 12)
            if name == 0:
                break
            dlls.append(self.cstring(name))
            rva += 20
        return dlls

    def resources(self):
        """{(type, name, language): (data rva, size)} of the resource tree."""
        root, size = self.directories[2]
        found = {}
        if size == 0:
            return found

        def entries(directory):
            named, ids = self.u16(directory + 12), self.u16(directory + 14)
            for i in range(named + ids):
                key, target = struct.unpack_from('<II', self.data,
                                                 self.offset(directory + 16 + 8 * i))
                yield key, target

        for type_id, type_dir in entries(root):
            for name_id, name_dir in entries(root + (type_dir & 0x7FFFFFFF)):
                for lang, leaf in entries(root + (name_dir & 0x7FFFFFFF)):
                    data_rva, data_size = self.u32(root + leaf), self.u32(root + leaf + 4)
                    found[(type_id, name_id, lang)] = (data_rva, data_size)
        return found


def wide_string(data, pos):
    end = pos
    while data[end:end + 2] != b'\0\0':
        end += 2
    return data[pos:end].decode('utf-16-le'), end + 2


def sz_or_ordinal(data, pos):
    if data[pos:pos + 2] == b'\xff\xff':
        return struct.unpack_from('<H', data, pos + 2)[0], pos + 4
    return wide_string(data, pos)


def parse_dialog(data):
    style, exstyle, count, x, y, cx, cy = struct.unpack_from('<IIHhhhh', data, 0)
    pos = 18
    menu, pos = sz_or_ordinal(data, pos)
    window_class, pos = sz_or_ordinal(data, pos)
    title, pos = wide_string(data, pos)
    point_size, pos = struct.unpack_from('<H', data, pos)[0], pos + 2
    face, pos = wide_string(data, pos)
    dialog = dict(style=style, exstyle=exstyle, rect=(x, y, cx, cy), menu=menu,
                  window_class=window_class, title=title, point_size=point_size, face=face)
    controls = []
    for _ in range(count):
        pos = (pos + 3) & ~3
        cstyle, cexstyle, x, y, cx, cy, cid = struct.unpack_from('<IIhhhhH', data, pos)
        pos += 18
        cclass, pos = sz_or_ordinal(data, pos)
        text, pos = sz_or_ordinal(data, pos)
        extra = struct.unpack_from('<H', data, pos)[0]
        pos += 2 + extra
        controls.append((cid, cclass, text, cstyle, cexstyle, (x, y, cx, cy)))
    return dialog, controls


def check(image, fail):
    if image.machine != IMAGE_FILE_MACHINE_I386 or image.magic != PE32_MAGIC:
        fail('not a 32-bit x86 image')
    if not image.characteristics & IMAGE_FILE_DLL:
        fail('image is not marked as a DLL')
    if image.subsystem != SUBSYSTEM_WINDOWS_GUI:
        fail('subsystem %d, expected Windows GUI' % image.subsystem)
    if image.os_version > (4, 0) or image.subsystem_version > (4, 0):
        fail('needs a system newer than NT 4.0: OS %s, subsystem %s' %
             (image.os_version, image.subsystem_version))
    if image.entry == 0:
        fail('no entry point')

    functions, names = image.exports()
    if functions != 1 or names != ['CPlApplet']:
        fail('exports %d functions named %s, expected only CPlApplet' % (functions, names))

    dlls = image.imports()
    unexpected = [d for d in dlls if d.lower() not in ALLOWED_IMPORTS]
    if unexpected:
        fail('imports from %s' % unexpected)

    resources = image.resources()
    languages = {lang for (_, _, lang) in resources}
    if languages != {LANG_JAPANESE_DEFAULT}:
        fail('resource languages %s, expected only 1041' % sorted(languages))

    def resource(type_id, name_id):
        key = (type_id, name_id, LANG_JAPANESE_DEFAULT)
        if key not in resources:
            fail('resource type %d id %d language 1041 missing' % (type_id, name_id))
            return None
        return image.bytes_at(*resources[key])

    dialog_data = resource(RT_DIALOG, 101)
    if dialog_data is not None:
        check_dialog(dialog_data, fail)

    # Strings 1 to 15 share bundle 1: sixteen counted UTF-16 strings, id 0 first.
    bundle = resource(RT_STRING, 1)
    if bundle is not None:
        pos = 0
        for string_id in range(16):
            length = struct.unpack_from('<H', bundle, pos)[0]
            text = bundle[pos + 2:pos + 2 + 2 * length].decode('utf-16-le')
            pos += 2 + 2 * length
            expected = EXPECTED_STRINGS.get(string_id, '')
            if text != expected:
                fail('string %d is %r, expected %r' % (string_id, text, expected))
    other_bundles = [n for (t, n, _) in resources if t == RT_STRING and n != 1]
    if other_bundles:
        fail('unexpected string bundles %s' % other_bundles)

    group = resource(RT_GROUP_ICON, 102)
    if group is not None:
        check_icon_group(group, resources, image, fail)


def check_dialog(data, fail):
    dialog, controls = parse_dialog(data)
    style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
    expected = dict(style=style, exstyle=0, rect=(0, 0, 107, 204), menu='', window_class='',
                    title='Dorvik リソース情報設定', point_size=9, face='ＭＳ Ｐゴシック')
    for key, value in expected.items():
        if dialog[key] != value:
            fail('dialog %s is %r, expected %r' % (key, dialog[key], value))
    if len(controls) != len(EXPECTED_CONTROLS):
        fail('dialog has %d controls, expected %d' % (len(controls), len(EXPECTED_CONTROLS)))
    for got, want in zip(controls, EXPECTED_CONTROLS):
        cid, cclass, text, cstyle, cexstyle, rect = got
        wid, wclass, wtext, wstyle, wrect = want
        actual = (cid, cclass, text, cstyle, cexstyle, rect)
        wanted = (wid, wclass, wtext, wstyle | WS_CHILD | WS_VISIBLE, 0, wrect)
        if actual != wanted:
            fail('control %r, expected %r' % (actual, wanted))


def check_icon_group(group, resources, image, fail):
    reserved, kind, count = struct.unpack_from('<HHH', group, 0)
    if (reserved, kind, count) != (0, 1, len(EXPECTED_ICONS)):
        fail('icon group header %s, expected five icons' % ((reserved, kind, count),))
        return
    for i, (size, bits, colours) in enumerate(EXPECTED_ICONS):
        width, height, colour_count, _, planes, bit_count, length, icon_id = \
            struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i)
        if (width, height, colour_count, planes, bit_count) != (size, size, colours, 1, bits):
            fail('icon entry %d is %dx%d, %d colours, %d bits; expected %dx%d, %d bits' %
                 (i, width, height, colour_count, bit_count, size, size, bits))
        key = (RT_ICON, icon_id, LANG_JAPANESE_DEFAULT)
        if key not in resources:
            fail('icon image %d of the group missing' % icon_id)
            continue
        rva, data_size = resources[key]
        header = struct.unpack_from('<IiiHH', image.bytes_at(rva, 16))
        if data_size != length or header != (40, size, 2 * size, 1, bits):
            fail('icon image %d: bitmap header %s, size %d' % (icon_id, header, data_size))


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    with open(sys.argv[1], 'rb') as f:
        image = Image(f.read())
    failures = []
    check(image, failures.append)
    for failure in failures:
        print('FAIL:', failure)
    if not failures:
        print('DORVIK.cpl: image, exports, imports and resources as expected')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
