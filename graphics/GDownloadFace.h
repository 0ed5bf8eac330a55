// GDownloadFace: the print-path command that asks a peripheral to download a
// font face (its face handle and a download mode). Keeping or saving the
// command first lets the face prepare itself for the download.
#pragma once

#include <cstdint>

#include "model/GCommand.h"
#include "model/GCountedPtr.h"

class GFontFaceHandle;

constexpr RWClassID GDownloadFaceClassId = 806;

class GDownloadFace : public GCommand {
 public:
  // No face, mode 0.
  GDownloadFace();
  // Holds the face (it is the command's).
  GDownloadFace(GFontFaceHandle* face, int32_t mode);
  // The mode and a copy of the face.
  GDownloadFace(const GDownloadFace& other);
  GDownloadFace& operator=(const GDownloadFace&) = delete;
  ~GDownloadFace() override;

  static RWClassID StaticClassId() { return GDownloadFaceClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GDownloadFace);
  // Same class, equal modes and the same or equal faces.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the command part: version 1, the face (framed), the
  // mode. Saving prepares the face first.
  RW_STORED_MEMBERS();

  // Prepares the face for download.
  void PinResources() override;
  // GPeripheral::DownloadFace.
  int16_t Dispatch(GPeripheral* peripheral) override;

  GFontFaceHandle* GetFace() const;
  // Holds the face in place of the one held (which its other holders keep;
  // the command lets it go).
  void SetFace(GFontFaceHandle* face);
  void ReplaceFace(GFontFaceHandle* face) { SetFace(face); }
  int32_t GetMode() const { return mode_; }

 private:
  void PrepareFace();

  GCountedRef face_;
  int32_t mode_ = 0;
};

RWCollectable* GDownloadFaceCreate();
