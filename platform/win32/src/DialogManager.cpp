// The modal dialog manager: DialogBoxParamA builds the dialog from its
// template and plays the queued user until EndDialog; every message the
// dialog procedure receives is recorded with its result.
#include <deque>
#include <memory>

#include "ModelCore.h"
#include "ResourceModules.h"
#include "WindowModel.h"

namespace win32model {
namespace detail {

struct DialogState {
  DLGPROC proc = nullptr;
  bool ended = false;
  bool ended_by_program = false;
  INT_PTR result = 0;
  Window *focus = nullptr;
  int default_id = IDOK;
  size_t record = 0;
  bool has_font = false;
  WORD point_size = 0;
  std::u16string face;
  HFONT font = nullptr;
};

namespace {

std::deque<DialogRecord> g_records;
std::deque<DialogUser> g_users;
std::vector<Window *> g_running;  // open modal dialogs, innermost last

ControlKind KindOfClass(const ResourceId &cls, std::string *name) {
  static const struct {
    WORD atom;
    const char *name;
    ControlKind kind;
  } kClasses[] = {
      {0x80, "Button", ControlKind::kButton},       {0x81, "Edit", ControlKind::kEdit},
      {0x82, "Static", ControlKind::kStatic},       {0x83, "ListBox", ControlKind::kListBox},
      {0x84, "ScrollBar", ControlKind::kScrollBar}, {0x85, "ComboBox", ControlKind::kComboBox},
  };
  for (const auto &c : kClasses) {
    if ((cls.is_ordinal && cls.ordinal == c.atom) ||
        (!cls.is_ordinal && cls.Matches(ResourceId::Named(Utf8ToUtf16(c.name))))) {
      *name = c.name;
      return c.kind;
    }
  }
  *name = cls.Text();
  return ControlKind::kOther;
}

bool CanTakeFocus(const Window *control) {
  return (control->style & WS_VISIBLE) && !(control->style & WS_DISABLED);
}

Window *FirstTabStop(const Window *dialog) {
  for (Window *child : dialog->children) {
    if ((child->style & WS_TABSTOP) && CanTakeFocus(child)) return child;
  }
  return nullptr;
}

// Focus on a push button makes it the default; elsewhere the dialog's default
// id is the default button again.
void UpdateDefaultButton(Window *dialog, Window *focus) {
  Window *chosen = focus != nullptr && IsPushButton(focus)
                       ? focus
                       : ChildById(dialog, dialog->dialog->default_id);
  for (Window *child : dialog->children) {
    if (!IsPushButton(child) || ButtonType(child) > BS_DEFPUSHBUTTON) continue;
    child->style = (child->style & ~static_cast<DWORD>(BS_TYPEMASK)) |
                   (child == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  }
}

int FocusNotification(const Window *control, bool gaining) {
  switch (control->kind) {
    case ControlKind::kComboBox:
      return gaining ? CBN_SETFOCUS : CBN_KILLFOCUS;
    case ControlKind::kEdit:
      return gaining ? EN_SETFOCUS : EN_KILLFOCUS;
    case ControlKind::kButton:
      if (control->style & BS_NOTIFY) return gaining ? BN_SETFOCUS : BN_KILLFOCUS;
      return -1;
    default:
      return -1;
  }
}

std::string TemplateName(LPCSTR name) {
  if (name == nullptr) return "(null)";
  return ResourceId::FromProgram(name).Text();
}

Window *BuildDialog(const DialogTemplate &tmpl, HWND owner, DLGPROC proc, size_t record) {
  Window *dialog = CreateWindowObject(Window::Type::kDialog);
  dialog->owner = owner;
  dialog->class_name = "#32770";
  dialog->style = tmpl.style;
  dialog->ex_style = tmpl.ex_style;
  dialog->text = Utf16ToAnsi(tmpl.title);
  dialog->x = tmpl.x;
  dialog->y = tmpl.y;
  dialog->cx = tmpl.cx;
  dialog->cy = tmpl.cy;
  dialog->dialog = new DialogState();
  DialogState *state = dialog->dialog;
  state->proc = proc;
  state->record = record;
  state->has_font = tmpl.has_font;
  state->point_size = tmpl.point_size;
  state->face = tmpl.face;
  bool default_found = false;
  for (const DialogItemTemplate &item : tmpl.items) {
    Window *control = CreateWindowObject(Window::Type::kControl);
    control->parent = dialog;
    control->id = item.id;
    control->kind = KindOfClass(item.window_class, &control->class_name);
    control->style = item.style | WS_CHILD;
    control->ex_style = item.ex_style;
    control->x = item.x;
    control->y = item.y;
    control->cx = item.cx;
    control->cy = item.cy;
    if (!item.text.is_ordinal && !IsDropDownList(control))
      control->text = Utf16ToAnsi(item.text.name);
    if (!default_found && IsPushButton(control) && ButtonType(control) == BS_DEFPUSHBUTTON) {
      state->default_id = control->id;
      default_found = true;
    }
    dialog->children.push_back(control);
  }
  return dialog;
}

void ReportUnplayed(const std::string &name, const std::vector<DialogUser::Action> &actions,
                    size_t next) {
  if (next >= actions.size()) return;
  std::string list;
  for (size_t i = next; i < actions.size(); ++i) {
    list += (i > next ? ", " : "") + actions[i].Describe();
  }
  ReportViolation("dialog " + name + " closed before the user's actions " + list);
}

void CloseDialog(Window *dialog, Window *owner, bool owner_was_disabled) {
  DialogState *state = dialog->dialog;
  DialogRecord &record = g_records[state->record];
  record.final_view = Snapshot(dialog);
  // Hiding the dialog takes the focus from its control, which reports it.
  SetFocusTo(dialog, nullptr);
  DispatchToDialog(dialog, WM_DESTROY, 0, 0);
  record.result = state->result;
  record.ended_by_program = state->ended_by_program;
  if (owner != nullptr && FindWindow(owner->handle) == owner && !owner_was_disabled) {
    owner->style &= ~static_cast<DWORD>(WS_DISABLED);
  }
  g_running.pop_back();
  DestroyWindowTree(dialog);
  delete state;
}

}  // namespace

Window *ActiveDialog() { return g_running.empty() ? nullptr : g_running.back(); }

Window *FocusOf(const Window *dialog) { return dialog->dialog ? dialog->dialog->focus : nullptr; }

int DefaultIdOf(const Window *dialog) { return dialog->dialog ? dialog->dialog->default_id : IDOK; }

bool DialogEnded(const Window *dialog) {
  return dialog->dialog == nullptr || dialog->dialog->ended;
}

void SetFocusTo(Window *dialog, Window *control) {
  DialogState *state = dialog->dialog;
  if (state == nullptr || state->focus == control) return;
  Window *old = state->focus;
  state->focus = control;
  if (old != nullptr) {
    int code = FocusNotification(old, false);
    if (code >= 0) Notify(old, code);
  }
  UpdateDefaultButton(dialog, control);
  if (control != nullptr) {
    int code = FocusNotification(control, true);
    if (code >= 0) Notify(control, code);
  }
}

INT_PTR DispatchToDialog(Window *dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  DialogState *state = dialog->dialog;
  DialogRecord &record = g_records[state->record];
  size_t index = record.messages.size();
  record.messages.push_back({message, wparam, lparam, 0});
  INT_PTR result = state->proc ? state->proc(dialog->handle, message, wparam, lparam) : FALSE;
  g_records[state->record].messages[index].result = result;
  if (result) return result;
  // The dialog manager's own handling of what the procedure left alone.
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) DispatchToDialog(dialog, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE: {
      Window *cancel = ChildById(dialog, IDCANCEL);
      if (cancel != nullptr && (cancel->style & WS_DISABLED)) return 0;
      DispatchToDialog(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(cancel ? cancel->handle : nullptr));
      return 0;
    }
    case WM_SETTEXT:
      dialog->text = lparam ? reinterpret_cast<const char *>(lparam) : "";
      return TRUE;
    case WM_GETTEXT:
      return CopyTextOut(dialog->text, wparam, lparam);
    case WM_GETTEXTLENGTH:
      return static_cast<INT_PTR>(dialog->text.size());
    case DM_GETDEFID:
      return MAKELONG(state->default_id, DC_HASDEFID);
    case DM_SETDEFID:
      state->default_id = static_cast<int>(wparam);
      UpdateDefaultButton(dialog, state->focus);
      return TRUE;
    default:
      return 0;
  }
}

DialogView Snapshot(const Window *dialog) {
  DialogView view;
  view.handle = dialog->handle;
  view.title = AnsiToUtf8(dialog->text);
  view.style = dialog->style;
  view.ex_style = dialog->ex_style;
  view.x = dialog->x;
  view.y = dialog->y;
  view.cx = dialog->cx;
  view.cy = dialog->cy;
  const DialogState *state = dialog->dialog;
  view.has_font = state->has_font;
  view.font_point_size = state->point_size;
  view.font_face = Utf16ToUtf8(state->face);
  view.default_id = state->default_id;
  for (const Window *child : dialog->children) {
    ControlView c;
    c.handle = child->handle;
    c.id = child->id;
    c.kind = child->kind;
    c.class_name = child->class_name;
    c.ansi_text = WindowText(child);
    c.text = AnsiToUtf8(c.ansi_text);
    c.style = child->style;
    c.ex_style = child->ex_style;
    c.x = child->x;
    c.y = child->y;
    c.cx = child->cx;
    c.cy = child->cy;
    c.check = child->check;
    for (const std::string &item : child->items) c.items.push_back(AnsiToUtf8(item));
    c.selection = child->selection;
    c.focused = state->focus == child;
    if (c.focused) {
      view.has_focus = true;
      view.focus_id = child->id;
    }
    view.controls.push_back(std::move(c));
  }
  return view;
}

void ResetDialogModel() {
  while (!g_running.empty()) {
    Window *dialog = g_running.back();
    g_running.pop_back();
    delete dialog->dialog;
    dialog->dialog = nullptr;
  }
  g_records.clear();
  g_users.clear();
}

void DialogLeftBehind(std::vector<std::string> &items) {
  if (!g_users.empty()) {
    items.push_back(std::to_string(g_users.size()) + " queued DialogUser(s) never met a dialog");
  }
  for (const Window *dialog : g_running) {
    items.push_back("dialog " + g_records[dialog->dialog->record].template_name + " still open");
  }
}

}  // namespace detail

void QueueDialogUser(DialogUser user) { detail::g_users.push_back(std::move(user)); }

size_t QueuedDialogUsers() { return detail::g_users.size(); }

std::vector<DialogRecord> Dialogs() {
  return std::vector<DialogRecord>(detail::g_records.begin(), detail::g_records.end());
}

std::vector<DialogCommand> DialogRecord::Commands() const {
  std::vector<DialogCommand> commands;
  for (const DialogMessage &m : messages) {
    if (m.message == WM_COMMAND) {
      commands.push_back(
          {static_cast<short>(LOWORD(m.wparam)), static_cast<short>(HIWORD(m.wparam))});
    }
  }
  return commands;
}

}  // namespace win32model

