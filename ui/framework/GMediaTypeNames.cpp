#include "ui/framework/GMediaTypeNames.h"

#include <cstring>

namespace {

struct MediaRow {
  int16_t id;
  const char* name;  // the name stored in the settings
};

// The stored names differ from the shown ones where the printer's name has a
// space ("Card Stock", shown as "Cardstock").
constexpr MediaRow kMediaRows[] = {
    {11101, ""},           {11102, "Plain"},       {11103, "Preprinted"},
    {11104, "Letterhead"}, {11105, "Transparency"}, {11106, "Prepunched"},
    {11107, "Labels"},     {11108, "Bond"},        {11109, "Recycled"},
    {11110, "Color"},      {11111, "Card Stock"},  {11112, "Rough"},
};

bool SameName(const RWCString& name, const char* stored) {
  const size_t length = std::strlen(stored);
  return name.Length() == length && (length == 0 || std::memcmp(name.Data(), stored, length) == 0);
}

}  // namespace

int16_t MediaTypeNameToStringId(const RWCString& name) {
  for (const MediaRow& row : kMediaRows) {
    if (SameName(name, row.name)) return row.id;
  }
  return kFirstReportedMediaId;
}

void MediaTypeStringIdToName(int16_t id, RWCString& text) {
  if (id > kLastTableMediaId) return;
  for (const MediaRow& row : kMediaRows) {
    if (row.id == id) {
      text = row.name;
      return;
    }
  }
  text = "";
}
