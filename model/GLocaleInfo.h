// GLocaleInfo: a persistent snapshot of the user's regional settings, the
// eleven numbers and twelve texts of the "Control Panel\International"
// values. The platform factory fills one from the user's registry; what a
// value does not give keeps the United States defaults set here.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWCString.h"

constexpr RWClassID GLocaleInfoClassId = 3;

class GLocaleInfo : public MPersistentObject {
 public:
  // Every field at its default; id 0 or the given id.
  GLocaleInfo();
  explicit GLocaleInfo(const int32_t& id);
  // Copy id, serial and every field.
  GLocaleInfo(const GLocaleInfo& other);
  GLocaleInfo& operator=(const GLocaleInfo& other);
  ~GLocaleInfo() override;

  static RWClassID StaticClassId() { return GLocaleInfoClassId; }
  static uint32_t ClassVersion() { return 1; }

  // ---- RWCollectable ----
  QV_PERSISTENT_KIND(GLocaleInfo);
  RW_STORED_MEMBERS();

  // ---- MPersistentObject ----
  // Same object; else same class, same id, every number and every text equal.
  int Matches(const MPersistentObject* other) const override;

  // ---- Setters, in the order of the fields ----
  void SetCountry(int value) { country = value; }
  void SetCurrencyDigits(int value) { currencyDigits = value; }
  void SetCurrencyFormat(int value) { currencyFormat = value; }
  void SetDateOrder(int value) { dateOrder = value; }
  void SetDigits(int value) { digits = value; }
  void SetLeadingZero(int value) { leadingZero = value; }
  void SetMeasure(int value) { measure = value; }
  void SetNegativeCurrency(int value) { negativeCurrency = value; }
  void SetTimeFormat(int value) { timeFormat = value; }
  void SetTimeLeadingZero(int value) { timeLeadingZero = value; }
  void SetLocale(int value) { locale = value; }
  // The texts are copied; a null pointer sets an empty text.
  void SetAMSymbol(const char* text);
  void SetPMSymbol(const char* text);
  void SetCountryName(const char* text);
  void SetCurrencySymbol(const char* text);
  void SetDateSeparator(const char* text);
  void SetDecimalSeparator(const char* text);
  void SetLanguage(const char* text);
  void SetListSeparator(const char* text);
  void SetLongDateFormat(const char* text);
  void SetShortDateFormat(const char* text);
  void SetThousandSeparator(const char* text);
  void SetTimeSeparator(const char* text);

  // ---- Fields, read directly; the value each mirrors in a comment ----
  int32_t country = 1;            // iCountry
  int32_t currencyDigits = 2;     // iCurrDigits
  int32_t currencyFormat = 0;     // iCurrency
  int32_t dateOrder = 0;          // iDate
  int32_t digits = 2;             // iDigits
  int32_t leadingZero = 1;        // iLZero
  int32_t measure = 1;            // iMeasure: 0 metric, 1 U.S.
  int32_t negativeCurrency = 1;   // iNegCurr
  int32_t timeFormat = 0;         // iTime
  int32_t timeLeadingZero = 0;    // iTLZero
  int32_t locale = 409;           // Locale
  RWCString amSymbol;             // s1159
  RWCString pmSymbol;             // s2359
  RWCString countryName;          // sCountry
  RWCString currencySymbol;       // sCurrency
  RWCString dateSeparator;        // sDate
  RWCString decimalSeparator;     // sDecimal
  RWCString language;             // sLanguage
  RWCString listSeparator;        // sList
  RWCString longDateFormat;       // sLongDate
  RWCString shortDateFormat;      // sShortDate
  RWCString thousandSeparator;    // sThousand
  RWCString timeSeparator;        // sTime

 private:
  void SetDefaultTexts();
  void CopyFields(const GLocaleInfo& other);
};

RWCollectable* GLocaleInfoCreate();
