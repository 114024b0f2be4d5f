// The Control Panel applet in the simulated machine: the Control Panel loads
// it, a user double-clicks it and works its dialog. The applet and the driver
// meet only through the machine's registry. This interface is free of Win32
// types: the kernel's and Win32's headers never meet in one file.
#pragma once

#include <string>
#include <vector>

class AppletSession {
 public:
  // What the dialog shows after a step: the board chosen, ACTIVE, the address text.
  struct View {
    std::string board;
    bool active = false;
    std::string address;
  };
  enum class StepKind { kBoard, kActive, kAddress };
  struct Step {
    StepKind kind;
    int number;        // kBoard: the board; kActive: 1 or 0
    std::string text;  // kAddress: what the user types
  };
  struct Result {
    std::vector<View> views;  // one per step, in order
    bool confirmed = false;   // a confirmation box was shown
    std::string caption;      // its caption and text (UTF-8)
    std::string text;
    long dialog_result = 0;
    long double_click_result = 0;
  };

  // res_path: the applet's compiled resources.
  explicit AppletSession(std::string res_path) : res_path_(std::move(res_path)) {}
  ~AppletSession();

  // The Control Panel loads the applet; its name and description as listed.
  bool Open(std::string &name, std::string &description, std::string &error);
  bool IsOpen() const { return open_; }
  void Queue(const Step &step) { steps_.push_back(step); }
  // The user double-clicks, takes the queued steps and presses OK or Cancel;
  // then the Control Panel closes.
  Result Finish(bool ok);
  // Win32 model faults seen so far.
  std::vector<std::string> TakeFaults();

 private:
  std::string res_path_;
  bool open_ = false;
  std::vector<Step> steps_;
  void *host_ = nullptr;
};

// Resets the Win32 side of the machine and routes its faults to the session list.
void ResetWin32Side();