using namespace win32model;
using namespace win32model::detail;

extern "C" INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName,
                                          HWND hWndParent, DLGPROC lpDialogFunc,
                                          LPARAM dwInitParam) {
  DialogRecord fresh;
  fresh.instance = hInstance;
  fresh.template_name = TemplateName(lpTemplateName);
  fresh.owner = hWndParent;
  fresh.init_param = dwInitParam;
  fresh.result = -1;
  g_records.push_back(fresh);
  size_t record = g_records.size() - 1;
  const std::string name = fresh.template_name;

  const ResourceFile *resources = ModuleFor(hInstance, "DialogBoxParamA");
  const Resource *resource =
      resources && lpTemplateName
          ? resources->Find(ResourceId::Ordinal(5), ResourceId::FromProgram(lpTemplateName))
          : nullptr;
  if (resource == nullptr) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  DialogTemplate tmpl;
  std::string error;
  if (!ParseDialogTemplate(resource->data, &tmpl, &error)) {
    ReportViolation("DialogBoxParamA: dialog template " + name + " is malformed: " + error);
    return -1;
  }
  Window *owner = nullptr;
  if (hWndParent != nullptr) {
    owner = FindWindow(hWndParent);
    if (owner == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return -1;
    }
  }

  bool has_user = !g_users.empty();
  DialogUser user;
  if (has_user) {
    user = std::move(g_users.front());
    g_users.pop_front();
  }

  Window *dialog = BuildDialog(tmpl, hWndParent, lpDialogFunc, record);
  DialogState *state = dialog->dialog;
  g_running.push_back(dialog);
  g_records[record].created = true;
  g_records[record].handle = dialog->handle;
  // The owner is disabled while its modal dialog is open.
  bool owner_was_disabled = owner != nullptr && (owner->style & WS_DISABLED);
  if (owner != nullptr) owner->style |= WS_DISABLED;

  if (state->has_font) {
    state->font = NewHandle<HFONT>();
    DispatchToDialog(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
  }
  Window *first = FirstTabStop(dialog);
  INT_PTR init =
      DispatchToDialog(dialog, WM_INITDIALOG,
                       reinterpret_cast<WPARAM>(first ? first->handle : nullptr), dwInitParam);
  if (init && first != nullptr && !state->ended) SetFocusTo(dialog, first);

  const std::vector<DialogUser::Action> &actions = user.Actions();
  size_t next = 0;
  if (!state->ended && !has_user) {
    ReportViolation("DialogBoxParamA: dialog " + name + " opened with no DialogUser queued");
  }
  while (!state->ended && next < actions.size()) {
    PlayUserAction(dialog, actions[next++]);
  }
  ReportUnplayed(name, actions, next);
  if (!state->ended) {
    if (has_user) {
      ReportViolation("dialog " + name + " still open after the user's last action");
    }
    state->ended = true;
    state->result = -1;
  }
  INT_PTR result = state->result;
  CloseDialog(dialog, owner, owner_was_disabled);
  return result;
}

extern "C" BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  Window *dialog = CheckWindow(hDlg, "EndDialog");
  if (dialog == nullptr) return FALSE;
  if (dialog->type != Window::Type::kDialog || dialog->dialog == nullptr) {
    ReportViolation("EndDialog: " + HandleText(hDlg) + " is not a dialog");
    return FALSE;
  }
  dialog->dialog->ended = true;
  dialog->dialog->ended_by_program = true;
  dialog->dialog->result = nResult;
  return TRUE;
}
