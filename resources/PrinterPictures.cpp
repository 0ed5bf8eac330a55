#include "resources/PrinterPictures.h"

#include <vector>

namespace {

constexpr COLORREF kPictureBackground = RGB(255, 0, 255);
constexpr COLORREF kPictureOutline = RGB(40, 40, 40);
constexpr COLORREF kPictureBody = RGB(200, 200, 196);
constexpr COLORREF kPictureDark = RGB(120, 120, 124);
constexpr COLORREF kPictureTrayA = RGB(232, 232, 228);
constexpr COLORREF kPictureTrayB = RGB(214, 214, 210);
constexpr COLORREF kPictureSheet = RGB(250, 250, 250);
constexpr COLORREF kPictureAccessory = RGB(176, 184, 196);

class PictureCanvas {
 public:
  PictureCanvas() : pixels_(static_cast<size_t>(kPrinterPictureWidth) * kPrinterPictureHeight, kPictureBackground) {}
  // Fills (x1, y1)-(x2, y2), both corners inside.
  void Fill(int x1, int y1, int x2, int y2, COLORREF colour) {
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x)
        if (x >= 0 && y >= 0 && x < kPrinterPictureWidth && y < kPrinterPictureHeight)
          pixels_[static_cast<size_t>(y) * kPrinterPictureWidth + x] = colour;
  }
  // A filled box with a one-pixel outline.
  void Box(int x1, int y1, int x2, int y2, COLORREF colour) {
    Fill(x1, y1, x2, y2, kPictureOutline);
    Fill(x1 + 1, y1 + 1, x2 - 1, y2 - 1, colour);
  }
  // Rows of a bin stack: each row an outlined box of its own colour.
  void Rows(int x1, int y1, int x2, int pitch, int count) {
    for (int i = 0; i < count; ++i) Box(x1, y1 + pitch * i, x2, y1 + pitch * (i + 1), i % 2 ? kPictureTrayA : kPictureTrayB);
  }
  std::vector<COLORREF> Take() { return std::move(pixels_); }

 private:
  std::vector<COLORREF> pixels_;
};

struct PictureLayerPaint {
  UINT id;
  void (*paint)(PictureCanvas&);
};

const PictureLayerPaint kLayers[] = {
    {2100,
     [](PictureCanvas& c) {
       c.Box(84, 20, 160, 108, kPictureBody);           // the printer
       c.Box(110, 28, 148, 38, kPictureSheet);          // the top bin
       c.Box(87, 81, 153, 94, kPictureTrayA);           // tray 2
       c.Box(87, 94, 153, 107, kPictureTrayB);          // tray 3
       c.Box(160, 50, 176, 66, kPictureTrayA);          // tray 1, at the side
       c.Fill(92, 44, 150, 70, kPictureDark);           // the front panel
       c.Box(49, 44, 82, 67, kPictureSheet);            // the rear bin
     }},
    {2101, [](PictureCanvas& c) { c.Box(162, 23, 193, 48, kPictureAccessory); }},  // envelope feeder
    {2102,
     [](PictureCanvas& c) {  // two-tray unit
       c.Box(84, 108, 156, 142, kPictureAccessory);
       c.Box(87, 115, 153, 127, kPictureTrayA);
       c.Box(87, 128, 153, 140, kPictureTrayB);
     }},
    {2103,
     [](PictureCanvas& c) {  // large tray unit
       c.Box(84, 108, 156, 162, kPictureAccessory);
       c.Box(87, 110, 153, 160, kPictureTrayA);
     }},
    {2104, [](PictureCanvas& c) { c.Rows(26, 60, 59, 9, 9); }},              // eight-bin mailbox
    {2106, [](PictureCanvas& c) { c.Box(26, 36, 76, 59, kPictureSheet); c.Box(26, 63, 59, 99, kPictureAccessory); c.Rows(26, 96, 59, 9, 5); }},
    {2107, [](PictureCanvas& c) { c.Box(31, 38, 63, 58, kPictureSheet); c.Rows(40, 60, 55, 5, 7); }},
    {2108, [](PictureCanvas& c) { c.Box(31, 38, 63, 58, kPictureSheet); c.Rows(40, 60, 55, 5, 7); c.Box(30, 96, 62, 170, kPictureDark); }},
    {2109, [](PictureCanvas& c) { c.Box(80, 164, 162, 178, kPictureDark); }},       // the raised stand
    {2110,
     [](PictureCanvas& c) {  // four-bin tower
       c.Box(150, 100, 178, 160, kPictureAccessory);
       c.Box(164, 101, 176, 117, kPictureTrayA);
       c.Box(164, 117, 176, 128, kPictureTrayB);
       c.Box(164, 128, 176, 139, kPictureTrayA);
       c.Box(164, 139, 176, 155, kPictureTrayB);
     }},
    {2111, [](PictureCanvas& c) { c.Box(150, 140, 178, 168, kPictureAccessory); c.Box(164, 140, 176, 150, kPictureTrayA); c.Box(164, 150, 176, 165, kPictureTrayB); }},
    {2112, [](PictureCanvas& c) { c.Box(20, 165, 70, 180, kPictureDark); }},
    {2113, [](PictureCanvas& c) { c.Box(28, 22, 71, 39, kPictureSheet); c.Box(0, 81, 49, 119, kPictureAccessory); }},
    {2114, [](PictureCanvas& c) { c.Box(11, 27, 57, 41, kPictureSheet); c.Box(8, 42, 60, 108, kPictureAccessory); }},
    {2115, [](PictureCanvas& c) { c.Box(11, 27, 57, 41, kPictureSheet); c.Box(8, 42, 60, 170, kPictureAccessory); }},
    {2116, [](PictureCanvas& c) { c.Box(13, 52, 80, 150, kPictureAccessory); c.Box(20, 100, 70, 130, kPictureSheet); }},
    {2117, [](PictureCanvas& c) { c.Box(13, 52, 80, 150, kPictureAccessory); c.Box(20, 90, 70, 140, kPictureSheet); }},
    {2119, [](PictureCanvas& c) { c.Box(26, 36, 76, 59, kPictureSheet); c.Box(25, 102, 59, 129, kPictureTrayA); }},
    {2120, [](PictureCanvas& c) { c.Box(84, 4, 160, 18, kPictureDark); }},
};

struct PictureStore {
  std::vector<std::vector<COLORREF>> pixels;
  std::vector<IMAGE_RESOURCE_BITMAP> entries;
};

const PictureStore& All() {
  static const PictureStore* pictures = [] {
    auto* p = new PictureStore;
    for (const PictureLayerPaint& layer : kLayers) {
      PictureCanvas canvas;
      layer.paint(canvas);
      p->pixels.push_back(canvas.Take());
    }
    for (size_t i = 0; i < std::size(kLayers); ++i)
      p->entries.push_back(
          IMAGE_RESOURCE_BITMAP{kLayers[i].id, kPrinterPictureWidth, kPrinterPictureHeight, p->pixels[i].data()});
    return p;
  }();
  return *pictures;
}

}  // namespace

const IMAGE_RESOURCE_BITMAP* PrinterPictureEntries(size_t* count) {
  const PictureStore& p = All();
  if (count != nullptr) *count = p.entries.size();
  return p.entries.data();
}
