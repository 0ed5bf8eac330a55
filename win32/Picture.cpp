// What a dialog looks like: its client area drawn from its controls as they
// stand, with texts in the DejaVu Sans font through FreeType, and the
// owner-drawn controls drawn by the dialog itself (WM_DRAWITEM) on their own
// device contexts. A property sheet run with a picture sink shows each of its
// pages this way.
#include "w32host/Pictures.h"
#include "w32test/Picture.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <mutex>

#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/Window.h"
#include "w32detail/Dialog.h"
#include "w32detail/Module.h"
#include "w32detail/Platform.h"
#include "w32detail/WindowTable.h"
#include "w32test/Gdi.h"

namespace {

constexpr COLORREF kFace = RGB(240, 240, 240);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kGreyText = RGB(109, 109, 109);
constexpr COLORREF kBorder = RGB(122, 122, 122);
constexpr COLORREF kHighlight = RGB(0, 120, 215);
constexpr int kFontPixels = 12;
constexpr const char* kFontFiles[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};

// One FreeType face for every picture; null when no font file can be read.
class PictureFont {
 public:
  static PictureFont& Instance() {
    static PictureFont* font = new PictureFont;
    return *font;
  }
  std::mutex mutex;
  FT_Face face = nullptr;

 private:
  PictureFont() {
    if (FT_Init_FreeType(&library_) != 0) return;
    for (const char* file : kFontFiles) {
      if (FT_New_Face(library_, file, 0, &face) == 0) break;
      face = nullptr;
    }
    if (face != nullptr) FT_Set_Pixel_Sizes(face, 0, kFontPixels);
  }
  FT_Library library_ = nullptr;
};

class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, kFace) {}

  void Put(int x, int y, COLORREF colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = colour;
  }
  COLORREF Get(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  void Fill(int x, int y, int w, int h, COLORREF colour) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) Put(i, j, colour);
  }
  void Frame(int x, int y, int w, int h, COLORREF colour) {
    if (w <= 0 || h <= 0) return;
    for (int i = x; i < x + w; ++i) {
      Put(i, y, colour);
      Put(i, y + h - 1, colour);
    }
    for (int j = y; j < y + h; ++j) {
      Put(x, j, colour);
      Put(x + w - 1, j, colour);
    }
  }
  // Blends the coverage of a glyph over what is there.
  void Blend(int x, int y, unsigned coverage, COLORREF colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage == 0) return;
    const COLORREF under = Get(x, y);
    auto mix = [&](int shift) {
      const unsigned a = (under >> shift) & 0xFF;
      const unsigned b = (colour >> shift) & 0xFF;
      return ((b * coverage + a * (255 - coverage)) / 255) << shift;
    };
    Put(x, y, static_cast<COLORREF>(mix(0) | mix(8) | mix(16)));
  }
  // Draws a line of text with its top at y, cut at the right edge limit; an
  // accelerator "&" is left out. The width drawn.
  int Text(int x, int y, const std::u16string& text, COLORREF colour, int limit) {
    PictureFont& font = PictureFont::Instance();
    std::lock_guard<std::mutex> lock(font.mutex);
    if (font.face == nullptr) return 0;
    const int baseline = y + static_cast<int>(font.face->size->metrics.ascender >> 6);
    int pen = x;
    for (size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c == u'&' && i + 1 < text.size() && text[i + 1] != u'&') continue;
      if (c == u'\n' || c == u'\r' || c == u'\t') c = u' ';
      if (FT_Load_Char(font.face, c, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot glyph = font.face->glyph;
      const int advance = static_cast<int>(glyph->advance.x >> 6);
      if (pen + advance > limit) break;
      const FT_Bitmap& bitmap = glyph->bitmap;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        for (unsigned column = 0; column < bitmap.width; ++column) {
          const unsigned char coverage = bitmap.buffer[row * bitmap.pitch + column];
          Blend(pen + glyph->bitmap_left + static_cast<int>(column), baseline - glyph->bitmap_top + static_cast<int>(row),
                coverage, colour);
        }
      }
      pen += advance;
    }
    return pen - x;
  }
  int TextWidth(const std::u16string& text) {
    PictureFont& font = PictureFont::Instance();
    std::lock_guard<std::mutex> lock(font.mutex);
    if (font.face == nullptr) return 0;
    int width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'&' && i + 1 < text.size() && text[i + 1] != u'&') continue;
      if (FT_Load_Char(font.face, text[i], FT_LOAD_DEFAULT) == 0) width += static_cast<int>(font.face->glyph->advance.x >> 6);
    }
    return width;
  }
  w32host::Picture Take() {
    w32host::Picture picture;
    picture.width = width_;
    picture.height = height_;
    picture.pixels = std::move(pixels_);
    return picture;
  }

 private:
  int width_;
  int height_;
  std::vector<COLORREF> pixels_;
};

struct Placement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int id = 0;
};

