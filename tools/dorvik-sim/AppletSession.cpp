#include "AppletSession.h"

#include <ControlPanelEntry.h>
#include <windows.h>
#include <win32_model.h>

#include <memory>
#include <mutex>

namespace {
const int kBoardList = 1023;
const int kActive = 1008;
const int kAddress = 1001;

std::mutex g_mutex;
std::vector<std::string> g_faults;

win32model::ControlPanelHost *Host(void *host) { return static_cast<win32model::ControlPanelHost *>(host); }
}  // namespace

void ResetWin32Side() {
  win32model::Reset();
  win32model::SetViolationHook([](const std::string &message) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_faults.push_back(message);
  });
}

AppletSession::~AppletSession() { delete Host(host_); }

std::vector<std::string> AppletSession::TakeFaults() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<std::string> out;
  out.swap(g_faults);
  return out;
}

bool AppletSession::Open(std::string &name, std::string &description, std::string &error) {
  if (open_) {
    error = "the applet is open already";
    return false;
  }
  HINSTANCE module = win32model::LoadResourceModule(res_path_);
  if (module == nullptr) {
    error = "cannot load the applet's resources from " + res_path_;
    return false;
  }
  auto host = std::make_unique<win32model::ControlPanelHost>(module, DllMain, CPlApplet);
  if (!host->Load() || host->applets().empty()) {
    error = "the Control Panel could not load the applet";
    return false;
  }
  name = host->applets()[0].name;
  description = host->applets()[0].description;
  delete Host(host_);
  host_ = host.release();
  steps_.clear();
  open_ = true;
  return true;
}

AppletSession::Result AppletSession::Finish(bool ok) {
  Result result;
  auto record = std::make_shared<std::vector<View>>();
  auto snapshot = [record](const win32model::DialogView &view) {
    View shown;
    shown.board = view.Control(kBoardList).text;
    shown.active = view.Control(kActive).check == BST_CHECKED;
    shown.address = view.Control(kAddress).text;
    record->push_back(shown);
  };
  win32model::DialogUser user;
  for (const Step &step : steps_) {
    switch (step.kind) {
      case StepKind::kBoard: user.ChooseListItem(kBoardList, step.number); break;
      case StepKind::kActive: user.SetCheck(kActive, step.number != 0); break;
      case StepKind::kAddress: user.TypeText(kAddress, step.text); break;
    }
    user.Inspect(snapshot);
  }
  user.PressButton(ok ? IDOK : IDCANCEL);

  const size_t boxes_before = win32model::MessageBoxes().size();
  win32model::QueueDialogUser(std::move(user));
  result.double_click_result = Host(host_)->DoubleClick(0);
  std::vector<win32model::DialogRecord> dialogs = win32model::Dialogs();
  if (!dialogs.empty()) result.dialog_result = static_cast<long>(dialogs.back().result);
  std::vector<win32model::MessageBoxRecord> boxes = win32model::MessageBoxes();
  if (boxes.size() > boxes_before) {
    result.confirmed = true;
    result.caption = boxes.back().caption;
    result.text = boxes.back().text;
  }
  result.views = *record;
  Host(host_)->Unload();
  delete Host(host_);
  host_ = nullptr;
  steps_.clear();
  open_ = false;
  return result;
}
