#!/usr/bin/env python3
"""A registry file, such as the one Wine's "reg export" wrote after the applet
saved under Wine, is the registry the driver boots from on the simulated
machine: the driver must bring up exactly the configured boards, each at its
configured port.

usage: check_round_trip.py --sim DORVIK-SIM --registry FILE --expect PORT[,PORT...]

PORT n is the port saved for board n; no board beyond them may come up.
Each board gets a board model at its port; a data word written through each
device must reach the board at that port.
"""
import argparse
import json
import os
import subprocess
import sys

failures = []


def check(ok, text):
    print(("ok    " if ok else "FAIL  ") + text)
    if not ok:
        failures.append(text)
    return ok


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--registry", required=True)
    parser.add_argument("--expect", required=True)
    args = parser.parse_args()
    ports = [int(port, 16) for port in args.expect.split(",")]

    if not check(os.access(args.sim, os.X_OK), "dorvik-sim of the host build at %s (scripts/build.sh builds it)"
                 % args.sim):
        return 1
    if not check(os.path.getsize(args.registry) > 0 if os.path.exists(args.registry) else False,
                 "the registry file %s" % args.registry):
        return 1

    # Open and use each board, then try the first board number past them.
    script = []
    for board, port in enumerate(ports):
        script += ["open %d" % board,
                   "ioctl %d resource 2 4" % (board + 1),
                   "ioctl %d dataset 4 2 0000%02x%02x" % (board + 1, board, 0xA5)]
    script += ["open %d" % len(ports)]
    for board in range(len(ports)):
        script += ["close %d" % (board + 1)]
    script += ["unload"]

    command = [args.sim, "--registry", args.registry]
    for port in ports:
        command += ["--board", "0x%x" % port]
    command += ["-"]
    run = subprocess.run(command, input="\n".join(script) + "\n", capture_output=True, text=True, timeout=120)
    print("$ " + " ".join(command))
    print(run.stdout, end="")
    print(run.stderr, end="", file=sys.stderr)
    check(run.returncode == 0, "dorvik-sim exits with 0 (%d)" % run.returncode)

    lines = [json.loads(line) for line in run.stdout.splitlines() if line.startswith("{")]
    by_action = lambda action: [line for line in lines if line.get("action") == action]

    imported = by_action("registry")
    check(len(imported) == 1 and imported[0].get("ok") is True, "dorvik-sim reads the registry file")
    boots = by_action("boot")
    expected_devices = ["\\Device\\Dorvik%d" % board for board in range(len(ports))]
    check(len(boots) == 1 and boots[0].get("outcome") == "loaded" and boots[0].get("status") == "0x00000000",
          "the driver loads from that registry")
    check(len(boots) == 1 and boots[0].get("devices") == expected_devices,
          "the driver creates exactly %s (%s)" % (expected_devices, boots and boots[0].get("devices")))

    opens = by_action("open")
    ioctls = by_action("ioctl")
    for board, port in enumerate(ports):
        opened = opens[board] if board < len(opens) else {}
        check(opened.get("status") == "0x00000000" and opened.get("handle") == board + 1,
              "\\\\.\\Dorvik%d opens" % board)
        resource = ioctls[2 * board] if 2 * board < len(ioctls) else {}
        expected_output = "0000%02x%02x" % (port & 0xFF, port >> 8)
        check(resource.get("status") == "0x00000000" and resource.get("output") == expected_output,
              "GetResource of board %d reports port 0x%x (output %s)" % (board, port, resource.get("output")))
        data_set = ioctls[2 * board + 1] if 2 * board + 1 < len(ioctls) else {}
        written = data_set.get("boards", [])
        check(data_set.get("output") == "0000" and len(written) == 1
              and int(written[0].get("port", "0"), 16) == port
              and written[0].get("data_words") == ["0x%02x%02x" % (0xA5, board)],
              "a data word for board %d reaches the board at 0x%x (%s)" % (board, port, written))
    beyond = opens[len(ports)] if len(ports) < len(opens) else {}
    check(beyond.get("status", "0x00000000") != "0x00000000",
          "\\\\.\\Dorvik%d does not exist (%s)" % (len(ports), beyond.get("status")))
    unloads = by_action("unload")
    check(len(unloads) == 1 and unloads[0].get("unloaded") is True and unloads[0].get("left_behind") == [],
          "the driver unloads leaving nothing behind")

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
