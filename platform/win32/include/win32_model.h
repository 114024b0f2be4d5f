// Controls of the Win32 model that only tests use: a fresh machine, the
// report of broken rules, and what a program must not leave behind. Program
// sources never include this header.
//
// Texts handed to and returned by these controls are UTF-8 unless a name says
// "ansi": ANSI texts are the bytes the A calls see, in code page 932.
//
// The model is single-threaded: it runs on the thread of the Control Panel
// host, as the applet does.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win32_control_panel.h"
#include "win32_dialogs.h"
#include "win32_registry.h"
#include "win32_resources.h"
#include "win32_text.h"

namespace win32model {

// ---- Broken rules ----------------------------------------------------------------------
// Misuse that the platform would not catch, or would answer with a crash or
// silent damage, is reported here: invalid handles, closing a key twice, a
// modal dialog without a scripted user. By default a report goes to the
// installed hook (a test fixture turns it into a failure); a capture collects
// reports instead so a test can prove that a check fires.
using ViolationHook = std::function<void(const std::string &)>;
void SetViolationHook(ViolationHook hook);
void ReportViolation(const std::string &message);

class ViolationCapture {
 public:
  ViolationCapture();
  ~ViolationCapture();
  ViolationCapture(const ViolationCapture &) = delete;
  ViolationCapture &operator=(const ViolationCapture &) = delete;
  const std::vector<std::string> &Messages() const { return messages_; }
  bool Contains(const std::string &fragment) const;

 private:
  friend void ReportViolation(const std::string &message);
  std::vector<std::string> messages_;
  ViolationCapture *outer_;
};

// ---- Machine ------------------------------------------------------------------------------
// A fresh machine: an empty registry, no loaded resource modules, windows,
// queued dialog users, records, denied registry paths or last error.
void Reset();

// What a program must not leave behind: open registry keys, queued dialog
// users that no dialog consumed, dialogs still open.
std::vector<std::string> LeftBehind();

}  // namespace win32model
