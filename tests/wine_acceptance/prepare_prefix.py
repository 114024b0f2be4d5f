#!/usr/bin/env python3
"""Sets up a copy of the Wine prefix for the applet's acceptance run, by
editing its registry files while no Wine server has them open:

- the dialog's font face "ＭＳ Ｐゴシック" is substituted by an installed
  Japanese font (FontSubstitutes), so that its texts render as Japanese;
- Wine draws every window itself, frame and caption included, as no window
  manager runs on the virtual X server.

usage: prepare_prefix.py PREFIX FONT-FAMILY
"""
import sys
import time

DIALOG_FACE = "ＭＳ Ｐゴシック"
FONT_KEY = r"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"
X11_KEY = r"Software\\Wine\\X11 Driver"


def escaped(text):
    """A string as Wine's registry files write it: non-ASCII as \\xXXXX."""
    return "".join(c if 32 <= ord(c) < 127 and c not in '"\\' else "\\x%04x" % ord(c) for c in text)


def set_values(path, key, values):
    """Sets string values in the key's section, adding the section if missing."""
    with open(path, encoding="utf-8") as file:
        lines = file.read().split("\n")
    header = "[%s]" % key
    start = next((i for i, line in enumerate(lines) if line.split(" ")[0] == header
                  or line.startswith(header + " ")), None)
    entries = ['"%s"="%s"' % (escaped(name), escaped(data)) for name, data in values]
    if start is None:
        lines += ["", "%s %d" % (header, int(time.time()))] + entries
    else:
        end = start + 1
        while end < len(lines) and lines[end].strip() and not lines[end].startswith("["):
            end += 1
        names = {'"%s"=' % escaped(name) for name, _ in values}
        kept = [line for line in lines[start + 1:end] if not any(line.startswith(n) for n in names)]
        lines[start + 1:end] = kept + entries
    with open(path, "w", encoding="utf-8") as file:
        file.write("\n".join(lines))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    prefix, font = sys.argv[1], sys.argv[2]
    set_values(prefix + "/system.reg", FONT_KEY, [(DIALOG_FACE, font)])
    set_values(prefix + "/user.reg", X11_KEY, [("Managed", "N"), ("Decorated", "N")])


if __name__ == "__main__":
    main()
