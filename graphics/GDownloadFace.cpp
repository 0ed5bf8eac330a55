#include "graphics/GDownloadFace.h"

#include "graphics/GFontFaceHandle.h"
#include "model/GPeripheral.h"
#include "model/MStoredMembers.h"
#include "rw/RWMembers.h"

GDownloadFace::GDownloadFace() : GCommand(nullptr) {}

GDownloadFace::GDownloadFace(GFontFaceHandle* face, int32_t mode) : GCommand(nullptr), face_(face), mode_(mode) {}

GDownloadFace::GDownloadFace(const GDownloadFace& other)
    : GCommand(other), face_(other.GetFace() != nullptr ? other.GetFace()->Clone() : nullptr), mode_(other.mode_) {}

GDownloadFace::~GDownloadFace() = default;

QV_PERSISTENT_KIND_DEFINE(GDownloadFace, GCommand, GDownloadFaceClassId)

GFontFaceHandle* GDownloadFace::GetFace() const { return dynamic_cast<GFontFaceHandle*>(face_.Pointee()); }

void GDownloadFace::SetFace(GFontFaceHandle* face) {
  if (face != GetFace()) face_ = GCountedRef(face);
}

int GDownloadFace::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* command = dynamic_cast<const GDownloadFace*>(other);
  if (command == nullptr || command->ClassId() != ClassId() || command->mode_ != mode_) return 0;
  const GFontFaceHandle* mine = GetFace();
  const GFontFaceHandle* theirs = command->GetFace();
  if (mine == theirs) return 1;
  return mine != nullptr && theirs != nullptr && mine->Matches(theirs) ? 1 : 0;
}

void GDownloadFace::PrepareFace() {
  if (GFontFaceHandle* face = GetFace()) face->PrepareFace(face->GetFaceKind() == 1 ? 1 : 2, mode_);
}

void GDownloadFace::PinResources() { PrepareFace(); }

int16_t GDownloadFace::Dispatch(GPeripheral* peripheral) {
  return peripheral != nullptr ? peripheral->DownloadFace(this) : kNoReceiver;
}

template <typename Archive>
void GDownloadFace::Members(Archive& archive) {
  archive.Version(ClassVersion());
  // Saving prepares the face before it is written.
  if constexpr (Archive::kWriting) PrepareFace();
  MStored::TypedRef<GFontFaceHandle>(archive, face_);
  archive(mode_);
}

RW_STORED_MEMBERS_DEFINE(GDownloadFace, GCommand)

RWCollectable* GDownloadFaceCreate() { return new GDownloadFace; }
