// The window table and the window calls that work on any window.
#include "WindowModel.h"

#include <cstring>
#include <map>
#include <memory>

#include "ModelCore.h"

namespace win32model {
namespace detail {
namespace {

std::map<uintptr_t, std::unique_ptr<Window>> &Windows() {
  static std::map<uintptr_t, std::unique_ptr<Window>> windows;
  return windows;
}

}  // namespace

Window *FindWindow(HWND handle) {
  auto it = Windows().find(reinterpret_cast<uintptr_t>(handle));
  return it == Windows().end() ? nullptr : it->second.get();
}

Window *CheckWindow(HWND handle, const char *function) {
  Window *window = FindWindow(handle);
  if (window == nullptr) {
    ReportViolation(std::string(function) + ": " + HandleText(handle) + " is not a window");
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  }
  return window;
}

Window *CreateWindowObject(Window::Type type) {
  auto window = std::make_unique<Window>();
  window->type = type;
  window->handle = NewHandle<HWND>();
  Window *raw = window.get();
  Windows()[reinterpret_cast<uintptr_t>(raw->handle)] = std::move(window);
  return raw;
}

void DestroyWindowTree(Window *window) {
  for (Window *child : window->children) DestroyWindowTree(child);
  Windows().erase(reinterpret_cast<uintptr_t>(window->handle));
}

Window *CreateTopLevelWindow(const std::string &title_utf8) {
  Window *window = CreateWindowObject(Window::Type::kTopLevel);
  window->style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  window->text = Utf8ToAnsi(title_utf8);
  window->class_name = "CabinetWClass";
  return window;
}

Window *ChildById(const Window *dialog, int id) {
  for (Window *child : dialog->children) {
    if (child->id == id) return child;
  }
  return nullptr;
}

UINT ButtonType(const Window *window) { return window->style & BS_TYPEMASK; }

bool IsDropDownList(const Window *window) {
  return window->kind == ControlKind::kComboBox && (window->style & 3) == CBS_DROPDOWNLIST;
}

bool IsPushButton(const Window *window) {
  if (window->kind != ControlKind::kButton) return false;
  UINT type = ButtonType(window);
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON ||
         type == BS_OWNERDRAW;
}

bool IsCheckable(const Window *window) {
  if (window->kind != ControlKind::kButton) return false;
  switch (ButtonType(window)) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_AUTORADIOBUTTON:
      return true;
    default:
      return false;
  }
}

std::string WindowText(const Window *window) {
  if (IsDropDownList(window)) {
    if (window->selection < 0 || window->selection >= static_cast<int>(window->items.size())) {
      return std::string();
    }
    return window->items[static_cast<size_t>(window->selection)];
  }
  return window->text;
}

LRESULT CopyTextOut(const std::string &ansi, WPARAM max, LPARAM buffer) {
  char *out = reinterpret_cast<char *>(buffer);
  if (out == nullptr || max == 0) return 0;
  size_t count = WholeCharacterPrefix(ansi, static_cast<size_t>(max) - 1);
  std::memcpy(out, ansi.data(), count);
  out[count] = '\0';
  return static_cast<LRESULT>(count);
}

void Notify(Window *control, int code) {
  if (control->parent == nullptr || control->parent->dialog == nullptr) return;
  DispatchToDialog(control->parent, WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(control->id), static_cast<WORD>(code)),
                   reinterpret_cast<LPARAM>(control->handle));
}

LRESULT SendToWindow(Window *window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (window->type) {
    case Window::Type::kControl:
      return SendToControl(window, message, wparam, lparam);
    case Window::Type::kDialog:
      return DispatchToDialog(window, message, wparam, lparam);
    case Window::Type::kTopLevel:
      break;
  }
  switch (message) {
    case WM_SETTEXT:
      window->text = lparam ? reinterpret_cast<const char *>(lparam) : "";
      return TRUE;
    case WM_GETTEXT:
      return CopyTextOut(window->text, wparam, lparam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(window->text.size());
    default:
      return 0;
  }
}

void ResetWindowModel() { Windows().clear(); }

}  // namespace detail
}  // namespace win32model

using namespace win32model;
using namespace win32model::detail;

extern "C" LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Window *window = CheckWindow(hWnd, "SendMessageA");
  return window ? SendToWindow(window, Msg, wParam, lParam) : 0;
}

extern "C" int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  if (lpString != nullptr && nMaxCount > 0) lpString[0] = '\0';
  Window *window = CheckWindow(hWnd, "GetWindowTextA");
  if (window == nullptr || lpString == nullptr || nMaxCount <= 0) return 0;
  return static_cast<int>(SendToWindow(window, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                       reinterpret_cast<LPARAM>(lpString)));
}

extern "C" BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  Window *window = CheckWindow(hWnd, "SetWindowTextA");
  if (window == nullptr) return FALSE;
  return SendToWindow(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) == TRUE;
}

extern "C" BOOL WINAPI IsWindow(HWND hWnd) { return FindWindow(hWnd) != nullptr; }

extern "C" BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  Window *window = CheckWindow(hWnd, "IsWindowEnabled");
  return window != nullptr && (window->style & WS_DISABLED) == 0;
}

extern "C" BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  Window *window = CheckWindow(hWnd, "EnableWindow");
  if (window == nullptr) return FALSE;
  BOOL was_disabled = (window->style & WS_DISABLED) != 0;
  if (bEnable) {
    window->style &= ~static_cast<DWORD>(WS_DISABLED);
  } else {
    window->style |= WS_DISABLED;
    // A disabled control cannot keep the focus.
    if (window->parent != nullptr && FocusOf(window->parent) == window) {
      SetFocusTo(window->parent, nullptr);
    }
  }
  return was_disabled;
}

extern "C" HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  Window *dialog = CheckWindow(hDlg, "GetDlgItem");
  if (dialog == nullptr) return nullptr;
  Window *control = ChildById(dialog, nIDDlgItem);
  if (control == nullptr) {
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
  }
  return control->handle;
}

extern "C" int WINAPI GetDlgCtrlID(HWND hWnd) {
  Window *window = CheckWindow(hWnd, "GetDlgCtrlID");
  return window != nullptr && window->type == Window::Type::kControl ? window->id : 0;
}

extern "C" HWND WINAPI GetFocus(void) {
  Window *dialog = ActiveDialog();
  Window *focus = dialog ? FocusOf(dialog) : nullptr;
  return focus ? focus->handle : nullptr;
}

extern "C" HWND WINAPI SetFocus(HWND hWnd) {
  HWND previous = GetFocus();
  if (hWnd == nullptr) {
    if (Window *dialog = ActiveDialog()) SetFocusTo(dialog, nullptr);
    return previous;
  }
  Window *window = CheckWindow(hWnd, "SetFocus");
  if (window == nullptr) return nullptr;
  if (window->type == Window::Type::kControl && window->parent != nullptr) {
    SetFocusTo(window->parent, window);
  }
  return previous;
}
