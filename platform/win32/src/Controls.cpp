// What the standard controls do with the messages a program sends them:
// buttons, edits, statics and combo boxes. Notifications go to the dialog.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "WindowModel.h"

namespace win32model {
namespace detail {
namespace {

const char *TextArgument(LPARAM lparam) {
  const char *text = reinterpret_cast<const char *>(lparam);
  return text ? text : "";
}

bool IsThreeState(const Window *w) {
  return ButtonType(w) == BS_3STATE || ButtonType(w) == BS_AUTO3STATE;
}

int CompareNoCase(const std::string &a, const std::string &b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int ca = std::tolower(static_cast<unsigned char>(a[i]));
    int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool ValidIndex(const Window *w, WPARAM index) {
  return static_cast<INT_PTR>(index) >= 0 && index < w->items.size();
}

LRESULT InsertItem(Window *w, INT_PTR index, const char *text) {
  std::string item = text;
  size_t at = 0;
  if (index < 0) {
    at = w->items.size();
    if (w->style & CBS_SORT) {
      at = 0;
      while (at < w->items.size() && CompareNoCase(w->items[at], item) <= 0) ++at;
    }
  } else if (static_cast<size_t>(index) <= w->items.size()) {
    at = static_cast<size_t>(index);
  } else {
    return CB_ERR;
  }
  w->items.insert(w->items.begin() + static_cast<std::ptrdiff_t>(at), item);
  w->item_data.insert(w->item_data.begin() + static_cast<std::ptrdiff_t>(at), 0);
  if (w->selection >= static_cast<int>(at)) ++w->selection;
  return static_cast<LRESULT>(at);
}

// The first item after `start` (from the start for -1), wrapping around, that
// equals `text` or, for a prefix search, begins with it; ASCII case ignored.
LRESULT FindItem(const Window *w, WPARAM start, const char *text, bool exact) {
  size_t count = w->items.size();
  if (count == 0) return CB_ERR;
  std::string wanted = text;
  size_t first = ValidIndex(w, start) ? static_cast<size_t>(start) + 1 : 0;
  for (size_t k = 0; k < count; ++k) {
    size_t i = (first + k) % count;
    const std::string &item = w->items[i];
    std::string head = exact ? item : item.substr(0, std::min(item.size(), wanted.size()));
    if ((exact || item.size() >= wanted.size()) && CompareNoCase(head, wanted) == 0) {
      return static_cast<LRESULT>(i);
    }
  }
  return CB_ERR;
}

LRESULT ComboMessage(Window *w, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case CB_ADDSTRING:
      if (lparam == 0) return CB_ERR;
      return InsertItem(w, -1, TextArgument(lparam));
    case CB_INSERTSTRING:
      if (lparam == 0) return CB_ERR;
      return InsertItem(w, static_cast<INT_PTR>(wparam), TextArgument(lparam));
    case CB_DELETESTRING: {
      if (!ValidIndex(w, wparam)) return CB_ERR;
      int index = static_cast<int>(wparam);
      w->items.erase(w->items.begin() + index);
      w->item_data.erase(w->item_data.begin() + index);
      if (w->selection == index)
        w->selection = -1;
      else if (w->selection > index)
        --w->selection;
      return static_cast<LRESULT>(w->items.size());
    }
    case CB_RESETCONTENT:
      w->items.clear();
      w->item_data.clear();
      w->selection = -1;
      return CB_OKAY;
    case CB_GETCOUNT:
      return static_cast<LRESULT>(w->items.size());
    case CB_GETCURSEL:
      return w->selection;
    case CB_SETCURSEL:
      // Out of range (or -1) clears the selection; no notification is sent.
      if (!ValidIndex(w, wparam)) {
        w->selection = -1;
        return CB_ERR;
      }
      w->selection = static_cast<int>(wparam);
      return w->selection;
    case CB_GETLBTEXT: {
      if (!ValidIndex(w, wparam) || lparam == 0) return CB_ERR;
      const std::string &item = w->items[wparam];
      std::memcpy(reinterpret_cast<char *>(lparam), item.c_str(), item.size() + 1);
      return static_cast<LRESULT>(item.size());
    }
    case CB_GETLBTEXTLEN:
      return ValidIndex(w, wparam) ? static_cast<LRESULT>(w->items[wparam].size()) : CB_ERR;
    case CB_FINDSTRING:
      return FindItem(w, wparam, TextArgument(lparam), false);
    case CB_FINDSTRINGEXACT:
      return FindItem(w, wparam, TextArgument(lparam), true);
    case CB_SELECTSTRING: {
      LRESULT index = FindItem(w, wparam, TextArgument(lparam), false);
      if (index != CB_ERR) w->selection = static_cast<int>(index);
      return index;
    }
    case CB_GETITEMDATA:
      return ValidIndex(w, wparam) ? w->item_data[wparam] : CB_ERR;
    case CB_SETITEMDATA:
      if (!ValidIndex(w, wparam)) return CB_ERR;
      w->item_data[wparam] = lparam;
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return w->dropped ? TRUE : FALSE;
    case WM_SETTEXT:
      // A drop-down list has no edit field to take a text.
      if (IsDropDownList(w)) return CB_ERR;
      w->text = TextArgument(lparam);
      return TRUE;
    default:
      return 0;
  }
}

LRESULT ButtonMessage(Window *w, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case BM_GETCHECK:
      return IsCheckable(w) ? static_cast<LRESULT>(w->check) : BST_UNCHECKED;
    case BM_SETCHECK:
      if (IsCheckable(w)) {
        // A two-state box has no indeterminate state: any other value checks it.
        UINT highest = IsThreeState(w) ? BST_INDETERMINATE : BST_CHECKED;
        w->check = wparam > highest ? highest : static_cast<UINT>(wparam);
      }
      return 0;
    case BM_GETSTATE: {
      LRESULT state = IsCheckable(w) ? static_cast<LRESULT>(w->check) : 0;
      if (w->parent != nullptr && FocusOf(w->parent) == w) state |= BST_FOCUS;
      return state;
    }
    case BM_SETSTYLE:
      w->style = (w->style & 0xFFFF0000u) | LOWORD(wparam);
      return 0;
    case BM_CLICK:
      ClickButton(w);
      return 0;
    case WM_SETTEXT:
      w->text = TextArgument(lparam);
      return TRUE;
    default:
      return 0;
  }
}

LRESULT EditMessage(Window *w, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case EM_LIMITTEXT:
      w->text_limit = wparam == 0 ? 0x7FFFFFFE : static_cast<size_t>(wparam);
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(w->text_limit);
    case WM_SETTEXT:
      w->text = TextArgument(lparam);
      // A single-line edit reports a new text like a typed one.
      if ((w->style & ES_MULTILINE) == 0) {
        Notify(w, EN_UPDATE);
        Notify(w, EN_CHANGE);
      }
      return TRUE;
    default:
      return 0;
  }
}

}  // namespace

