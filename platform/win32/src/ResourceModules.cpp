// Resource modules: compiled resource files loaded under an instance handle.
#include "ResourceModules.h"

#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "ModelCore.h"

namespace win32model {
namespace {

struct Module {
  std::string name;
  ResourceFile resources;
};

std::map<uintptr_t, std::unique_ptr<Module>> &Modules() {
  static std::map<uintptr_t, std::unique_ptr<Module>> modules;
  return modules;
}

}  // namespace

HINSTANCE LoadResourceModuleFromBytes(const std::vector<uint8_t> &bytes, const std::string &name) {
  auto module = std::make_unique<Module>();
  module->name = name;
  std::string error;
  if (!ParseResFile(bytes, &module->resources, &error)) {
    ReportViolation("resource module " + name + " is malformed: " + error);
    return nullptr;
  }
  HINSTANCE handle = detail::NewHandle<HINSTANCE>();
  Modules()[reinterpret_cast<uintptr_t>(handle)] = std::move(module);
  return handle;
}

HINSTANCE LoadResourceModule(const std::string &res_path) {
  std::ifstream file(res_path, std::ios::binary);
  if (!file) {
    ReportViolation("resource module " + res_path + " cannot be read");
    return nullptr;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  return LoadResourceModuleFromBytes(bytes, res_path);
}

const ResourceFile *ModuleResources(HINSTANCE module) {
  auto it = Modules().find(reinterpret_cast<uintptr_t>(module));
  return it == Modules().end() ? nullptr : &it->second->resources;
}

namespace detail {

const ResourceFile *ModuleFor(HINSTANCE module, const char *function) {
  if (module == nullptr) return nullptr;
  const ResourceFile *resources = ModuleResources(module);
  if (resources == nullptr) {
    ReportViolation(std::string(function) + ": " + HandleText(module) +
                    " is not the instance handle of a loaded module");
  }
  return resources;
}

bool IsLoadedModule(HINSTANCE module) { return ModuleResources(module) != nullptr; }

void ResetIconModel();
void ResetResourceModel() {
  ResetIconModel();
  Modules().clear();
}

}  // namespace detail
}  // namespace win32model
