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

QV_PERSISTENT_KIND_DEFINE(GLocaleInfo, MPersistentObject, GLocaleInfoClassId)

// The version and the eleven numbers, then the twelve texts.
template <typename Archive>
void GLocaleInfo::Members(Archive& archive) {
  archive.Version(ClassVersion());
  for (auto number : kNumbers) archive(rwm::As<uint32_t>(this->*number));
  for (auto text : kTexts) archive(this->*text);
}

RW_STORED_MEMBERS_DEFINE(GLocaleInfo, MPersistentObject)

// ---- MPersistentObject ----

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
