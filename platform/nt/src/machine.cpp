// Machine-wide reset and the "nothing left behind" checks.
#include <nt_model.h>

#include <mutex>

namespace ntmodel {
namespace {
std::mutex g_mutex;
std::vector<std::function<void()>> &ResetHooks() {
  static std::vector<std::function<void()>> hooks;
  return hooks;
}
std::vector<std::function<void(std::vector<std::string> &)>> &Checks() {
  static std::vector<std::function<void(std::vector<std::string> &)>> checks;
  return checks;
}
}  // namespace

void RegisterResetHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  ResetHooks().push_back(std::move(hook));
}

void RegisterLeftBehindCheck(std::function<void(std::vector<std::string> &)> check) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Checks().push_back(std::move(check));
}

void ResetMachine() {
  std::vector<std::function<void()>> hooks;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    hooks = ResetHooks();
  }
  for (auto &hook : hooks) hook();
}

std::vector<std::string> LeftBehind() {
  std::vector<std::function<void(std::vector<std::string> &)>> checks;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    checks = Checks();
  }
  std::vector<std::string> found;
  for (auto &check : checks) check(found);
  return found;
}

}  // namespace ntmodel
