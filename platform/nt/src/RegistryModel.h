// Shared pieces of the kernel model's registry routines: kernel key paths
// over the machine's registry store, and the rules every registry call obeys.
#pragma once
#include <nt_model.h>

#include <string>

namespace ntmodel {

// Statuses the registry routines return that the driver's header does not name.
const NTSTATUS kStatusObjectPathSyntaxBad = static_cast<NTSTATUS>(0xC000003B);
const NTSTATUS kStatusKeyDeleted = static_cast<NTSTATUS>(0xC000017C);

// Registry routines run at PASSIVE_LEVEL only; reports the call otherwise.
void CheckRegistryIrql(const char *routine);

// Turns a kernel key name into a path of the machine's store.
// An absolute name starts with \REGISTRY\MACHINE (any case); a relative name
// (under an open key) must not start with a backslash. One trailing backslash
// is accepted; empty components elsewhere are not. On failure returns false
// with the status the kernel gives.
bool StorePathOfAbsoluteName(const std::u16string &name, std::string *path, NTSTATUS *status);
bool StorePathOfRelativeName(const std::string &parent, const std::u16string &name,
                             std::string *path, NTSTATUS *status);

// The kernel name of a store path, for reports.
std::string KernelKeyName(const std::string &path);

}  // namespace ntmodel
