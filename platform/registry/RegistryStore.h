// The machine's registry: one tree of keys and typed values under
// \REGISTRY\MACHINE, shared by the kernel model and the Win32 model.
//
// Paths are relative to the machine root and use backslashes, e.g.
// "SYSTEM\\CurrentControlSet\\Services\\Dorvik"; the empty path is the root.
// Leading, trailing and doubled backslashes are ignored. Key and value names
// match without regard to ASCII case and keep the case they were created with.
// Names and string data are UTF-8; value data are raw bytes as stored.
// Every operation is atomic with respect to the others (one mutex).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace regstore {

// Value types, numbered as the platform numbers them.
enum ValueType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

struct Value {
  std::string name;  // as created; "" is the key's default value
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;
};

enum class Status {
  kOk,
  kKeyNotFound,    // the key (or a parent on the way) does not exist
  kValueNotFound,  // the key exists, the value does not
  kHasSubkeys,     // a key with subkeys cannot be deleted
  kInvalidPath,    // e.g. deleting the root
};

// Which text form Export writes.
enum class RegFileFormat {
  kRegedit4,  // "REGEDIT4", ANSI text
  kVersion5,  // "Windows Registry Editor Version 5.00"
};

struct ImportResult {
  bool ok = true;
  int error_line = 0;  // 1-based line of the first error when !ok
  std::string error;   // what was wrong there
};

class Store {
 public:
  Store();
  ~Store();
  Store(const Store &) = delete;
  Store &operator=(const Store &) = delete;

  // ---- Keys ----
  bool KeyExists(const std::string &path) const;
  // Creates the key and any missing parents; true when it did not exist before.
  bool CreateKey(const std::string &path);
  // Deletes one key that has no subkeys (its values go with it).
  Status DeleteKey(const std::string &path);
  // Deletes a key with everything below it (used by "[-key]" in .reg text).
  Status DeleteTree(const std::string &path);
  // The path as stored, with each component in its created case; nullopt if missing.
  std::optional<std::string> CanonicalPath(const std::string &path) const;

  // ---- Values ----
  // Creates or replaces a value; the key must exist.
  Status SetValue(const std::string &key_path, const std::string &name, uint32_t type,
                  const std::vector<uint8_t> &data);
  Status QueryValue(const std::string &key_path, const std::string &name, Value *out) const;
  Status DeleteValue(const std::string &key_path, const std::string &name);

  // Convenience forms for tests and seeding.
  Status SetDword(const std::string &key_path, const std::string &name, uint32_t value);
  // Stores UTF-8 text with one terminating zero byte, as the ANSI calls store it.
  Status SetString(const std::string &key_path, const std::string &name, const std::string &text,
                   uint32_t type = kRegSz);

  // ---- Enumeration ----
  // Subkey names and values in creation order; empty if the key is missing.
  std::vector<std::string> SubkeyNames(const std::string &path) const;
  std::vector<Value> Values(const std::string &path) const;

  // ---- Whole store ----
  void Clear();  // an empty root key

  // Applies registry editor text (REGEDIT4 or version 5). Bytes starting with a
  // UTF-16LE BOM are decoded as UTF-16LE; other bytes as UTF-8. Keys must lie
  // under HKEY_LOCAL_MACHINE. Lines before the first error stay applied.
  ImportResult Import(const std::string &bytes);
  ImportResult ImportFile(const std::string &file_path);

  // The subtree at key_path as registry editor text, the key itself first.
  // REGEDIT4 comes as UTF-8 text, version 5 as UTF-16LE with a BOM (the file's
  // bytes). Returns "" when the key is missing.
  std::string Export(const std::string &key_path,
                     RegFileFormat format = RegFileFormat::kRegedit4) const;

 private:
  struct Key;
  Key *FindLocked(const std::string &path) const;
  mutable std::mutex mutex_;
  std::unique_ptr<Key> root_;
};

// The one registry of the machine.
Store &Machine();

// Splits a relative path into its non-empty components.
std::vector<std::string> SplitPath(const std::string &path);
// ASCII case-insensitive equality of two names.
bool NamesEqual(const std::string &a, const std::string &b);

}  // namespace regstore
