// GDevMode: the DEVMODE object. It owns the 1172-byte DEVMODE buffer of a
// job (the public record, the private header and the settings area) and the
// document settings behind it, writes the settings compressed into the
// private area and restores them from a DEVMODE handed back. The public
// field mappings are left to the platform's derived classes.
//
// A DEVMODE from outside is untrusted: it is read only as far as its dmSize
// and dmDriverExtra reach, its private area only within its stated length and
// the 902-byte capacity, and a damaged one gives no settings (the caller then
// keeps its own) rather than a failure of the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "driver/DevmodePrivateArea.h"
#include "driver/GCompactSettingsCodec.h"
#include "rw/RWWString.h"
#include "win32/DevMode.h"

class GAttributeComposite;
class GDriverInstance;

class GDevMode {
 public:
  // ReadPrivate flags: the settings are in the framing whatever the codec
  // mode says, and they are LZW-packed instead of zlib-compressed. Both
  // describe buffers written by older drivers.
  static constexpr int kForceFraming = 1;
  static constexpr int kLzwPacked = 4;

  // A zero-filled buffer with the private header's creation values.
  explicit GDevMode(GDriverInstance* instance);
  // The same instance, a copy of the buffer and a deep copy of the settings.
  GDevMode(const GDevMode& other);
  GDevMode& operator=(const GDevMode&) = delete;

  // ---- Virtual operations, in slot order ----
  virtual ~GDevMode();
  // Rewrites the driver-name tag when it differs from the instance's driver
  // name and takes the instance. 1.
  virtual int AttachInstance(GDriverInstance* instance);
  // Copies the public record, the private header and the settings area into
  // out (1172 bytes). 0 for a null out.
  virtual int CopyTo(DEVMODEW* out);
  // Applies a DEVMODE: its private settings when it is this driver's and
  // they restore, then its public fields. 0 only for a null buffer.
  virtual int LoadFrom(const DEVMODEW* in);
  // Copies the other object's buffer into this one's, as CopyTo does.
  virtual int CopyFrom(GDevMode& other);
  // Takes a deep copy of the settings (null keeps the current ones) and
  // rewrites the public record and the private area from them. The result
  // of SettingsToPublic, or 0 when the private area could not be written.
  virtual int SetSettings(const GAttributeComposite* settings);
  virtual int SettingsToPublic(GAttributeComposite* settings, DEVMODEW* dm) = 0;
  virtual int PublicToSettings(const DEVMODEW* dm, GAttributeComposite* settings) = 0;
  virtual RWWString GetDeviceName() = 0;
  virtual RWWString GetDriverNameTag() = 0;
  virtual int IsUsable() = 0;
  // Whether in carries this driver's private area (see the .cpp).
  virtual int IsCompatible(const DEVMODEW* in);
  virtual DEVMODEW* GetBuffer();
  // The object's own settings (borrowed), or null.
  virtual GAttributeComposite* GetSettings();
  virtual int GetTotalSize() { return static_cast<int>(DevmodePrivateArea::kTotalSize); }
  virtual int GetPublicSize() { return static_cast<int>(DevmodePrivateArea::kPublicSize); }
  virtual int GetPrivateHeaderSize() { return static_cast<int>(DevmodePrivateArea::kHeaderSize); }
  virtual int GetSettingsAreaSize() { return static_cast<int>(DevmodePrivateArea::kSettingsAreaSize); }
  virtual int GetBufferSize() { return GetTotalSize(); }
  virtual int IsLoadedFromPrinter() { return loadedFromPrinter_; }
  // The settings' XResolution / YResolution; 0 without them.
  virtual int16_t GetXResolution();
  virtual int16_t GetYResolution();
  // Moves length bytes; 1.
  virtual int CopyBytes(void* to, const void* from, size_t length);
  // Serialises and compresses the settings into dm's settings data (offset
  // 270, at most 902 bytes). The compressed length, or 0 on failure.
  virtual int WritePrivate(DEVMODEW* dm, const GAttributeComposite* settings);
  // Restores the settings from dm's private area; a new composite owned by
  // the caller, or null.
  virtual GAttributeComposite* ReadPrivate(const DEVMODEW* dm, int flags);
  virtual int CopyPublicOut(DEVMODEW* out);
  virtual int CopyPublicIn(const DEVMODEW* in);

  // ---- Non-virtual ----
  GDriverInstance* GetInstance() const { return instance_; }
  // 1 the compact settings codec, 0 the framing (read once from the
  // printer configuration's DevmodeCodecMode).
  int16_t GetCodecMode();
  int IsEmfFlagSet() const { return emfFlag_; }
  // 1 when the last SetSettings could not write the settings into the
  // private area (they do not fit it even compressed): the buffer then does
  // not carry the object's settings and is not to be handed out for them.
  int HasUnwrittenSettings() const { return settingsUnwritten_; }
  // Settings restored from a private area, kept with that area: a later
  // read of the same area in the current form (ReadPrivateImage with flags
  // 0, the same codec mode) gives a copy of them instead of restoring the
  // bytes again. The kept settings are never handed out or changed.
  struct RestoredArea {
    std::vector<uint8_t> area;  // the length words and the settings bytes
    bool compact = false;
    std::shared_ptr<const GAttributeComposite> settings;
  };
  // The stream format of the serialised settings inside the private area
  // (see the .cpp): the same in both codec modes.
  static int PrivateStreamFormat(bool compact);

 protected:
  uint8_t* Buffer() { return buffer_; }
  const uint8_t* Buffer() const { return buffer_; }
  void SetLoadedFromPrinter(int flag) { loadedFromPrinter_ = flag; }
  void SetEmfFlag(int flag) { emfFlag_ = flag; }
  // Takes the composite over as the current settings (the old ones deleted).
  void AdoptSettings(GAttributeComposite* settings);
  // Restores the private area of a full-size image (ReadPrivate's body).
  GAttributeComposite* ReadPrivateImage(const uint8_t* image, int flags);
  // Restores a serialised settings stream of the given form.
  GAttributeComposite* RestoreSettings(const uint8_t* bytes, size_t length, bool compact);
  // Rebuilds settings restored from an old form over the codec's current
  // default tree (encode and decode with the compact codec) and carries the
  // old n-up choices over. Takes old over; the result or null.
  GAttributeComposite* RebuildFromOldForm(GAttributeComposite* old);
  // The old forms of a buffer: the framing, then LZW-packed framing.
  GAttributeComposite* ReadOldForms(const uint8_t* image);

  // Keeps a copy of settings, which were just restored from the private
  // area of image (a full-size image) in the current form.
  void RememberRestored(const uint8_t* image, const GAttributeComposite* settings);
  const std::shared_ptr<const RestoredArea>& Restored() const { return restored_; }
  void SetRestored(std::shared_ptr<const RestoredArea> restored) { restored_ = std::move(restored); }

 private:
  GDriverInstance* instance_;
  uint8_t* buffer_;
  int ownsBuffer_ = 1;
  int bufferSize_ = static_cast<int>(DevmodePrivateArea::kTotalSize);
  int loadedFromPrinter_ = 0;
  int16_t codecMode_ = -1;
  GCompactSettingsCodec codec_;
  GAttributeComposite* settings_ = nullptr;
  int emfFlag_ = 0;
  int settingsUnwritten_ = 0;
  std::shared_ptr<const RestoredArea> restored_;
};
