#!/usr/bin/env python3
"""Sets up a new Wine prefix for the programs run here (the target build's
test programs, the applet, reg.exe), by editing its registry files while no
Wine server has them open:

- the dialog's font face "ＭＳ Ｐゴシック" is substituted by an installed
  Japanese font (FontSubstitutes), so that its texts render as Japanese;
- Wine draws every window itself, frame and caption included, as no window
  manager runs on the virtual X server;
- the session starts no services: under the emulator each costs most of a
  minute, and none of those programs uses the event log, the mount
  manager, networking or plug and play.

usage: wine-prepare-prefix.py PREFIX FONT-FAMILY
"""
import sys
import time

DIALOG_FACE = "ＭＳ Ｐゴシック"
FONT_KEY = r"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"
X11_KEY = r"Software\\Wine\\X11 Driver"
SERVICES_KEY = r"System\\CurrentControlSet\\Services"
# The services and drivers a new prefix starts with every session.
AUTO_STARTS = ["Eventlog", "MountMgr", "NDIS", "nsiproxy", "PlugPlay"]
DEMAND_START = "dword:00000003"


def string(text):
    return '"%s"' % escaped(text)


def escaped(text):
    """A string as Wine's registry files write it: non-ASCII as \\xXXXX."""
    return "".join(c if 32 <= ord(c) < 127 and c not in '"\\' else "\\x%04x" % ord(c) for c in text)


def set_values(path, key, values, add_key=True):
    """Sets values (name, data as the file writes it) in the key's section;
    a missing section is added, or with add_key false left missing."""
    with open(path, encoding="utf-8") as file:
        lines = file.read().rstrip("\n").split("\n")
    header = "[%s]" % key
    start = next((i for i, line in enumerate(lines) if line.split(" ")[0] == header
                  or line.startswith(header + " ")), None)
    entries = ['"%s"=%s' % (escaped(name), data) for name, data in values]
    if start is None:
        if not add_key:
            return
        lines += ["", "%s %d" % (header, int(time.time()))] + entries
    else:
        end = start + 1
        while end < len(lines) and lines[end].strip() and not lines[end].startswith("["):
            end += 1
        names = {'"%s"=' % escaped(name) for name, _ in values}
        kept = [line for line in lines[start + 1:end] if not any(line.startswith(n) for n in names)]
        lines[start + 1:end] = kept + entries
    with open(path, "w", encoding="utf-8") as file:
        file.write("\n".join(lines) + "\n")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    prefix, font = sys.argv[1], sys.argv[2]
    set_values(prefix + "/system.reg", FONT_KEY, [(DIALOG_FACE, string(font))])
    set_values(prefix + "/user.reg", X11_KEY, [("Managed", string("N")), ("Decorated", string("N"))])
    for service in AUTO_STARTS:
        set_values(prefix + "/system.reg", SERVICES_KEY + r"\\" + service, [("Start", DEMAND_START)],
                   add_key=False)


if __name__ == "__main__":
    main()