Placement PlacementOf(HWND control) {
  Placement p;
  w32detail::WithWindow(control, [&](w32detail::WindowData& data) {
    p.x = data.x;
    p.y = data.y;
    p.width = data.clientWidth;
    p.height = data.clientHeight;
    p.id = data.controlId;
  });
  return p;
}

// Lets the dialog draw an owner-drawn control (a static or a button without
// text); true when it painted something of the control's size.
bool DrawOwnerDrawn(HWND dialog, HWND control, const Placement& p, Canvas& canvas) {
  HDC dc = GetDC(control);
  if (dc == nullptr) return false;
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(p.id);
  item.itemAction = ODA_DRAWENTIRE;
  item.hwndItem = control;
  item.hDC = dc;
  item.rcItem = RECT{0, 0, p.width, p.height};
  // The control starts as the dialog's background, so that one the dialog
  // does not draw stays as it is.
  HBRUSH face = CreateSolidBrush(kFace);
  FillRect(dc, &item.rcItem, face);
  DeleteObject(face);
  SendMessageW(dialog, WM_DRAWITEM, static_cast<WPARAM>(p.id), reinterpret_cast<LPARAM>(&item));
  ReleaseDC(control, dc);
  const std::vector<COLORREF> pixels = w32test::WindowPixels(control);
  if (pixels.size() != static_cast<size_t>(p.width) * p.height) return false;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) canvas.Put(p.x + x, p.y + y, pixels[static_cast<size_t>(y) * p.width + x]);
  return true;
}

void DrawControl(HWND dialog, HWND control, Canvas& canvas) {
  const w32test::ControlState state = w32detail::ControlSnapshot(control);
  const Placement p = PlacementOf(control);
  if (!state.visible || p.width <= 0 || p.height <= 0) return;
  const COLORREF text = state.enabled ? kText : kGreyText;
  const int right = p.x + p.width;
  const int middle = p.y + (p.height - kFontPixels - 3) / 2;
  using Kind = w32test::ControlKind;
  switch (state.kind) {
    case Kind::kStatic:
      if (state.text.empty()) {
        DrawOwnerDrawn(dialog, control, p, canvas);
      } else {
        canvas.Text(p.x, p.y, state.text, text, right);
      }
      break;
    case Kind::kButton:
      if (state.text.empty() && DrawOwnerDrawn(dialog, control, p, canvas)) break;
      canvas.Fill(p.x, p.y, p.width, p.height, RGB(225, 225, 225));
      canvas.Frame(p.x, p.y, p.width, p.height, kBorder);
      canvas.Text(p.x + std::max(2, (p.width - canvas.TextWidth(state.text)) / 2), middle, state.text, text, right - 2);
      break;
    case Kind::kCheckBox: {
      const int box = std::min(13, p.height);
      const int top = p.y + (p.height - box) / 2;
      canvas.Fill(p.x, top, box, box, kWhite);
      canvas.Frame(p.x, top, box, box, kBorder);
      if (state.check != 0) {
        // A tick of two strokes, two pixels thick.
        for (int i = 0; i < 3; ++i) {
          canvas.Fill(p.x + 3 + i, top + 6 + i, 2, 2, text);
        }
        for (int i = 0; i < 5; ++i) canvas.Fill(p.x + 5 + i, top + 8 - i, 2, 2, text);
      }
      canvas.Text(p.x + box + 4, middle, state.text, text, right);
      break;
    }
    case Kind::kEdit:
    case Kind::kRichEdit:
    case Kind::kComboBox: {
      canvas.Fill(p.x, p.y, p.width, p.height, state.enabled ? kWhite : kFace);
      canvas.Frame(p.x, p.y, p.width, p.height, kBorder);
      int textRight = right - 2;
      std::u16string shown = state.text;
      if (state.kind == Kind::kComboBox) {
        const int arrow = std::min(17, p.width);
        textRight = right - arrow;
        canvas.Frame(right - arrow, p.y, arrow, p.height, kBorder);
        const int cx = right - arrow / 2 - 1;
        const int cy = p.y + p.height / 2 - 1;
        for (int i = 0; i < 4; ++i) canvas.Fill(cx - 3 + i, cy + i - 1, 7 - 2 * i, 1, text);
        if (state.selection >= 0 && static_cast<size_t>(state.selection) < state.items.size())
          shown = state.items[state.selection];
      }
      canvas.Text(p.x + 3, middle, shown, text, textRight);
      break;
    }
    case Kind::kListBox:
    case Kind::kMultiSelectListBox: {
      canvas.Fill(p.x, p.y, p.width, p.height, kWhite);
      canvas.Frame(p.x, p.y, p.width, p.height, kBorder);
      const int line = kFontPixels + 3;
      for (size_t i = 0; i < state.items.size(); ++i) {
        const int y = p.y + 1 + static_cast<int>(i) * line;
        if (y + line > p.y + p.height - 1) break;
        const bool selected =
            static_cast<int>(i) == state.selection ||
            std::find(state.selectedItems.begin(), state.selectedItems.end(), static_cast<int>(i)) !=
                state.selectedItems.end();
        if (selected) canvas.Fill(p.x + 1, y, p.width - 2, line, kHighlight);
        canvas.Text(p.x + 3, y + 1, state.items[i], selected ? kWhite : text, right - 2);
      }
      break;
    }
    case Kind::kUpDown: {
      canvas.Frame(p.x, p.y, p.width, p.height / 2, kBorder);
      canvas.Frame(p.x, p.y + p.height / 2, p.width, p.height - p.height / 2, kBorder);
      const int cx = p.x + p.width / 2;
      for (int i = 0; i < 3; ++i) {
        canvas.Fill(cx - i, p.y + p.height / 4 - 1 + i, 2 * i + 1, 1, text);
        canvas.Fill(cx - i, p.y + 3 * p.height / 4 + 1 - i, 2 * i + 1, 1, text);
      }
      break;
    }
  }
}

