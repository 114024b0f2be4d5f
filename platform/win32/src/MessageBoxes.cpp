// Message boxes: recorded, and answered at once with the type's first button
// as a person pressing Enter would.
#include "ModelCore.h"
#include "WindowModel.h"

namespace win32model {
namespace {

std::vector<MessageBoxRecord> g_boxes;

int FirstButton(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

}  // namespace

std::vector<MessageBoxRecord> MessageBoxes() { return g_boxes; }

namespace detail {
void ResetMessageBoxes() { g_boxes.clear(); }
}  // namespace detail

}  // namespace win32model

extern "C" int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  using namespace win32model;
  if (hWnd != nullptr && detail::CheckWindow(hWnd, "MessageBoxA") == nullptr) return 0;
  MessageBoxRecord box;
  box.owner = hWnd;
  box.null_text = lpText == nullptr;
  box.null_caption = lpCaption == nullptr;
  box.ansi_text = lpText ? lpText : "";
  box.ansi_caption = lpCaption ? lpCaption : "Error";
  box.text = AnsiToUtf8(box.ansi_text);
  box.caption = AnsiToUtf8(box.ansi_caption);
  box.type = uType;
  box.answer = FirstButton(uType);
  g_boxes.push_back(box);
  return box.answer;
}
