// Fuzz target: arbitrary bytes handed to the DEVMODE object as a DEVMODE
// from an application (public part and private area), in both codec modes.
// The first byte chooses the mode and how the rest is laid out: as the whole
// DEVMODE (in a buffer exactly as long as it says it is), over the private
// area of a valid driver DEVMODE, or as the content of the settings area
// (compressed with zlib first, so that the framing and compact readers are
// reached). Nothing may crash, over-read, leak or reach the error handler,
// and the object must keep usable settings.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "driver/DriverClasses.h"
#include "model/ModelClasses.h"
#include "rw/RWError.h"
#include "rw/RWLibraryClasses.h"
#include "support/DevModeTestSupport.h"

namespace {

using PA = DevmodePrivateArea;

void OnError(const RWLibraryError&) { __builtin_trap(); }

struct Device {
  std::unique_ptr<qvtest::DevModeTestInstance> instance;
  std::unique_ptr<qvtest::TestDevMode> devMode;
  std::vector<uint8_t> valid;  // a DEVMODE the driver wrote
};

Device* MakeDevice(int codecMode) {
  auto* device = new Device;
  device->instance = std::make_unique<qvtest::DevModeTestInstance>(codecMode);
  device->devMode = std::make_unique<qvtest::TestDevMode>(device->instance.get());
  device->devMode->SetDefaults();
  std::unique_ptr<GAttributeComposite> settings(qvtest::MakeSettings());
  if (device->devMode->SetSettings(settings.get()) != 1) __builtin_trap();
  device->valid.resize(PA::kTotalSize);
  device->devMode->CopyTo(reinterpret_cast<DEVMODEW*>(device->valid.data()));
  return device;
}

void Exercise(Device& device, std::vector<uint8_t>& dm) {
  auto* in = reinterpret_cast<DEVMODEW*>(dm.data());
  GNT40DevMode& devMode = *device.devMode;
  devMode.IsCompatible(in);
  for (int flags : {0, 1, 5}) delete devMode.ReadPrivate(in, flags);
  uint32_t bad = 0;
  devMode.Validate(nullptr, in, 1, &bad);
  devMode.IsEqual(in);
  if (devMode.LoadFrom(in) != 1 || devMode.GetSettings() == nullptr) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Device** devices = [] {
    RWSetErrorHandler(&OnError);
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
    static Device* made[2] = {MakeDevice(0), MakeDevice(1)};
    return made;
  }();
  if (size == 0) return 0;
  const uint8_t control = data[0];
  const uint8_t* rest = data + 1;
  const size_t length = size - 1;
  Device& device = *devices[control & 1];

  std::vector<uint8_t> dm;
  switch ((control >> 1) % 3) {
    case 0: {
      // The whole DEVMODE: the buffer ends where dmSize + dmDriverExtra say.
      std::vector<uint8_t> head(PA::kHeadSize, 0);
      std::memcpy(head.data(), rest, std::min(length, head.size()));
      const size_t extent = std::max(PA::kHeadSize, PA::Extent(head.data()));
      dm.assign(extent, 0);
      std::memcpy(dm.data(), rest, std::min(length, extent));
      break;
    }
    case 1: {
      // Over the private part of a valid DEVMODE.
      dm = device.valid;
      std::memcpy(dm.data() + PA::kPublicSize, rest, std::min(length, PA::kDriverExtra));
      break;
    }
    default: {
      // The settings content, compressed by zlib into the settings area.
      dm = device.valid;
      uLongf packed = compressBound(length);
      std::vector<uint8_t> out(packed);
      if (compress(out.data(), &packed, rest, length) != Z_OK) return 0;
      if (packed > PA::kSettingsCapacity) return 0;
      std::memcpy(dm.data() + PA::kSettingsOffset, out.data(), packed);
      PA::SetWord(dm.data(), PA::kSettingsLengthOffset, static_cast<uint16_t>(packed));
      break;
    }
  }
  Exercise(device, dm);
  return 0;
}
