#include "RegistryTree.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "Report.h"

namespace {

const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\Dorvik";
const char kGroup[] = "Extended Base";

std::string BoardKeyName(int board) { return "Dorvik" + std::to_string(board); }

std::string BoardKeyPath(int board) { return std::string(kServiceKey) + "\\" + BoardKeyName(board); }

void SetDword(HKEY key, const char *name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof(value));
}

HKEY CreateKey(const std::string &path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    Check(false, "seed: create %s", path.c_str());
    return nullptr;
  }
  return key;
}

HKEY OpenKey(const std::string &path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

std::vector<std::string> SubkeyNames(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof(name);
    if (RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::string Joined(const std::vector<std::string> &names) {
  std::string text;
  for (const std::string &name : names) text += (text.empty() ? "" : ",") + name;
  return "[" + text + "]";
}

struct Value {
  bool Found;
  DWORD Type;
  DWORD Size;
  BYTE Data[64];
};

Value QueryValue(HKEY key, const char *name) {
  Value value = {};
  DWORD size = sizeof(value.Data);
  value.Found = RegQueryValueExA(key, name, nullptr, &value.Type, value.Data, &size) == ERROR_SUCCESS;
  value.Size = size;
  return value;
}

DWORD AsDword(const Value &value) {
  DWORD number = 0;
  memcpy(&number, value.Data, sizeof(number));
  return number;
}

void CheckDwordValue(const char *label, HKEY key, const char *name, DWORD expected) {
  Value value = QueryValue(key, name);
  Check(value.Found && value.Type == REG_DWORD && value.Size == 4 && AsDword(value) == expected,
        "%s: \"%s\" REG_DWORD, 4 bytes, 0x%lX (found %d, type %lu, %lu bytes, 0x%lX)", label, name,
        static_cast<unsigned long>(expected), value.Found, static_cast<unsigned long>(value.Type),
        static_cast<unsigned long>(value.Size), static_cast<unsigned long>(AsDword(value)));
}

void CheckServiceValues(const char *label, HKEY service) {
  std::vector<std::string> names = ValueNames(service);
  Check(names.size() == 4, "%s: service key holds four values %s", label, Joined(names).c_str());
  CheckDwordValue(label, service, "Type", 1);
  CheckDwordValue(label, service, "Start", 1);
  CheckDwordValue(label, service, "ErrorControl", 1);
  Value group = QueryValue(service, "Group");
  Check(group.Found && group.Type == REG_SZ && group.Size == sizeof(kGroup) &&
            memcmp(group.Data, kGroup, sizeof(kGroup)) == 0,
        "%s: \"Group\" REG_SZ \"Extended Base\", 14 bytes with its NUL (type %lu, %lu bytes)", label,
        static_cast<unsigned long>(group.Type), static_cast<unsigned long>(group.Size));
}

void CheckBoardKey(const char *label, const BoardEntry &board) {
  std::string path = BoardKeyPath(board.Board);
  HKEY boardKey = OpenKey(path);
  if (!Check(boardKey != nullptr, "%s: board key %s present", label, BoardKeyName(board.Board).c_str())) {
    return;
  }
  std::vector<std::string> values = ValueNames(boardKey);
  std::vector<std::string> subkeys = SubkeyNames(boardKey);
  Check(values.empty() && subkeys.size() == 1 && subkeys[0] == "Parameters",
        "%s: %s holds only its Parameters key (values %s, keys %s)", label,
        BoardKeyName(board.Board).c_str(), Joined(values).c_str(), Joined(subkeys).c_str());
  RegCloseKey(boardKey);

  HKEY parameters = OpenKey(path + "\\Parameters");
  if (!Check(parameters != nullptr, "%s: %s\\Parameters present", label, BoardKeyName(board.Board).c_str())) {
    return;
  }
  std::vector<std::string> names = ValueNames(parameters);
  Check(names.size() == 1, "%s: %s\\Parameters holds one value %s", label, BoardKeyName(board.Board).c_str(),
        Joined(names).c_str());
  CheckDwordValue((std::string(label) + ": " + BoardKeyName(board.Board)).c_str(), parameters, "PortAddress0",
                  board.PortAddress);
  RegCloseKey(parameters);
}

}  // namespace

void RemoveDriverTree() {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kServiceKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServiceKey);
  HKEY left = OpenKey(kServiceKey);
  if (left != nullptr) {
    RegCloseKey(left);
    Check(false, "seed: the service key could not be removed");
  }
}

void SeedDriverTree(const DriverTree &tree) {
  RemoveDriverTree();
  if (tree.ServiceKey) {
    HKEY service = CreateKey(kServiceKey);
    if (service != nullptr) {
      SetDword(service, "Type", 1);
      SetDword(service, "Start", 1);
      RegSetValueExA(service, "Group", 0, REG_SZ, reinterpret_cast<const BYTE *>(kGroup), sizeof(kGroup));
      SetDword(service, "ErrorControl", 1);
      RegCloseKey(service);
    }
  }
  for (const BoardEntry &board : tree.Boards) {
    HKEY parameters = CreateKey(BoardKeyPath(board.Board) + "\\Parameters");
    if (parameters != nullptr) {
      SetDword(parameters, "PortAddress0", board.PortAddress);
      RegCloseKey(parameters);
    }
  }
  if (tree.EnumKey) {
    HKEY enumKey = CreateKey(std::string(kServiceKey) + "\\Enum");
    if (enumKey != nullptr) {
      SetDword(enumKey, "Count", 1);
      RegCloseKey(enumKey);
    }
  }
}

void CheckDriverTree(const char *label, const DriverTree &expected) {
  HKEY service = OpenKey(kServiceKey);
  if (!expected.ServiceKey) {
    Check(service == nullptr, "%s: no service key", label);
    if (service != nullptr) RegCloseKey(service);
    return;
  }
  if (!Check(service != nullptr, "%s: service key present", label)) return;
  CheckServiceValues(label, service);

  std::vector<std::string> expectedKeys;
  for (const BoardEntry &board : expected.Boards) expectedKeys.push_back(BoardKeyName(board.Board));
  std::vector<std::string> keys = SubkeyNames(service);
  bool same = keys.size() == expectedKeys.size();
  for (const std::string &name : expectedKeys) {
    bool found = false;
    for (const std::string &key : keys) found = found || key == name;
    same = same && found;
  }
  Check(same, "%s: subkeys of the service key %s, expected %s", label, Joined(keys).c_str(),
        Joined(expectedKeys).c_str());
  RegCloseKey(service);

  for (const BoardEntry &board : expected.Boards) CheckBoardKey(label, board);
}
