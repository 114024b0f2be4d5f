// The model's verifier: where every broken kernel rule is reported.
#include <nt_model.h>

#include <cstdio>
#include <mutex>

namespace ntmodel {
namespace {
std::mutex g_mutex;
ViolationHook g_hook;
ViolationCapture *g_capture = nullptr;
}  // namespace

void SetViolationHook(ViolationHook hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_hook = std::move(hook);
}

void ReportViolation(const std::string &message) {
  ViolationHook hook;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_capture != nullptr) {
      g_capture->messages_.push_back(message);
      return;
    }
    hook = g_hook;
  }
  if (hook) {
    hook(message);
  } else {
    std::fprintf(stderr, "kernel model verifier: %s\n", message.c_str());
  }
}

ViolationCapture::ViolationCapture() {
  std::lock_guard<std::mutex> lock(g_mutex);
  outer_ = g_capture;
  g_capture = this;
}

ViolationCapture::~ViolationCapture() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_capture = outer_;
}

bool ViolationCapture::Contains(const std::string &fragment) const {
  for (const auto &m : messages_) {
    if (m.find(fragment) != std::string::npos) return true;
  }
  return false;
}

}  // namespace ntmodel
