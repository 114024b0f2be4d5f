// Where the driver's configuration lives in the registry. The service key
// holds one board key per configured board, "Dorvik" followed by the board
// number in decimal (Dorvik0 ... Dorvik15); each board key's "Parameters"
// subkey holds the board's I/O base port as the REG_DWORD "PortAddress0".
// The control panel applet writes this tree; the driver only reads it.
#pragma once

#include "KernelApi.h"

// The service key, relative to HKEY_LOCAL_MACHINE (\REGISTRY\MACHINE). The
// driver itself receives its full kernel path as DriverEntry's RegistryPath.
#define DORVIK_SERVICE_KEY FW_WIDE("SYSTEM\\CurrentControlSet\\Services\\Dorvik")

// Board key name = this prefix + board number (no leading zeros).
#define DORVIK_BOARD_KEY_PREFIX FW_WIDE("Dorvik")

// Appended to a board key's name to reach its parameters key.
#define DORVIK_PARAMETERS_SUFFIX FW_WIDE("\\Parameters")

// The parameters key's one value: the board's I/O base port address.
#define DORVIK_PORT_ADDRESS_VALUE FW_WIDE("PortAddress0")

// Default given to the port address read: a board whose value is missing,
// or holds exactly this, is not configured.
const ULONG DORVIK_PORT_NOT_CONFIGURED = 0xCDCDCDCD;
