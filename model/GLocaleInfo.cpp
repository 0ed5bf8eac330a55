#include "model/GLocaleInfo.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// The numbers and the texts in their stored order.
constexpr int32_t GLocaleInfo::* kNumbers[] = {
    &GLocaleInfo::country,          &GLocaleInfo::currencyDigits, &GLocaleInfo::currencyFormat,
    &GLocaleInfo::dateOrder,        &GLocaleInfo::digits,         &GLocaleInfo::leadingZero,
    &GLocaleInfo::measure,          &GLocaleInfo::negativeCurrency, &GLocaleInfo::timeFormat,
    &GLocaleInfo::timeLeadingZero,  &GLocaleInfo::locale,
};

constexpr RWCString GLocaleInfo::* kTexts[] = {
    &GLocaleInfo::amSymbol,         &GLocaleInfo::pmSymbol,         &GLocaleInfo::countryName,
    &GLocaleInfo::currencySymbol,   &GLocaleInfo::dateSeparator,    &GLocaleInfo::decimalSeparator,
    &GLocaleInfo::language,         &GLocaleInfo::listSeparator,    &GLocaleInfo::longDateFormat,
    &GLocaleInfo::shortDateFormat,  &GLocaleInfo::thousandSeparator, &GLocaleInfo::timeSeparator,
};

static_assert(sizeof(kNumbers) / sizeof(kNumbers[0]) == 11, "eleven numbers");
static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == 12, "twelve texts");

RWCString TextOf(const char* text) { return RWCString(text != nullptr ? text : ""); }

}  // namespace

GLocaleInfo::GLocaleInfo() { SetDefaultTexts(); }

GLocaleInfo::GLocaleInfo(const int32_t& id) : MPersistentObject(id) { SetDefaultTexts(); }

GLocaleInfo::GLocaleInfo(const GLocaleInfo& other) : MPersistentObject(other) { CopyFields(other); }

GLocaleInfo& GLocaleInfo::operator=(const GLocaleInfo& other) {
  if (this != &other) {
    MPersistentObject::operator=(other);
    CopyFields(other);
  }
  return *this;
}

GLocaleInfo::~GLocaleInfo() = default;

void GLocaleInfo::SetDefaultTexts() {
  amSymbol = "AM";
  pmSymbol = "PM";
  countryName = "United States";
  currencySymbol = "$";
  dateSeparator = "/";
  decimalSeparator = ".";
  language = "ENU";
  listSeparator = ",";
  longDateFormat = "dddd, MMMM dd, yyyy";
  shortDateFormat = "M/d/yy";
  thousandSeparator = ",";
  timeSeparator = ":";
}

void GLocaleInfo::CopyFields(const GLocaleInfo& other) {
  for (auto number : kNumbers) this->*number = other.*number;
  for (auto text : kTexts) this->*text = other.*text;
}

void GLocaleInfo::SetAMSymbol(const char* text) { amSymbol = TextOf(text); }
void GLocaleInfo::SetPMSymbol(const char* text) { pmSymbol = TextOf(text); }
void GLocaleInfo::SetCountryName(const char* text) { countryName = TextOf(text); }
void GLocaleInfo::SetCurrencySymbol(const char* text) { currencySymbol = TextOf(text); }
void GLocaleInfo::SetDateSeparator(const char* text) { dateSeparator = TextOf(text); }
void GLocaleInfo::SetDecimalSeparator(const char* text) { decimalSeparator = TextOf(text); }
void GLocaleInfo::SetLanguage(const char* text) { language = TextOf(text); }
void GLocaleInfo::SetListSeparator(const char* text) { listSeparator = TextOf(text); }
void GLocaleInfo::SetLongDateFormat(const char* text) { longDateFormat = TextOf(text); }
void GLocaleInfo::SetShortDateFormat(const char* text) { shortDateFormat = TextOf(text); }
void GLocaleInfo::SetThousandSeparator(const char* text) { thousandSeparator = TextOf(text); }
void GLocaleInfo::SetTimeSeparator(const char* text) { timeSeparator = TextOf(text); }

// ---- RWCollectable ----

GLocaleInfo* GLocaleInfo::CreateSameKind() const { return new GLocaleInfo; }
GLocaleInfo* GLocaleInfo::Clone() const { return new GLocaleInfo(*this); }
RWClassID GLocaleInfo::ClassId() const { return GLocaleInfoClassId; }

uint32_t GLocaleInfo::MembersStoreSize() const {
  // The version and the eleven numbers, then each text with its length.
  uint32_t size = MPersistentObject::MembersStoreSize() + 4 + 11 * 4;
  for (auto text : kTexts) size += static_cast<uint32_t>((this->*text).Length()) + 4;
  return size;
}

void GLocaleInfo::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  for (auto number : kNumbers) stream.PutULong(static_cast<uint32_t>(this->*number));
  for (auto text : kTexts) (this->*text).SaveTo(stream);
}

void GLocaleInfo::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  for (auto number : kNumbers) file.WriteULong(static_cast<uint32_t>(this->*number));
  for (auto text : kTexts) (this->*text).SaveToFile(file);
}

void GLocaleInfo::RestoreMembers(RWVirtualInStream& stream) {
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  for (auto number : kNumbers) {
    uint32_t value = 0;
    stream.GetULong(value);
    if (!stream.Good()) return;
    this->*number = static_cast<int32_t>(value);
  }
  for (auto text : kTexts) {
    (this->*text).RestoreFrom(stream);
    if (!stream.Good()) return;
  }
}

void GLocaleInfo::RestoreMembersFromFile(RWBinaryFile& file) {
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  for (auto number : kNumbers) {
    uint32_t value = 0;
    if (!file.ReadULong(value)) return;
    this->*number = static_cast<int32_t>(value);
  }
  for (auto text : kTexts) {
    if (!(this->*text).RestoreFromFile(file)) return;
  }
}

// ---- MPersistentObject ----

int GLocaleInfo::DerivesFrom(RWClassID classId) const {
  return classId == GLocaleInfoClassId || MPersistentObject::DerivesFrom(classId);
}

int GLocaleInfo::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* locale = dynamic_cast<const GLocaleInfo*>(other);
  if (locale == nullptr) return 0;
  for (auto number : kNumbers) {
    if (this->*number != locale->*number) return 0;
  }
  for (auto text : kTexts) {
    // Length and bytes, so texts holding NULs compare whole.
    if (!((this->*text) == (locale->*text))) return 0;
  }
  return 1;
}

RWCollectable* GLocaleInfoCreate() { return new GLocaleInfo; }
