// GFormToTrayAssociation: one entry of the form-to-tray table: the paper
// size, media type and spooler form that the administrator assigned to one
// input tray. The form-to-tray database holds one per tray.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"
#include "model/GValueAttribute.h"
#include "rw/RWWString.h"

constexpr RWClassID GFormToTrayAssociationClassId = 1013;

class GFormToTrayAssociation : public GAttribute {
 public:
  // Tray, paper size and media type 0, empty form name.
  GFormToTrayAssociation();
  GFormToTrayAssociation(int16_t tray, int16_t paperSize, int16_t mediaType);
  GFormToTrayAssociation(int16_t tray, int16_t paperSize, int16_t mediaType, const RWWString& formName);
  GFormToTrayAssociation(const GFormToTrayAssociation& other);
  GFormToTrayAssociation& operator=(const GFormToTrayAssociation& other);
  ~GFormToTrayAssociation() override;

  static RWClassID StaticClassId() { return GFormToTrayAssociationClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GFormToTrayAssociation);
  RW_STORED_MEMBERS();
  // Same class and feature id, the three values alike and the same form name.
  int Matches(const MPersistentObject* other) const override;
  // An entry applies nothing: 1.
  int16_t ApplyTo(GPeripheral* receiver) override;

  int16_t GetTray() const { return tray_.GetValue(); }
  int16_t GetPaperSize() const { return paperSize_.GetValue(); }
  int16_t GetMediaType() const { return mediaType_.GetValue(); }
  const RWWString& GetFormName() const { return formName_; }

 private:
  GValueAttribute paperSize_;
  GValueAttribute tray_;
  GValueAttribute mediaType_;
  RWWString formName_;
};

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GFormToTrayAssociation*& out);
RWBinaryFile& operator>>(RWBinaryFile& file, GFormToTrayAssociation*& out);

RWCollectable* GFormToTrayAssociationCreate();
