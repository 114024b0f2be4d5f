// Fixed texts of the registry editor's file format.
#pragma once

namespace regstore {

constexpr const char *kRegedit4Header = "REGEDIT4";
constexpr const char *kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr const char *kMachineRoot = "HKEY_LOCAL_MACHINE";

}  // namespace regstore
