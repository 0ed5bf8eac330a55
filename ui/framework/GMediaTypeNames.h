// Media names: paper types are stored in the settings as the printer's media
// names ("" for automatic selection) and shown by string-table names. These
// two mappings turn a stored name into the string id the lists show and a
// chosen id back into the name to store. Names the printer reported are not
// in the table: they take the ids from kFirstReportedMediaId on, by their
// position in the reported list.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"

constexpr int16_t kAutoSelectMediaId = 11101;  // "Auto Select", stored as ""
constexpr int16_t kLastTableMediaId = 11112;   // "Rough"
constexpr int16_t kFirstReportedMediaId = 11144;
// At most this many reported names are offered.
constexpr int kMaxReportedMediaNames = 5;

// The id of the table row whose stored name equals the name exactly
// (case-sensitive); any other name gives kFirstReportedMediaId.
int16_t MediaTypeNameToStringId(const RWCString& name);

// For the ids of the table's named rows the stored name; for any other id up
// to kLastTableMediaId (automatic included) ""; above it the text is left as
// it is, since a reported name stands for itself.
void MediaTypeStringIdToName(int16_t id, RWCString& text);