LRESULT SendToControl(Window *control, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_GETTEXT:
      return CopyTextOut(WindowText(control), wparam, lparam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(WindowText(control).size());
    default:
      break;
  }
  switch (control->kind) {
    case ControlKind::kComboBox:
      return ComboMessage(control, message, wparam, lparam);
    case ControlKind::kButton:
      return ButtonMessage(control, message, wparam, lparam);
    case ControlKind::kEdit:
      return EditMessage(control, message, wparam, lparam);
    default:
      if (message == WM_SETTEXT) {
        control->text = TextArgument(lparam);
        return TRUE;
      }
      return 0;
  }
}

void ClickButton(Window *button) {
  if (button->parent != nullptr) SetFocusTo(button->parent, button);
  switch (ButtonType(button)) {
    case BS_AUTOCHECKBOX:
      button->check = button->check == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED;
      break;
    case BS_AUTO3STATE:
      button->check = (button->check + 1) % 3;
      break;
    case BS_AUTORADIOBUTTON:
      // The other radio buttons of its group (from a WS_GROUP control to the next).
      if (button->parent != nullptr) {
        const std::vector<Window *> &all = button->parent->children;
        size_t at = static_cast<size_t>(std::find(all.begin(), all.end(), button) - all.begin());
        size_t first = at;
        while (first > 0 && (all[first]->style & WS_GROUP) == 0) --first;
        for (size_t i = first; i < all.size(); ++i) {
          if (i > first && (all[i]->style & WS_GROUP)) break;
          if (all[i] != button && ButtonType(all[i]) == BS_AUTORADIOBUTTON &&
              all[i]->kind == ControlKind::kButton) {
            all[i]->check = BST_UNCHECKED;
          }
        }
      }
      button->check = BST_CHECKED;
      break;
    default:
      break;
  }
  Notify(button, BN_CLICKED);
}

}  // namespace detail
}  // namespace win32model
