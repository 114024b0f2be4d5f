#include "Demonstration.h"

// The demonstration: a user configures two boards in the Control Panel
// applet, the machine boots and loads the driver, and a client on board 0
// writes a word to a busy board (once it clears, and once it never does) and
// reads its channel bits.
const std::vector<std::string> kDemonstration = {
    "cpl open                   # the Control Panel lists the applet; the user opens it",
    "cpl board 0",
    "cpl active on",
    "cpl address 368",
    "cpl board 1",
    "cpl active on",
    "cpl address 3e8",
    "cpl ok                     # the applet rewrites the driver's registry tree",
    "board 0x368 busy=1200 status=0x04",
    "board 0x3e8",
    "boot",
    "open 0 exclusive",
    "ioctl 1 version 0 8",
    "ioctl 1 create 4 4 3412",
    "ioctl 1 dataset 4 2 0000cdab  # busy for 1200 reads, then the word goes out",
    "busy 0x368 always",
    "ioctl 1 dataset 4 2 00003412  # a board that stays busy: result 8, nothing written",
    "ioctl 1 getch 2 4",
    "ioctl 1 close 2 2",
    "close 1",
    "unload",
};
