"""A small reader for 32-bit PE images, enough for the image checks."""
import struct

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION = 3, 5, 6, 14, 16


class Section:
    def __init__(self, name, vaddr, vsize, raw_offset, raw_size, flags):
        self.name, self.vaddr, self.vsize = name, vaddr, vsize
        self.raw_offset, self.raw_size, self.flags = raw_offset, raw_size, flags

    def contains(self, rva):
        return self.vaddr <= rva < self.vaddr + max(self.vsize, self.raw_size)


class PeImage:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        d = self.data
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        assert d[pe:pe + 4] == b"PE\0\0", "not a PE image"
        (self.machine, count, _, _, _, opt_size, self.characteristics) = struct.unpack_from(
            "<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        self.entry_rva = struct.unpack_from("<I", d, opt + 16)[0]
        self.image_base = struct.unpack_from("<I", d, opt + 28)[0]
        self.checksum_offset = opt + 64
        self.checksum = struct.unpack_from("<I", d, opt + 64)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", d, opt + 68)
        ndirs = struct.unpack_from("<I", d, opt + 92)[0]
        self.directories = [struct.unpack_from("<II", d, opt + 96 + 8 * i) for i in range(ndirs)]
        self.sections = []
        table = opt + opt_size
        for i in range(count):
            h = table + 40 * i
            name = d[h:h + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, vaddr, raw_size, raw_offset = struct.unpack_from("<IIII", d, h + 8)
            flags = struct.unpack_from("<I", d, h + 36)[0]
            self.sections.append(Section(name, vaddr, vsize, raw_offset, raw_size, flags))

    def section(self, name):
        for s in self.sections:
            if s.name == name:
                return s
        return None

    def section_of(self, rva):
        for s in self.sections:
            if s.contains(rva):
                return s
        return None

    def offset(self, rva):
        s = self.section_of(rva)
        assert s is not None, "rva %#x outside every section" % rva
        return s.raw_offset + rva - s.vaddr

    def section_bytes(self, name):
        s = self.section(name)
        return self.data[s.raw_offset:s.raw_offset + s.raw_size]

    def cstring(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("ascii")

    def imports(self):
        """{dll name (lower case): [function names]}"""
        rva, size = self.directories[1]
        result = {}
        o = self.offset(rva)
        while True:
            lookup, _, _, name_rva, thunk = struct.unpack_from("<IIIII", self.data, o)
            if name_rva == 0:
                break
            dll = self.cstring(name_rva).lower()
            names = []
            t = self.offset(lookup or thunk)
            while True:
                entry = struct.unpack_from("<I", self.data, t)[0]
                if entry == 0:
                    break
                names.append("#%d" % (entry & 0xFFFF) if entry & 0x80000000
                             else self.cstring(entry + 2))
                t += 4
            result[dll] = names
            o += 20
        return result

    def exports(self):
        rva, size = self.directories[0]
        if rva == 0:
            return []
        o = self.offset(rva)
        count_names = struct.unpack_from("<I", self.data, o + 24)[0]
        names_rva = struct.unpack_from("<I", self.data, o + 32)[0]
        return [self.cstring(struct.unpack_from("<I", self.data, self.offset(names_rva) + 4 * i)[0])
                for i in range(count_names)]

    def computed_checksum(self):
        total = 0
        data = self.data + (b"\0" if len(self.data) % 2 else b"")
        for i in range(0, len(data), 2):
            if self.checksum_offset <= i < self.checksum_offset + 4:
                continue
            total += struct.unpack_from("<H", data, i)[0]
            total = (total & 0xFFFF) + (total >> 16)
        total = (total & 0xFFFF) + (total >> 16)
        return (total + len(self.data)) & 0xFFFFFFFF

    def resources(self):
        """[(type, name, language, bytes)] with integer ids (or strings)."""
        rva, _ = self.directories[2]
        if rva == 0:
            return []
        base = self.offset(rva)
        out = []

        def entries(dir_offset):
            named, ids = struct.unpack_from("<HH", self.data, dir_offset + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, dir_offset + 16 + 8 * i)
                if name & 0x80000000:
                    so = base + (name & 0x7FFFFFFF)
                    n = struct.unpack_from("<H", self.data, so)[0]
                    key = self.data[so + 2:so + 2 + 2 * n].decode("utf-16-le")
                else:
                    key = name
                yield key, target

        for type_id, t in entries(base):
            for name_id, n in entries(base + (t & 0x7FFFFFFF)):
                for lang, leaf in entries(base + (n & 0x7FFFFFFF)):
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    o = self.offset(data_rva)
                    out.append((type_id, name_id, lang, self.data[o:o + size]))
        return out
