// The acceptance cases: each opens the settings dialog once from a prepared
// registry, acts on it as a user and states the registry tree it must leave.
#ifndef DORVIK_WINE_ACCEPTANCE_CASES_H
#define DORVIK_WINE_ACCEPTANCE_CASES_H

#include <stddef.h>

#include "DialogUser.h"
#include "RegistryTree.h"

struct AcceptanceCase {
  const char *Name;
  bool Reseed;          // false: the case starts from what the one before left
  DriverTree Seed;
  void (*Act)(DialogUser &user);
  DriverTree Expected;  // after the dialog has closed
};

const AcceptanceCase *AcceptanceCases(size_t *count);

#endif
