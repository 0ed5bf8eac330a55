// The value dispatcher of the driver-extension interface. Extensions ask
// for job settings by numeric value id and get answers in the interface's
// own code space: small integers per setting, with fixed codes for paper
// sizes, media types, trays, output bins, orientations, duplex, n-up,
// stapling and resolutions. The settings are read from the composite given
// (the user-interface side), or at print time from the current job
// command's settings or the document settings, chosen by the command.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"

class GAttributeComposite;
class GDriverExtension;

// Answers of the dispatcher.
namespace ExtensionValueAnswer {
constexpr int16_t kStored = 0;
constexpr int16_t kMissing = 1;        // no context, no source or the attribute missing
constexpr int16_t kNotHandled = 3;     // an id outside the table
constexpr int16_t kNoGeometry = 4;     // the media geometry ids asked with a settings composite
}  // namespace ExtensionValueAnswer

// Stores the value of the id in *out; see ExtensionValueAnswer. Without a
// context or its info block, or with a null out, 1.
int16_t GetExtensionValue(uint16_t valueId, int16_t* out, GAttributeComposite* settings,
                          GDriverExtension* context);

// The code tables.
int16_t ExtensionPaperCode(int16_t paperId);
int16_t ExtensionMediaCode(const RWCString& mediaTypeName);
int16_t ExtensionTrayCode(int16_t trayId);
int16_t ExtensionBinCode(int16_t outputBin);
