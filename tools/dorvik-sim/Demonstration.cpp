#include "Demonstration.h"

// The demonstration: two boards configured, the driver loaded, a client on
// board 0 writing a word to a busy board (once it clears, and once it never
// does) and reading its channel bits.
const std::vector<std::string> kDemonstration = {
    "configure 0 0x368          # the registry as the applet saves it",
    "configure 1 0x3e8",
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
