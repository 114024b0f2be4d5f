// The scripted user of a modal dialog: each action does what a person's
// mouse click or key press does, with the notifications the controls send.
#include <algorithm>
#include <cctype>

#include "ModelCore.h"
#include "WindowModel.h"

namespace win32model {

using Kind = DialogUser::Action::Kind;

DialogUser &DialogUser::Add(Action action) {
  actions_.push_back(std::move(action));
  return *this;
}

DialogUser &DialogUser::FocusControl(int id) { return Add({Kind::kFocus, id, 0, {}, {}}); }

DialogUser &DialogUser::ChooseListItem(int id, int index) {
  return Add({Kind::kChooseListItem, id, index, {}, {}});
}

DialogUser &DialogUser::ClickCheckBox(int id) { return Add({Kind::kClickCheckBox, id, 0, {}, {}}); }

DialogUser &DialogUser::SetCheck(int id, bool checked) {
  return Add({Kind::kSetCheck, id, checked ? 1 : 0, {}, {}});
}

DialogUser &DialogUser::TypeText(int id, const std::string &utf8) {
  return Add({Kind::kTypeText, id, 0, utf8, {}});
}

DialogUser &DialogUser::PressButton(int id) { return Add({Kind::kPressButton, id, 0, {}, {}}); }

DialogUser &DialogUser::PressEnter() { return Add({Kind::kPressEnter, 0, 0, {}, {}}); }

DialogUser &DialogUser::PressEscape() { return Add({Kind::kPressEscape, 0, 0, {}, {}}); }

DialogUser &DialogUser::PressTab(bool backwards) {
  return Add({Kind::kPressTab, 0, backwards ? 1 : 0, {}, {}});
}

DialogUser &DialogUser::CloseFromSystemMenu() {
  return Add({Kind::kCloseFromSystemMenu, 0, 0, {}, {}});
}

DialogUser &DialogUser::SendNotification(int id, int code) {
  return Add({Kind::kSendNotification, id, code, {}, {}});
}

DialogUser &DialogUser::Inspect(std::function<void(const DialogView &)> check) {
  return Add({Kind::kInspect, 0, 0, {}, std::move(check)});
}

std::string DialogUser::Action::Describe() const {
  std::string i = std::to_string(id);
  switch (kind) {
    case Kind::kFocus:
      return "FocusControl(" + i + ")";
    case Kind::kChooseListItem:
      return "ChooseListItem(" + i + ", " + std::to_string(value) + ")";
    case Kind::kClickCheckBox:
      return "ClickCheckBox(" + i + ")";
    case Kind::kSetCheck:
      return "SetCheck(" + i + ", " + (value ? "true" : "false") + ")";
    case Kind::kTypeText:
      return "TypeText(" + i + ", \"" + text + "\")";
    case Kind::kPressButton:
      return "PressButton(" + i + ")";
    case Kind::kPressEnter:
      return "PressEnter()";
    case Kind::kPressEscape:
      return "PressEscape()";
    case Kind::kPressTab:
      return value ? "PressTab(backwards)" : "PressTab()";
    case Kind::kCloseFromSystemMenu:
      return "CloseFromSystemMenu()";
    case Kind::kSendNotification:
      return "SendNotification(" + i + ", " + std::to_string(value) + ")";
    case Kind::kInspect:
      return "Inspect(...)";
  }
  return "?";
}

bool DialogView::Has(int id) const {
  return std::any_of(controls.begin(), controls.end(),
                     [id](const ControlView &c) { return c.id == id; });
}

const ControlView &DialogView::Control(int id) const {
  for (const ControlView &c : controls) {
    if (c.id == id) return c;
  }
  ReportViolation("the dialog has no control " + std::to_string(id));
  static const ControlView kNone;
  return kNone;
}

namespace detail {
namespace {

// The control a user action works on; a violation if a person could not.
Window *Reachable(Window *dialog, const DialogUser::Action &action, bool (*fits)(const Window *),
                  const char *needs) {
  Window *control = ChildById(dialog, action.id);
  std::string what = action.Describe() + ": ";
  if (control == nullptr) {
    ReportViolation(what + "the dialog has no control " + std::to_string(action.id));
    return nullptr;
  }
  if (!(control->style & WS_VISIBLE)) {
    ReportViolation(what + "the control is hidden");
    return nullptr;
  }
  if (control->style & WS_DISABLED) {
    ReportViolation(what + "the control is disabled");
    return nullptr;
  }
  if (fits != nullptr && !fits(control)) {
    ReportViolation(what + "the control is not " + needs);
    return nullptr;
  }
  return control;
}

bool Focusable(const Window *w) {
  if (w->kind == ControlKind::kStatic) return false;
  return !(w->kind == ControlKind::kButton && ButtonType(w) == BS_GROUPBOX);
}
bool IsComboBox(const Window *w) { return w->kind == ControlKind::kComboBox; }
bool IsEdit(const Window *w) { return w->kind == ControlKind::kEdit; }
bool IsButton(const Window *w) {
  return w->kind == ControlKind::kButton && ButtonType(w) != BS_GROUPBOX;
}

// What the edit control lets a person type: its style's filters and limit.
std::string Typed(const Window *edit, const std::string &utf8) {
  std::string ansi = Utf8ToAnsi(utf8);
  std::string out;
  size_t characters = 0;
  for (size_t i = 0; i < ansi.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(ansi[i]);
    size_t width = IsAnsiLeadByte(byte) && i + 1 < ansi.size() ? 2 : 1;
    std::string ch = ansi.substr(i, width);
    i += width - 1;
    if ((edit->style & ES_NUMBER) && !(width == 1 && std::isdigit(byte))) continue;
    if (width == 1 && (edit->style & ES_UPPERCASE)) ch[0] = static_cast<char>(std::toupper(byte));
    if (width == 1 && (edit->style & ES_LOWERCASE)) ch[0] = static_cast<char>(std::tolower(byte));
    if (characters == edit->text_limit) break;
    out += ch;
    ++characters;
  }
  return out;
}

void PressTab(Window *dialog, bool backwards) {
  std::vector<Window *> stops;
  for (Window *child : dialog->children) {
    if ((child->style & WS_TABSTOP) && (child->style & WS_VISIBLE) &&
        !(child->style & WS_DISABLED)) {
      stops.push_back(child);
    }
  }
  if (stops.empty()) return;
  Window *focus = FocusOf(dialog);
  auto at = std::find(stops.begin(), stops.end(), focus);
  size_t index;
  if (at == stops.end()) {
    index = backwards ? stops.size() - 1 : 0;
  } else {
    size_t current = static_cast<size_t>(at - stops.begin());
    index = backwards ? (current + stops.size() - 1) % stops.size() : (current + 1) % stops.size();
  }
  SetFocusTo(dialog, stops[index]);
}

void Command(Window *dialog, int id, int code, Window *control) {
  DispatchToDialog(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(code)),
                   reinterpret_cast<LPARAM>(control ? control->handle : nullptr));
}

}  // namespace

void PlayUserAction(Window *dialog, const DialogUser::Action &action) {
  switch (action.kind) {
    case Kind::kFocus:
      if (Window *c = Reachable(dialog, action, Focusable, "able to take the focus"))
        SetFocusTo(dialog, c);
      return;
    case Kind::kChooseListItem: {
      Window *c = Reachable(dialog, action, IsComboBox, "a combo box");
      if (c == nullptr) return;
      if (action.value < 0 || action.value >= static_cast<int>(c->items.size())) {
        ReportViolation(action.Describe() + ": the list has " + std::to_string(c->items.size()) +
                        " items");
        return;
      }
      SetFocusTo(dialog, c);
      if (DialogEnded(dialog)) return;
      c->dropped = true;
      Notify(c, CBN_DROPDOWN);
      c->selection = action.value;
      Notify(c, CBN_SELCHANGE);
      Notify(c, CBN_SELENDOK);
      c->dropped = false;
      Notify(c, CBN_CLOSEUP);
      return;
    }
    case Kind::kClickCheckBox:
      if (Window *c = Reachable(dialog, action, IsCheckable, "a check box or radio button"))
        ClickButton(c);
      return;
    case Kind::kSetCheck:
      if (Window *c = Reachable(dialog, action, IsCheckable, "a check box or radio button")) {
        if ((c->check == BST_CHECKED) != (action.value != 0)) ClickButton(c);
      }
      return;
    case Kind::kTypeText: {
      Window *c = Reachable(dialog, action, IsEdit, "an edit control");
      if (c == nullptr) return;
      if (c->style & ES_READONLY) {
        ReportViolation(action.Describe() + ": the edit control is read-only");
        return;
      }
      SetFocusTo(dialog, c);
      if (DialogEnded(dialog)) return;
      std::string typed = Typed(c, action.text);
      if (typed.empty() && c->text.empty()) return;
      c->text = typed;
      Notify(c, EN_UPDATE);
      Notify(c, EN_CHANGE);
      return;
    }
    case Kind::kPressButton:
      if (Window *c = Reachable(dialog, action, IsButton, "a button")) ClickButton(c);
      return;
    case Kind::kPressEnter: {
      Window *focus = FocusOf(dialog);
      if (focus != nullptr && IsPushButton(focus)) {
        Command(dialog, focus->id, BN_CLICKED, focus);
        return;
      }
      Window *def = ChildById(dialog, DefaultIdOf(dialog));
      if (def != nullptr && !(def->style & WS_DISABLED)) {
        Command(dialog, def->id, BN_CLICKED, def);
      } else {
        Command(dialog, IDOK, BN_CLICKED, ChildById(dialog, IDOK));
      }
      return;
    }
    case Kind::kPressEscape:
      Command(dialog, IDCANCEL, BN_CLICKED, ChildById(dialog, IDCANCEL));
      return;
    case Kind::kPressTab:
      PressTab(dialog, action.value != 0);
      return;
    case Kind::kCloseFromSystemMenu:
      if (!(dialog->style & WS_SYSMENU)) {
        ReportViolation(action.Describe() + ": the dialog has no system menu");
        return;
      }
      DispatchToDialog(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    case Kind::kSendNotification:
      Command(dialog, action.id, action.value, ChildById(dialog, action.id));
      return;
    case Kind::kInspect:
      if (action.check) action.check(Snapshot(dialog));
      return;
  }
}

}  // namespace detail
}  // namespace win32model
