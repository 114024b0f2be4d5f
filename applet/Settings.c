/* Loading the board settings from the driver's service key and rewriting
   the whole tree from them. Registry failures are never reported: a key that
   cannot be opened means an inactive board, a value that cannot be read the
   default address, and a failed deletion, creation or write is skipped. */
#include "Settings.h"

#include <stdio.h>

#include "AppletState.h"

#define SERVICE_KEY_PATH "SYSTEM\\CurrentControlSet\\Services\\Dorvik"
#define BOARD_KEY_PATH(n) SERVICE_KEY_PATH "\\Dorvik" #n

static const char *const BoardKeyPaths[BOARD_COUNT] = {
    BOARD_KEY_PATH(0),  BOARD_KEY_PATH(1),  BOARD_KEY_PATH(2),  BOARD_KEY_PATH(3),
    BOARD_KEY_PATH(4),  BOARD_KEY_PATH(5),  BOARD_KEY_PATH(6),  BOARD_KEY_PATH(7),
    BOARD_KEY_PATH(8),  BOARD_KEY_PATH(9),  BOARD_KEY_PATH(10), BOARD_KEY_PATH(11),
    BOARD_KEY_PATH(12), BOARD_KEY_PATH(13), BOARD_KEY_PATH(14), BOARD_KEY_PATH(15),
};

static const char ServiceKeyPath[] = SERVICE_KEY_PATH;
static const char EnumKeyPath[] = SERVICE_KEY_PATH "\\Enum";
static const char ParametersSuffix[] = "\\Parameters";

/* The path buffer must hold the longest parameters-key path with its NUL. */
typedef char RegistryPathFits[sizeof(BOARD_KEY_PATH(15)) - 1 + sizeof(ParametersSuffix) <=
                                      REGISTRY_PATH_SIZE
                                  ? 1
                                  : -1];

/* Values are written and read with a size of four bytes. */
typedef char DwordIsFourBytes[sizeof(DWORD) == 4 ? 1 : -1];

static const char PortAddressValue[] = "PortAddress0";
/* The service's load-order group; written with its NUL, 14 bytes. */
static const char GroupName[] = "Extended Base";

static void FormParametersKeyPath(int board)
{
    sprintf(RegistryPath, "%s%s", BoardKeyPaths[board], ParametersSuffix);
}

static void SetDwordValue(HKEY key, const char *name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
}

void LoadSettings(void)
{
    int board;
    for (board = 0; board < BOARD_COUNT; board++) {
        HKEY key;
        DWORD type;
        /* A value shorter than four bytes leaves the rest of the address 0. */
        DWORD address = 0;
        DWORD size = sizeof(address);

        FormParametersKeyPath(board);
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, RegistryPath, &key) != ERROR_SUCCESS) {
            BoardSettings[board].Active = 0;
            BoardSettings[board].PortAddress = DEFAULT_PORT_ADDRESS;
            continue;
        }
        BoardSettings[board].Active = 1;
        if (RegQueryValueExA(key, PortAddressValue, NULL, &type, (BYTE *)&address, &size) ==
            ERROR_SUCCESS) {
            BoardSettings[board].PortAddress = address;
        } else {
            BoardSettings[board].PortAddress = DEFAULT_PORT_ADDRESS;
        }
        RegCloseKey(key);
    }
}

/* Deletes the whole tree, leaves first. A key that still has subkeys this
   code does not know about stays, and with it the service key. */
static void DeleteDriverTree(void)
{
    HKEY key;
    int board;

    for (board = 0; board < BOARD_COUNT; board++) {
        FormParametersKeyPath(board);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, RegistryPath);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, BoardKeyPaths[board]);
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EnumKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, EnumKeyPath);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, ServiceKeyPath);
}

static void WriteServiceValues(void)
{
    HKEY key;
    DWORD disposition;

    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ServiceKeyPath, 0, NULL, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &key, &disposition) != ERROR_SUCCESS) {
        return;
    }
    SetDwordValue(key, "Type", SERVICE_KERNEL_DRIVER);
    SetDwordValue(key, "Start", SERVICE_SYSTEM_START);
    RegSetValueExA(key, "Group", 0, REG_SZ, (const BYTE *)GroupName, sizeof(GroupName));
    SetDwordValue(key, "ErrorControl", SERVICE_ERROR_NORMAL);
    RegCloseKey(key);
}

void SaveSettings(void)
{
    int board;

    DeleteDriverTree();
    if (BoardSettings[0].Active == 0) {
        return; /* no board 0: the driver is not installed at all */
    }
    WriteServiceValues();

    /* The driver stops at the first board it cannot bring up, so only the
       run of active boards from board 0 is written. */
    for (board = 0; board < BOARD_COUNT; board++) {
        HKEY key;
        DWORD disposition;

        if (BoardSettings[board].Active == 0) {
            return;
        }
        FormParametersKeyPath(board);
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, RegistryPath, 0, NULL, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, NULL, &key, &disposition) == ERROR_SUCCESS) {
            SetDwordValue(key, PortAddressValue, BoardSettings[board].PortAddress);
            RegCloseKey(key);
        }
    }
}
