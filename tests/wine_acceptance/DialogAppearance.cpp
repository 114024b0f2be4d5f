#include "DialogAppearance.h"

#include <vector>

#include "Report.h"

namespace {
const wchar_t kDialogFace[] = L"ＭＳ Ｐゴシック";
const wchar_t kCancelText[] = L"ｷｬﾝｾﾙ";
const wchar_t kTitleJapanese[] = L"リソース情報設定";
}  // namespace

bool FontHasGlyphs(HFONT font, const std::wstring &text, std::wstring *face) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t faceName[LF_FACESIZE] = L"";
  GetTextFaceW(dc, LF_FACESIZE, faceName);
  *face = faceName;
  std::vector<WORD> glyphs(text.size(), 0);
  DWORD converted = GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                                     GGI_MARK_NONEXISTING_GLYPHS);
  bool all = converted == text.size();
  for (WORD glyph : glyphs) all = all && glyph != 0xFFFF;
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return all;
}

void CheckDialogAppearance(HWND dialog) {
  // The template's 107 x 204 dialog units, in pixels of the dialog's font.
  RECT expected = {0, 0, 107, 204};
  MapDialogRect(dialog, &expected);
  RECT client;
  GetClientRect(dialog, &client);
  Check(client.right == expected.right && client.bottom == expected.bottom,
        "the dialog's client area is 107 x 204 dialog units: %ld x %ld pixels (%ld x %ld)", expected.right,
        expected.bottom, client.right, client.bottom);

  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  LOGFONTW logFont = {};
  GetObjectW(font, sizeof(logFont), &logFont);
  HDC screen = GetDC(nullptr);
  LONG height = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  Check(font != nullptr && wcscmp(logFont.lfFaceName, kDialogFace) == 0 && logFont.lfHeight == height,
        "the dialog's font is 9 point \"%s\" (\"%s\", height %ld)", Utf8(kDialogFace).c_str(),
        Utf8(logFont.lfFaceName).c_str(), logFont.lfHeight);

  std::wstring face;
  bool glyphs = FontHasGlyphs(font, kCancelText, &face);
  Check(glyphs, "the dialog's font, drawn as \"%s\", has glyphs for \"%s\"", Utf8(face).c_str(),
        Utf8(kCancelText).c_str());

  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  HFONT caption = CreateFontIndirectW(&metrics.lfCaptionFont);
  glyphs = FontHasGlyphs(caption, kTitleJapanese, &face);
  Note("the caption font \"%s\", drawn as \"%s\", %s glyphs for \"%s\"",
       Utf8(metrics.lfCaptionFont.lfFaceName).c_str(), Utf8(face).c_str(), glyphs ? "has" : "lacks",
       Utf8(kTitleJapanese).c_str());
  DeleteObject(caption);
}
