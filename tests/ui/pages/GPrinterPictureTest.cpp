// The printer picture: it shows the installed accessories, a click on a tray
// chooses that source (only on an interactive picture and only where a tray
// is), and every picture of a sheet shares one drawing surface that lives
// beside the session until the last picture goes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "resources/PrinterPictures.h"
#include "resources/StringTable.h"
#include "support/AttributeBuilders.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/GPrinterPictureWrapper.h"
#include "w32test/Testing.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "win32/Window.h"

namespace {

using namespace GFeatureIds;
using qvtest::Text;
using qvtest::Value;

constexpr char16_t kPictureLibrary[] = u"QVPICTURE.DLL";
constexpr UINT kPictureTemplate = 2000;
constexpr int kPictureControl = 2021;
constexpr int kControlX = 20;
constexpr int kControlY = 30;
const GControlRow kPictureTable[] = {{kPictureControl, 210}, {0, 0}};

// The wrapper the running dialog draws with.
GPrinterPictureWrapper* g_drawnPicture = nullptr;

INT_PTR PictureDialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DRAWITEM && g_drawnPicture != nullptr) g_drawnPicture->OnMessage(message, wParam, lParam);
  return 0;
}

class PrinterPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec spec;
    spec.name = kPictureLibrary;
    spec.strings = ModuleStringTable();
    w32test::DialogSpec dialog{u"Paper", {}, 300, 260};
    w32test::ControlSpec picture;
    picture.id = kPictureControl;
    picture.x = kControlX;
    picture.y = kControlY;
    picture.width = kPrinterPictureWidth;
    picture.height = kPrinterPictureHeight;
    dialog.controls.push_back(picture);
    spec.dialogs[kPictureTemplate] = dialog;
    size_t count = 0;
    const IMAGE_RESOURCE_BITMAP* bitmaps = PrinterPictureEntries(&count);
    for (size_t i = 0; i < count; ++i) {
      spec.bitmaps[bitmaps[i].id] = w32test::BitmapSpec{
          bitmaps[i].width, bitmaps[i].height,
          std::vector<DWORD>(bitmaps[i].pixels, bitmaps[i].pixels + bitmaps[i].width * bitmaps[i].height)};
    }
    spec.cursors.insert(GPrinterPictureWrapper::kHandCursor);
    w32test::InstallModule(spec);
    ASSERT_EQ(LoadUIResourceLibrary(RWWString(kPictureLibrary)), 1);
    const int32_t root = 360;
    settings_ = std::make_unique<GAttributeComposite>(&root);
    settings_->AddChild(Value(kInputBin, 6));
    settings_->AddChild(Value(kInputBinRest, 6));
    settings_->AddChild(Value(kUseDiffFirstPageChoice, 0));
    settings_->AddChild(Value(kEnvFeeder, 0));
    settings_->AddChild(Text(kOptionalPaperSources, ""));
    settings_->AddChild(Text(kAccessoryOutputBins, ""));
    data_.size = sizeof(GUIData);
    data_.settings = settings_.get();
    data_.accessFlags = GUIAccess::kChangesAllowed;
    session_ = std::make_unique<GUISession>(&data_);
  }
  void TearDown() override {
    g_drawnPicture = nullptr;
    session_.reset();
    settings_.reset();
    while (GetUIResourceInstance() != nullptr) FreeUIResourceLibrary();
    w32test::Reset();
  }

  int16_t Read(int32_t id) {
    int value = 0;
    session_->GetSettingsView().GetInt(&id, &value);
    return static_cast<int16_t>(value);
  }
  void Install(int32_t id, int16_t value) { session_->GetSettingsView().SetInt(&id, value); }

  // Runs the dialog with a picture wrapper attached and calls check.
  void WithPicture(int16_t interactive, std::function<void(GPrinterPictureWrapper&, HWND)> check) {
    HINSTANCE module = reinterpret_cast<HINSTANCE>(LoadLibraryW(kPictureLibrary));
    ASSERT_NE(module, nullptr);
    int ran = 0;
    w32test::QueueDialogScript({w32test::DialogAction::Inspect([&](HWND dialog) {
      ++ran;
      GPrinterPictureWrapper wrapper(new GSourcePictureAccessor(session_.get()), kPictureTable, interactive);
      wrapper.Attach(dialog);
      g_drawnPicture = &wrapper;
      check(wrapper, dialog);
      g_drawnPicture = nullptr;
    })});
    DialogBoxParamW(module, MAKEINTRESOURCEW(kPictureTemplate), nullptr, &PictureDialogProc, 0);
    FreeLibrary(module);
    EXPECT_EQ(ran, 1) << "the dialog did not run";
  }

  // The pixels of the picture control as the dialog shows it.
  static std::vector<COLORREF> Shown(HWND dialog) {
    const w32test::Picture all = w32test::DrawDialog(dialog);
    std::vector<COLORREF> pixels;
    for (int y = kControlY; y < kControlY + kPrinterPictureHeight && y < all.height; ++y)
      for (int x = kControlX; x < kControlX + kPrinterPictureWidth && x < all.width; ++x)
        pixels.push_back(all.pixels[static_cast<size_t>(y) * all.width + x]);
    return pixels;
  }
  // Clicks the picture at a point of the picture.
  static int Click(GPrinterPictureWrapper& wrapper, int x, int y) {
    w32test::SetCursorPosition(POINT{kControlX + x, kControlY + y});
    return wrapper.OnMessage(WM_COMMAND, MAKEWPARAM(kPictureControl, BN_CLICKED), 0);
  }

  std::unique_ptr<GAttributeComposite> settings_;
  GUIData data_;
  std::unique_ptr<GUISession> session_;
};