struct PictureState {
  std::mutex mutex;
  w32host::PagePictureSink sink;
};

PictureState& State() {
  static PictureState* state = [] {
    auto* s = new PictureState;
    w32detail::RegisterReset([s] {
      std::lock_guard<std::mutex> lock(s->mutex);
      s->sink = nullptr;
    });
    return s;
  }();
  return *state;
}

}  // namespace

namespace w32host {

Picture DrawDialog(HWND dialog) {
  int width = 0;
  int height = 0;
  if (!w32detail::WithWindow(dialog, [&](w32detail::WindowData& data) {
        width = data.clientWidth;
        height = data.clientHeight;
      })) {
    return Picture();
  }
  Canvas canvas(width, height);
  for (HWND control : w32detail::ChildWindows(dialog)) DrawControl(dialog, control, canvas);
  return canvas.Take();
}

void SetPagePictureSink(PagePictureSink sink) {
  PictureState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.sink = std::move(sink);
}

bool AddResourceDialogs(const std::u16string& path, const IMAGE_RESOURCE_DIALOG* dialogs, size_t count) {
  return w32detail::AddModuleDialogs(path, w32test::DialogTemplates(dialogs, count));
}

bool AddResourceBitmaps(const std::u16string& path, const IMAGE_RESOURCE_BITMAP* bitmaps, size_t count,
                        const std::vector<UINT>& cursors) {
  std::map<UINT, w32test::BitmapSpec> specs;
  for (size_t i = 0; bitmaps != nullptr && i < count; ++i) {
    const IMAGE_RESOURCE_BITMAP& b = bitmaps[i];
    if (b.width <= 0 || b.height <= 0 || b.pixels == nullptr) continue;
    specs[b.id] = w32test::BitmapSpec{b.width, b.height,
                                      std::vector<DWORD>(b.pixels, b.pixels + static_cast<size_t>(b.width) * b.height)};
  }
  return w32detail::AddModuleBitmaps(path, specs, cursors);
}

}  // namespace w32host

namespace w32detail {

void ShowPagePictures(const std::vector<w32host::SheetPageRecord>& pages) {
  w32host::PagePictureSink sink;
  {
    PictureState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    sink = s.sink;
  }
  if (!sink) return;
  for (const w32host::SheetPageRecord& page : pages) {
    // The page's record as the sheet keeps it: WM_INITDIALOG hands it over.
    PROPSHEETPAGEW record = page.record;
    w32test::QueueDialogScript({w32test::DialogAction::Inspect(
        [&](HWND dialog) { sink(page, w32host::DrawDialog(dialog)); })});
    DialogBoxParamW(record.hInstance, record.pszTemplate, nullptr, record.pfnDlgProc,
                    reinterpret_cast<LPARAM>(&record));
  }
}

}  // namespace w32detail

namespace w32test {

std::map<UINT, DialogSpec> DialogTemplates(const IMAGE_RESOURCE_DIALOG* dialogs, size_t count) {
  std::map<UINT, DialogSpec> templates;
  for (size_t i = 0; dialogs != nullptr && i < count; ++i) {
    const IMAGE_RESOURCE_DIALOG& d = dialogs[i];
    DialogSpec spec;
    spec.caption = d.caption != nullptr ? d.caption : u"";
    spec.width = d.width;
    spec.height = d.height;
    for (DWORD k = 0; d.controls != nullptr && k < d.controlCount; ++k) {
      const IMAGE_RESOURCE_CONTROL& c = d.controls[k];
      ControlSpec control;
      control.id = c.id;
      control.kind = c.kind <= IMAGE_CONTROL_UPDOWN ? static_cast<ControlKind>(c.kind) : ControlKind::kStatic;
      control.text = c.text != nullptr ? c.text : u"";
      control.disabled = (c.flags & IMAGE_CONTROL_DISABLED) != 0;
      control.hidden = (c.flags & IMAGE_CONTROL_HIDDEN) != 0;
      control.x = c.x;
      control.y = c.y;
      control.width = c.width;
      control.height = c.height;
      spec.controls.push_back(std::move(control));
    }
    templates.emplace(d.id, std::move(spec));  // an id given twice keeps its first template
  }
  return templates;
}

}  // namespace w32test
