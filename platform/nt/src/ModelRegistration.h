// Lets a model subsystem register its reset and leak checks at start-up.
#pragma once
#include <nt_model.h>

namespace ntmodel {
struct SubsystemRegistration {
  SubsystemRegistration(std::function<void()> reset,
                        std::function<void(std::vector<std::string> &)> left_behind = nullptr) {
    RegisterResetHook(std::move(reset));
    if (left_behind) RegisterLeftBehindCheck(std::move(left_behind));
  }
};
}  // namespace ntmodel
