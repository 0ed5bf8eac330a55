// Fuzz target: arbitrary bytes decoded as a compact settings stream over a
// small tree of defaults, in both modes, as they come and behind a valid
// header (so that the records themselves are reached). Damaged input must
// only give null or a tree rebuilt over the defaults: no crash, hang,
// over-read, unbounded allocation or leak, and no error may reach the error
// handler. A tree that does decode must encode again and decode from that.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver/GCompactSettingsCodec.h"
#include "driver/GUpwardServices.h"
#include "model/GAttributeComposite.h"
#include "model/GDisplayStringAttribute.h"
#include "model/GEnumAttribute.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GRangeAttribute.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentObject.h"
#include "model/ModelClasses.h"
#include "rw/RWError.h"
#include "rw/RWLibraryClasses.h"

namespace {

void OnError(const RWLibraryError&) { __builtin_trap(); }

GAttributeComposite* Group(int32_t id) { return new GAttributeComposite(&id); }
GValueAttribute* Value(int32_t id, int16_t value) { return new GValueAttribute(value, &id); }

// The document settings defaults of a small device.
MPersistentObject* CreateDefaults(GDriverInstance*) {
  static const int32_t kIds[] = {249, 246, 307, 440, 295, 296, 297, 510, 270};
  auto* resolution = new GEnumAttribute(&kIds[0]);
  resolution->AddChild(Value(323, 600));
  resolution->AddChild(Value(323, 1200));
  auto* job = new GState(&kIds[1]);
  job->AddChild(Value(260, 1));
  auto* document = Group(362);
  document->AddChild(Value(266, 1));
  document->AddChild(new GStringAttribute("Document", &kIds[8]));
  document->AddChild(resolution);
  document->AddChild(job);
  auto* options = Group(365);
  options->AddChild(Value(308, 0));
  options->AddChild(new GRangeAttribute(0, 512, 8, 64, &kIds[2]));
  auto* root = Group(360);
  root->AddChild(document);
  root->AddChild(options);
  root->AddChild(Group(276));
  root->AddChild(Group(378));
  root->AddChild(Group(701));
  root->AddChild(new GDisplayStringAttribute(&kIds[3], 0, "Label", ""));
  root->AddChild(new GTintwrightAttribute(&kIds[4], 1, 2, 3, 4, 5, 6));
  root->AddChild(new GTintwrightEnhancedAttribute(&kIds[5]));
  root->AddChild(new GTintwrightEnhancedAttributeVer2(&kIds[6]));
  root->AddChild(new GFormToTrayDatabase(&kIds[7]));
  return root;
}

MPersistentObject* DecodeBytes(GCompactSettingsCodec& codec, const uint8_t* data, size_t size, int16_t selector) {
  GPersistInStream holder(data, size, 1);
  // Any non-null pointer stands for the instance: the accessors ignore it.
  static int instance;
  return codec.Decode(holder.GetStream(), &holder, reinterpret_cast<GDriverInstance*>(&instance), selector);
}

void CheckEncodesAgain(GCompactSettingsCodec& codec, MPersistentObject* root, int16_t selector) {
  std::vector<uint8_t> buffer(1 << 20);
  int written = 0;
  {
    GPersistOutStream holder(buffer.data(), buffer.size(), 1);
    if (!codec.Encode(root, holder.GetStream(), &holder, selector)) return;
    written = holder.Tell();
  }
  if (written <= 0) __builtin_trap();
  MPersistentObject* again = DecodeBytes(codec, buffer.data(), static_cast<size_t>(written), selector);
  if (again == nullptr) __builtin_trap();
  delete again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static GCompactSettingsCodec* codec = [] {
    RWSetErrorHandler(&OnError);
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    GUpwardServices services;
    services.instance.createDefaultSettings = &CreateDefaults;
    services.instance.printerConfiguration = [](GDriverInstance*) -> MPersistentObject* { return nullptr; };
    InstallUpwardServices(services);
    return new GCompactSettingsCodec;
  }();

  std::vector<uint8_t> framed(20, 0x73);
  framed.insert(framed.end(), data, data + size);
  for (int16_t selector = 0; selector < 2; ++selector) {
    MPersistentObject* root = DecodeBytes(*codec, framed.data(), framed.size(), selector);
    if (root != nullptr) CheckEncodesAgain(*codec, root, selector);
    delete root;
    delete DecodeBytes(*codec, data, size, selector);
  }
  return 0;
}
