// The key tree and its value lists, guarded by one mutex.
#include "RegistryStore.h"

#include <algorithm>

namespace regstore {

struct Store::Key {
  std::string name;
  std::vector<std::unique_ptr<Key>> subkeys;  // in creation order
  std::vector<Value> values;                  // in creation order

  Key *Child(const std::string &child_name) const {
    for (const auto &k : subkeys) {
      if (NamesEqual(k->name, child_name)) return k.get();
    }
    return nullptr;
  }
  Value *FindValue(const std::string &value_name) {
    for (Value &v : values) {
      if (NamesEqual(v.name, value_name)) return &v;
    }
    return nullptr;
  }
  void RemoveChild(const Key *child) {
    subkeys.erase(std::find_if(subkeys.begin(), subkeys.end(),
                               [child](const std::unique_ptr<Key> &k) { return k.get() == child; }));
  }
};

namespace {
char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool NamesEqual(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::vector<std::string> SplitPath(const std::string &path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

Store::Store() : root_(new Key) {}
Store::~Store() = default;

Store::Key *Store::FindLocked(const std::string &path) const {
  Key *key = root_.get();
  for (const std::string &part : SplitPath(path)) {
    key = key->Child(part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

bool Store::KeyExists(const std::string &path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return FindLocked(path) != nullptr;
}

bool Store::CreateKey(const std::string &path) {
  std::lock_guard<std::mutex> lock(mutex_);
  Key *key = root_.get();
  bool created = false;
  for (const std::string &part : SplitPath(path)) {
    Key *child = key->Child(part);
    if (child == nullptr) {
      key->subkeys.push_back(std::make_unique<Key>());
      child = key->subkeys.back().get();
      child->name = part;
      created = true;
    }
    key = child;
  }
  return created;
}

Status Store::DeleteKey(const std::string &path) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return Status::kInvalidPath;
  std::lock_guard<std::mutex> lock(mutex_);
  Key *key = FindLocked(path);
  if (key == nullptr) return Status::kKeyNotFound;
  if (!key->subkeys.empty()) return Status::kHasSubkeys;
  parts.pop_back();
  Key *parent = root_.get();
  for (const std::string &part : parts) parent = parent->Child(part);
  parent->RemoveChild(key);
  return Status::kOk;
}

Status Store::DeleteTree(const std::string &path) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return Status::kInvalidPath;
  std::lock_guard<std::mutex> lock(mutex_);
  Key *key = FindLocked(path);
  if (key == nullptr) return Status::kKeyNotFound;
  parts.pop_back();
  Key *parent = root_.get();
  for (const std::string &part : parts) parent = parent->Child(part);
  parent->RemoveChild(key);
  return Status::kOk;
}

std::optional<std::string> Store::CanonicalPath(const std::string &path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Key *key = root_.get();
  std::string out;
  for (const std::string &part : SplitPath(path)) {
    key = key->Child(part);
    if (key == nullptr) return std::nullopt;
    if (!out.empty()) out += '\\';
    out += key->name;
  }
  return out;
}

Status Store::SetValue(const std::string &key_path, const std::string &name, uint32_t type,
                       const std::vector<uint8_t> &data) {
  std::lock_guard<std::mutex> lock(mutex_);
  Key *key = FindLocked(key_path);
  if (key == nullptr) return Status::kKeyNotFound;
  Value *value = key->FindValue(name);
  if (value == nullptr) {
    key->values.push_back(Value{name, type, data});
  } else {
    // Replacing keeps the name's original case, as the platform does.
    value->type = type;
    value->data = data;
  }
  return Status::kOk;
}

Status Store::QueryValue(const std::string &key_path, const std::string &name, Value *out) const {
  std::lock_guard<std::mutex> lock(mutex_);
  Key *key = FindLocked(key_path);
  if (key == nullptr) return Status::kKeyNotFound;
  const Value *value = key->FindValue(name);
  if (value == nullptr) return Status::kValueNotFound;
  if (out != nullptr) *out = *value;
  return Status::kOk;
}

Status Store::DeleteValue(const std::string &key_path, const std::string &name) {
  std::lock_guard<std::mutex> lock(mutex_);
  Key *key = FindLocked(key_path);
  if (key == nullptr) return Status::kKeyNotFound;
  const Value *value = key->FindValue(name);
  if (value == nullptr) return Status::kValueNotFound;
  key->values.erase(key->values.begin() + (value - key->values.data()));
  return Status::kOk;
}

Status Store::SetDword(const std::string &key_path, const std::string &name, uint32_t value) {
  std::vector<uint8_t> data(4);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(value >> (8 * i));
  return SetValue(key_path, name, kRegDword, data);
}

Status Store::SetString(const std::string &key_path, const std::string &name,
                        const std::string &text, uint32_t type) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  return SetValue(key_path, name, type, data);
}

std::vector<std::string> Store::SubkeyNames(const std::string &path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  if (const Key *key = FindLocked(path)) {
    for (const auto &k : key->subkeys) names.push_back(k->name);
  }
  return names;
}

std::vector<Value> Store::Values(const std::string &path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (const Key *key = FindLocked(path)) return key->values;
  return {};
}

void Store::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  root_ = std::make_unique<Key>();
}

Store &Machine() {
  static Store machine;
  return machine;
}

}  // namespace regstore
