// The settings dialog as it ships: its template, built by the dialog
// manager, and the Japanese resources it comes with.
#include "AppletTest.h"

#include <gmock/gmock.h>

#include <iterator>

using namespace applet_test;
using win32model::ControlKind;
using win32model::ControlView;
using win32model::DialogUser;
using win32model::DialogView;

namespace {

struct ControlSpec {
  int id;
  ControlKind kind;
  const char *text;
  DWORD style;  // beyond WS_CHILD | WS_VISIBLE
  short x, y, cx, cy;
};

const ControlSpec kControls[] = {
    {1, ControlKind::kButton, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 6, 183, 40, 14},
    {2, ControlKind::kButton, "ｷｬﾝｾﾙ", BS_PUSHBUTTON | WS_TABSTOP, 60, 183, 40, 14},
    {1010, ControlKind::kButton, "Device Select", BS_GROUPBOX | BS_CENTER, 6, 10, 94, 56},
    {1011, ControlKind::kButton, "CONFIG", BS_GROUPBOX | BS_CENTER, 6, 69, 94, 97},
    // A drop-down list's text is its selected item: board 0 at the start.
    {1023, ControlKind::kComboBox, "0", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 35, 24, 29,
     65},
    {1024, ControlKind::kComboBox, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_DISABLED,
     14, 116, 32, 74},
    {1025, ControlKind::kComboBox, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_DISABLED,
     14, 139, 32, 66},
    {1008, ControlKind::kButton, "ACTIVE", BS_AUTOCHECKBOX | WS_TABSTOP, 29, 45, 44, 9},
    {1027, ControlKind::kStatic, "I/O ADDRESS", SS_LEFT | WS_GROUP, 51, 96, 44, 9},
    {1028, ControlKind::kStatic, "DMA", SS_LEFT | WS_GROUP | WS_DISABLED, 51, 117, 17, 10},
    {1029, ControlKind::kStatic, "IRQ", SS_LEFT | WS_GROUP | WS_DISABLED, 51, 141, 14, 10},
    // The address shown for board 0 without a registry: the default.
    {1001, ControlKind::kEdit, "368", ES_LEFT | WS_BORDER | WS_TABSTOP, 14, 94, 24, 11},
    {-1, ControlKind::kStatic, "H", SS_CENTER | WS_GROUP, 38, 95, 8, 9},
};

class DialogTemplateTest : public AppletTest {};

TEST_F(DialogTemplateTest, TheDialogIsBuiltAsTabled) {
  win32model::DialogRecord record = OpenDialog(
      DialogUser()
          .Inspect([](const DialogView &view) {
            EXPECT_EQ(view.title, "Dorvik リソース情報設定");
            EXPECT_EQ(view.style, DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                        DS_SETFONT));
            EXPECT_EQ(view.ex_style, 0u);
            EXPECT_EQ(std::vector<short>({view.x, view.y, view.cx, view.cy}),
                      std::vector<short>({0, 0, 107, 204}));
            EXPECT_TRUE(view.has_font);
            EXPECT_EQ(view.font_point_size, 9);
            EXPECT_EQ(view.font_face, "ＭＳ Ｐゴシック");

            ASSERT_EQ(view.controls.size(), std::size(kControls));
            for (size_t i = 0; i < std::size(kControls); ++i) {
              const ControlSpec &want = kControls[i];
              const ControlView &got = view.controls[i];
              SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(want.id));
              EXPECT_EQ(got.id, want.id);
              EXPECT_EQ(got.kind, want.kind);
              EXPECT_EQ(got.text, want.text);
              EXPECT_EQ(got.style, want.style | WS_CHILD | WS_VISIBLE);
              EXPECT_EQ(got.ex_style, 0u);
              EXPECT_EQ(std::vector<short>({got.x, got.y, got.cx, got.cy}),
                        std::vector<short>({want.x, want.y, want.cx, want.cy}));
            }
          })
          .PressButton(IDCANCEL));
  EXPECT_TRUE(record.created);
}

// No code fills or reads the DMA and IRQ lists: they stay empty and disabled
// whatever the user does with the other controls.
TEST_F(DialogTemplateTest, TheDmaAndIrqListsStayEmptyAndDisabled) {
  SeedTree(2);
  auto unused = [](const DialogView &view) {
    for (int id : {1024, 1025, 1028, 1029}) {
      SCOPED_TRACE("control " + std::to_string(id));
      EXPECT_FALSE(view.Control(id).enabled());
      EXPECT_TRUE(view.Control(id).items.empty());
      EXPECT_EQ(view.Control(id).selection, -1);
    }
  };
  win32model::DialogRecord record = OpenDialog(DialogUser()
                                                   .Inspect(unused)
                                                   .ChooseListItem(1023, 1)
                                                   .TypeText(1001, "2e0")
                                                   .PressTab()
                                                   .PressTab()
                                                   .PressButton(IDOK));
  unused(record.final_view);
}

TEST_F(DialogTemplateTest, EveryResourceIsJapanese) {
  const win32model::ResourceFile *resources = win32model::ModuleResources(module_);
  ASSERT_NE(resources, nullptr);
  ASSERT_FALSE(resources->resources.empty());
  for (const win32model::Resource &resource : resources->resources) {
    EXPECT_EQ(resource.language, 1041) << resource.type.Text() << " " << resource.name.Text();
  }
  const WORD kJapanese = 1041;
  using win32model::ResourceId;
  EXPECT_NE(resources->Find(ResourceId::Ordinal(5), ResourceId::Ordinal(101), kJapanese), nullptr);
  EXPECT_NE(resources->Find(ResourceId::Ordinal(14), ResourceId::Ordinal(102), kJapanese),
            nullptr);
  EXPECT_EQ(win32model::ModuleString(module_, 1), kAppletName);
  EXPECT_EQ(win32model::ModuleString(module_, 2), kAppletInfo);
  EXPECT_EQ(win32model::ModuleString(module_, 3), kCaption);
  EXPECT_EQ(win32model::ModuleString(module_, 4), kRestartNotice);
  EXPECT_FALSE(win32model::ModuleString(module_, 5).has_value());
}

}  // namespace
