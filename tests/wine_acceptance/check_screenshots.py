#!/usr/bin/env python3
"""The acceptance run's pictures show its windows: for each NAME, NAME.png is
a picture of the screen and NAME.rect the window's rectangle there
(x y width height) as the program read it. Inside that rectangle the picture
must show a drawn window: a face colour of its own that the screen around it
does not have, a caption bar, frame and text in several colours; a blank or
missing window fails. Pictures named with --differ must differ inside their
windows (the user's edits show).

usage: check_screenshots.py FOLDER NAME... [--differ NAME NAME]
"""
import argparse
import collections
import os
import subprocess
import sys

failures = []


def check(ok, text):
    print(("ok    " if ok else "FAIL  ") + text)
    if not ok:
        failures.append(text)
    return ok


def pixels(path, geometry=None):
    """The picture (or a part of it) as rows of RGB tuples, through ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True)
    width, height = map(int, size.stdout.split())
    command = ["convert", path]
    if geometry:
        x, y, w, h = geometry
        command += ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage"]
        width, height = w, h
    command += ["-depth", "8", "rgb:-"]
    data = subprocess.run(command, capture_output=True, check=True).stdout
    if len(data) != width * height * 3:
        raise ValueError("%s: %d bytes for %dx%d" % (path, len(data), width, height))
    row = width * 3
    return [[tuple(data[r * row + c * 3:r * row + c * 3 + 3]) for c in range(width)] for r in range(height)]


def dominant(rows):
    counts = collections.Counter(p for row in rows for p in row)
    colour, count = counts.most_common(1)[0]
    return colour, count / sum(counts.values()), len(counts)


def check_picture(folder, name):
    png, rect = os.path.join(folder, name + ".png"), os.path.join(folder, name + ".rect")
    if not check(os.path.exists(png) and os.path.exists(rect), "%s: picture and rectangle present" % name):
        return None
    x, y, w, h = map(int, open(rect).read().split())
    screen = pixels(png)
    sh, sw = len(screen), len(screen[0])
    if not check(w >= 100 and h >= 80 and x >= 0 and y >= 0 and x + w <= sw and y + h <= sh,
                 "%s: the window %dx%d at %d,%d lies on the %dx%d screen" % (name, w, h, x, y, sw, sh)):
        return None
    window = [row[x:x + w] for row in screen[y:y + h]]
    face, share, colours = dominant(window)
    check(0.3 <= share <= 0.97, "%s: the window has a face colour %s covering %.0f%% of it, not all of it"
          % (name, face, 100 * share))
    check(colours >= 4, "%s: the window is drawn in %d colours" % (name, colours))
    outside = [p for r, row in enumerate(screen) for c, p in enumerate(row) if not (y <= r < y + h and x <= c < x + w)]
    outside_share = sum(1 for p in outside if p == face) / max(1, len(outside))
    check(outside_share < 0.5, "%s: the screen around the window is not the window's colour (%.0f%%)"
          % (name, 100 * outside_share))
    dark = sum(1 for row in window for p in row if max(p) < 80)
    check(dark >= 150, "%s: text and frame lines drawn (%d dark pixels)" % (name, dark))
    # The caption bar: rows near the top, below the frame, mostly not the face.
    caption_rows = window[4:max(8, h // 16)]
    caption_face = sum(1 for row in caption_rows for p in row if p == face) / max(1, sum(len(r) for r in caption_rows))
    check(caption_face < 0.5, "%s: a caption bar across the top (%.0f%% face colour there)" % (name, 100 * caption_face))
    return window


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("names", nargs="+")
    parser.add_argument("--differ", nargs=2, action="append", default=[])
    args = parser.parse_args()
    windows = {name: check_picture(args.folder, name) for name in args.names}
    for first, second in args.differ:
        a, b = windows.get(first), windows.get(second)
        if a is None or b is None:
            check(False, "%s and %s: both pictured" % (first, second))
            continue
        same_size = len(a) == len(b) and len(a[0]) == len(b[0])
        changed = same_size and sum(1 for ra, rb in zip(a, b) for pa, pb in zip(ra, rb) if pa != pb)
        check(same_size and changed > 20, "%s and %s: the same window, changed in %s pixels"
              % (first, second, changed if same_size else "-"))
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
