#include "ui/pages/FontCatalogSource.h"

#include <new>

#include "driver/GDriverInstance.h"
#include "driver/MassStorageFonts.h"
#include "model/GDeviceFontList.h"
#include "ui/pages/GFontCatalogReader.h"

namespace {

// The driver core's view of one device's descriptor file.
class ReaderCatalog : public GDeviceFontCatalog {
 public:
  ReaderCatalog(int deviceIndex, GDriverInstance* printer) : reader_(deviceIndex, printer) {}
  bool Open() override {
    int32_t deviceId = 0;
    return reader_.Open(&deviceId) != nullptr;
  }
  bool ReadDescriptor() override {
    int32_t deviceId = 0;
    return reader_.ReadHeader(&deviceId) != nullptr;
  }
  int32_t GetStamp() override { return reader_.GetRevision(); }
  MPersistentObject* BuildFontList() override { return reader_.ReadFontList(); }

 private:
  GFontCatalogReader reader_;
};

}  // namespace

GDeviceFontCatalog* CreateFontCatalog(int deviceIndex, GDriverInstance* printer) {
  if (deviceIndex < 0 || deviceIndex >= kFontDeviceCount) return nullptr;
  return new (std::nothrow) ReaderCatalog(deviceIndex, printer);
}