TEST_F(PrinterPictureTest, AccessoriesChangeThePictureAndTheSelectedTrayIsHighlighted) {
  WithPicture(1, [&](GPrinterPictureWrapper& wrapper, HWND dialog) {
    const std::vector<COLORREF> plain = Shown(dialog);
    ASSERT_EQ(plain.size(), static_cast<size_t>(kPrinterPictureWidth) * kPrinterPictureHeight);

    Install(kEnvFeeder, 1);
    wrapper.Refresh(0);
    EXPECT_EQ(wrapper.GetFlags(), GPrinterPictureAccessor::kEnvelopeFeeder);
    const std::vector<COLORREF> withFeeder = Shown(dialog);
    EXPECT_NE(withFeeder, plain);
    // The feeder sits at the right, above tray 1; the left of the picture
    // is the same.
    const auto at = [](const std::vector<COLORREF>& p, int x, int y) { return p[y * kPrinterPictureWidth + x]; };
    EXPECT_NE(at(withFeeder, 185, 30), at(plain, 185, 30));
    EXPECT_EQ(at(withFeeder, 10, 10), at(plain, 10, 10));

    // Tray 1 (source 6) is selected: its area is filled green.
    EXPECT_EQ(at(withFeeder, 168, 60) & 0xFFFFFF, RGB(0, 255, 0));
    // The automatic source shows no highlight.
    Install(kInputBin, GPrinterPictureWrapper::kAutomaticSource);
    wrapper.Refresh(1);
    EXPECT_NE(at(Shown(dialog), 168, 60) & 0xFFFFFF, RGB(0, 255, 0));
  });
}

TEST_F(PrinterPictureTest, AClickOnATrayChoosesItsSource) {
  WithPicture(1, [&](GPrinterPictureWrapper& wrapper, HWND) {
    // Without the envelope feeder nothing is there to click.
    EXPECT_EQ(Click(wrapper, 180, 30), 0);
    EXPECT_EQ(Read(kInputBin), 6);

    Install(kEnvFeeder, 1);
    wrapper.Refresh(0);
    EXPECT_EQ(Click(wrapper, 180, 30), 1);
    EXPECT_EQ(Read(kInputBin), 5);
    EXPECT_EQ(Read(kInputBinRest), 5) << "the other pages follow without a different first page";
    EXPECT_EQ(wrapper.GetSelection(), 5);

    EXPECT_EQ(Click(wrapper, 100, 100), 1);  // tray 3
    EXPECT_EQ(Read(kInputBin), 3);
  });
}

TEST_F(PrinterPictureTest, HitsFollowTheSixBinTowerUpwards) {
  Install(kUseDiffFirstPageChoice, 1);
  settings_->AddChild(Value(GFeatureIds::kPaperPageTab, 0));
  session_->GetSettingsView().SetNarrowString(&kOptionalPaperSources, RWCString("SILOTRAK 6-BIN"));
  WithPicture(1, [&](GPrinterPictureWrapper& wrapper, HWND) {
    // Tray 13 of the tower is at (164,101)-(176,117) of the picture, shown
    // 15 pixels higher.
    EXPECT_EQ(Click(wrapper, 170, 110 - 15), 1);
    EXPECT_EQ(Read(kInputBin), 13);
    EXPECT_EQ(Read(kInputBinRest), 6) << "a different first page keeps the other pages' source";
  });
}

TEST_F(PrinterPictureTest, ADisplayOnlyPictureIgnoresClicks) {
  Install(kEnvFeeder, 1);
  WithPicture(0, [&](GPrinterPictureWrapper& wrapper, HWND) {
    EXPECT_EQ(Click(wrapper, 180, 30), 0);
    EXPECT_EQ(Read(kInputBin), 6);
  });
}

TEST_F(PrinterPictureTest, PicturesShareOneSurfaceThatUndoLeavesAloneAndTheLastPictureReleases) {
  GPictureSurface& surface = session_->GetPictureSurface();
  WithPicture(1, [&](GPrinterPictureWrapper&, HWND dialog) {
    GPrinterPictureWrapper second(new GSourcePictureAccessor(session_.get()), kPictureTable, 0);
    second.Attach(dialog);
    EXPECT_EQ(surface.wrappers, 2);
    Shown(dialog);
    ASSERT_NE(surface.dc, nullptr);
    const HDC dc = surface.dc;
    EXPECT_EQ(surface.composedFlags, 0);

    session_->BeginUpdate(dialog);
    Install(kInputBin, 3);
    session_->UndoChanges();
    session_->EndUpdate();
    EXPECT_EQ(surface.dc, dc);
    EXPECT_EQ(surface.composedFlags, 0);
  });
  EXPECT_EQ(surface.wrappers, 0);
  EXPECT_EQ(surface.dc, nullptr);
  EXPECT_EQ(surface.composed, nullptr);
}

}  // namespace
