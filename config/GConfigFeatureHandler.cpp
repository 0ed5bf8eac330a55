#include "config/GConfigFeatureHandler.h"

#include <climits>
#include <cstdio>

#include "config/GDMCLibrary.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"

// ---- Buffers ----

GDMCTextBuffer::GDMCTextBuffer(size_t bytes, WCHAR fill)
    : data_(new WCHAR[bytes / 2 > 0 ? bytes / 2 : 1]), chars_(bytes / 2 > 0 ? bytes / 2 : 1), fill_(fill) {
  Refill();
}

void GDMCTextBuffer::Refill() {
  for (size_t i = 0; i + 1 < chars_; ++i) data_[i] = fill_;
  data_[chars_ - 1] = 0;
}

GDMCNarrowBuffer::GDMCNarrowBuffer(size_t bytes) : data_(new char[bytes > 0 ? bytes : 1]), bytes_(bytes > 0 ? bytes : 1) {
  for (size_t i = 0; i + 1 < bytes_; ++i) data_[i] = ' ';
  data_[bytes_ - 1] = 0;
}

// ---- Handler base ----

GConfigFeatureHandler::GConfigFeatureHandler() : library_(nullptr) {}

GConfigFeatureHandler::GConfigFeatureHandler(GDMCLibrary* library) : library_(library) {}

GConfigFeatureHandler::~GConfigFeatureHandler() = default;

GAttributeComposite* GConfigFeatureHandler::FindGroup(GAttributeComposite* settings, int32_t group) {
  if (settings == nullptr) return nullptr;
  return dynamic_cast<GAttributeComposite*>(settings->FindById(group));
}

GValueAttribute* GConfigFeatureHandler::FindValue(GAttributeComposite* settings, int32_t group, int32_t id) {
  GAttributeComposite* found = FindGroup(settings, group);
  if (found == nullptr) return nullptr;
  return dynamic_cast<GValueAttribute*>(found->FindById(id));
}

int GConfigFeatureHandler::FindRowByText(const GOptionRow* rows, uint16_t count, LPCWSTR text) {
  for (uint16_t i = 0; rows != nullptr && i < count; ++i) {
    if (GDMCLibrary::IsSameText(text, rows[i].text) != 0) return i;
  }
  return -1;
}

int GConfigFeatureHandler::FindRowByValue(const GOptionRow* rows, uint16_t count, int16_t value) {
  for (uint16_t i = 0; rows != nullptr && i < count; ++i) {
    if (rows[i].value == value) return i;
  }
  return -1;
}

void GConfigFeatureHandler::RecordChange(GAttributeComposite* changes, GAttribute* attribute, int16_t value,
                                         GChangeRule rule) {
  if (changes == nullptr || attribute == nullptr) return;
  switch (rule) {
    case GChangeRule::kNone:
      break;
    case GChangeRule::kCopy:
      changes->AddChild(attribute->DeepCopy());
      break;
    case GChangeRule::kNew: {
      const int32_t id = attribute->FeatureId();
      changes->AddChild(new GValueAttribute(value, &id));
      break;
    }
  }
}

int32_t GConfigFeatureHandler::ParseNumber(const char* text, size_t bytes) {
  if (text == nullptr) return 0;
  size_t i = 0;
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
  while (i < bytes && text[i] != 0 && space(text[i])) ++i;
  bool negative = false;
  if (i < bytes && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int64_t value = 0;
  while (i < bytes && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
    ++i;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  return static_cast<int32_t>(value);
}

int GConfigFeatureHandler::ReadOption(LPCWSTR path, GDMCTextBuffer& buffer) {
  if (library_ == nullptr) return 0;
  if (library_->DMCSetContext(path) == 0) return 0;
  library_->DMCGet(nullptr, buffer.Data(), buffer.Chars());
  return 1;
}

int GConfigFeatureHandler::ImportTable(GAttributeComposite* settings, GAttributeComposite* changes, int32_t group,
                                       int32_t id, LPCWSTR path, const GOptionRow* rows, uint16_t count,
                                       size_t bufferBytes, GChangeRule rule, int16_t* matched) {
  GValueAttribute* attribute = FindValue(settings, group, id);
  if (attribute == nullptr) return 0;
  GDMCTextBuffer buffer(bufferBytes);
  if (ReadOption(path, buffer) == 0) return 0;
  const int row = FindRowByText(rows, count, buffer.Text());
  if (row < 0) return 0;
  attribute->SetValue(rows[row].value);
  RecordChange(changes, attribute, rows[row].value, rule);
  if (matched != nullptr) *matched = rows[row].value;
  return 1;
}

int GConfigFeatureHandler::ExportTable(GAttributeComposite* settings, int32_t group, int32_t id, LPCWSTR path,
                                       const GOptionRow* rows, uint16_t count, bool strict) {
  return ExportValue(FindValue(settings, group, id), path, rows, count, strict);
}

int GConfigFeatureHandler::ExportValue(GValueAttribute* attribute, LPCWSTR path, const GOptionRow* rows,
                                       uint16_t count, bool strict) {
  if (attribute == nullptr || library_ == nullptr) return 0;
  const int16_t value = attribute->GetValue();
  for (uint16_t i = 0; rows != nullptr && i < count; ++i) {
    if (rows[i].value != value) continue;
    const int accepted = library_->DMCSetExport(path, rows[i].text);
    if (!strict) return 1;
    if (accepted != 0) return 1;
  }
  return 0;
}

void GConfigFeatureHandler::CheckLock(GAttributeComposite* settings, LPCWSTR path, int32_t lockedFeatureId,
                                      GDMCTextBuffer& buffer, bool acceptAnyAnswer) {
  if (library_ == nullptr) return;
  buffer.Refill();
  const int answer = library_->DMCGetNamedFeatureAttribute(path, u"lock", buffer.Data(), buffer.Chars());
  if (answer == 0 || (!acceptAnyAnswer && answer != 1)) return;
  if (GDMCLibrary::IsSameText(buffer.Text(), u"TRUE") == 0 && GDMCLibrary::IsSameText(buffer.Text(), u"true") == 0) {
    return;
  }
  GAttributeComposite* preferences = FindGroup(settings, GFeatureIds::kDriverPreferences);
  if (preferences == nullptr) return;
  auto* locked = dynamic_cast<GAttributeComposite*>(preferences->FindById(GFeatureIds::kLockedFeatures));
  if (locked == nullptr) return;
  const int32_t markerId = 0;
  locked->AddChild(new GValueAttribute(static_cast<int16_t>(lockedFeatureId), &markerId));
}

int GConfigFeatureHandler::ReadNumber(LPCWSTR path, size_t bufferBytes, int32_t* number) {
  GDMCTextBuffer buffer(bufferBytes);
  if (ReadOption(path, buffer) == 0) return 0;
  GDMCNarrowBuffer narrow(kNumberNarrowBytes);
  library_->DMCWideToChar(narrow.Data(), narrow.Bytes(), buffer.Text());
  *number = ParseNumber(narrow.Data(), narrow.Bytes());
  return 1;
}

int GConfigFeatureHandler::ExportNumber(LPCWSTR path, int32_t number) {
  if (library_ == nullptr) return 0;
  GDMCNarrowBuffer narrow(kNumberNarrowBytes);
  std::snprintf(narrow.Data(), narrow.Bytes(), "%d", static_cast<int>(number));
  WCHAR wide[kNumberWideBytes / 2] = {};
  if (library_->DMCCharToWide(wide, kNumberWideBytes / 2, narrow.Data()) == nullptr) return 0;
  return library_->DMCSetExport(path, wide);
}
