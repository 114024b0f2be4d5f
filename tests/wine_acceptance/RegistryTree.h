// The driver's registry tree under HKEY_LOCAL_MACHINE, as the acceptance
// cases lay it out before a dialog and expect it afterwards, read and written
// through the Win32 registry calls.
#ifndef DORVIK_WINE_ACCEPTANCE_REGISTRY_TREE_H
#define DORVIK_WINE_ACCEPTANCE_REGISTRY_TREE_H

#include <windows.h>

#include <vector>

struct BoardEntry {
  int Board;
  DWORD PortAddress;
};

struct DriverTree {
  bool ServiceKey;                  // the service key with its four values
  std::vector<BoardEntry> Boards;   // board keys with their parameters keys
  bool EnumKey;                     // an "Enum" key under the service key (seeding only)
};

// Removes the whole tree, whatever it holds.
void RemoveDriverTree();

// Replaces the tree with the given one.
void SeedDriverTree(const DriverTree &tree);

// Checks that the registry holds exactly this tree: the service values with
// their types, sizes and data, the board keys present and absent, and each
// "PortAddress0".
void CheckDriverTree(const char *label, const DriverTree &expected);

#endif
