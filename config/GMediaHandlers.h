// The paper-related feature handlers of the configuration tree: media type,
// paper source (input bin) and paper size, each serving its main feature and
// the sub-features of the different first page, the back cover and the
// fit-to-other-size target through a mode chosen at construction; and the
// three choice handlers that run them for those sub-features.
#pragma once

#include <cstdint>

#include "config/GConfigFeatureHandler.h"
#include "rw/RWCString.h"

class GAttributeComposite;
class GDriverInstance;
class GStringAttribute;

// One row of the media table: the option text of the tree and the media
// name the settings keep (narrow).
struct GMediaRow {
  const WCHAR* option;
  const char* mediaName;
};

// One row of the tray table: the tray name looked for among the installed
// input trays and the option text of the tree.
struct GTrayRow {
  const char* trayName;
  const WCHAR* option;
};

// Media type (mode 0 "printing/MediaType" 261, mode 1 the rest of the
// document 262, mode 2 the back cover 973). The attribute is a string found
// anywhere in the settings; an import also asks the tree whether the
// feature is locked.
class GMediaTypeHandler : public GConfigFeatureHandler {
 public:
  static constexpr uint16_t kOptionCount = 47;
  static const GMediaRow kRows[kOptionCount];

  GMediaTypeHandler();
  GMediaTypeHandler(GDMCLibrary* library, int mode);

  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  // object: the settings root or a group that holds the attribute.
  int Export(GAttributeComposite* object) override;

  uint16_t GetOptionCount() const { return optionCount_; }
  int32_t GetAttributeId() const { return attributeId_; }
  LPCWSTR GetFeaturePath() const { return path_; }

 private:
  uint16_t optionCount_;
  int32_t attributeId_;
  LPCWSTR path_;
};

// Paper source (mode 0 "printing/InputBin" 258, mode 1 the rest of the
// document 263, mode 2 the back cover 921). The attribute holds a tray
// number, found through the trays of the printer's installed input devices
// (19 stands for automatic selection).
class GInputBinHandler : public GConfigFeatureHandler {
 public:
  static constexpr uint16_t kOptionCount = 22;
  static const GTrayRow kRows[kOptionCount];
  static constexpr int16_t kAutoSelect = 19;

  GInputBinHandler();
  GInputBinHandler(GDMCLibrary* library, GDriverInstance* instance, int mode);

  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* object) override;

  uint16_t GetOptionCount() const { return optionCount_; }
  int32_t GetAttributeId() const { return attributeId_; }
  LPCWSTR GetFeaturePath() const { return path_; }

  // The number of the first installed input tray whose name contains
  // trayName (case-sensitive); 19 when there is none.
  static int16_t FindTrayNumber(GDriverInstance* instance, const char* trayName);
  // The name of the first installed input tray with the number; empty when
  // there is none.
  static RWCString FindTrayName(GDriverInstance* instance, int16_t number);

 private:
  uint16_t optionCount_;
  GDriverInstance* instance_;
  int32_t attributeId_;
  LPCWSTR path_;
};

// Paper size (mode 1 the fit-to target 362/272, any other mode
// "printing/PaperSize" 362/260). The attribute holds the driver's paper id.
class GPaperSizeHandler : public GConfigFeatureHandler {
 public:
  static constexpr uint16_t kOptionCount = 69;
  static const GOptionRow kRows[kOptionCount];

  GPaperSizeHandler();
  GPaperSizeHandler(GDMCLibrary* library, GDriverInstance* instance, int mode);

  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;

  uint16_t GetOptionCount() const { return optionCount_; }
  int32_t GetAttributeId() const { return attributeId_; }
  LPCWSTR GetFeaturePath() const { return path_; }

 private:
  GDriverInstance* instance_;
  uint16_t optionCount_;
  int32_t attributeId_;
  LPCWSTR path_;
};

// "printing/UseDiffFirstPageChoice" (364/264). A different first page also
// moves the rest-of-document media and source and the back cover.
class GUseDiffFirstPageChoiceHandler : public GConfigFeatureHandler {
 public:
  static constexpr uint16_t kOptionCount = 2;
  static const GOptionRow kRows[kOptionCount];

  GUseDiffFirstPageChoiceHandler();
  GUseDiffFirstPageChoiceHandler(GDMCLibrary* library, GDriverInstance* instance);

  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;

 private:
  uint16_t optionCount_;
  GDriverInstance* instance_;
};

// "printing/UseDiffFirstPageChoice/BackCoverChoice" (362/920). An
// alternate source also moves the back cover's media and tray.
class GBackCoverChoiceHandler : public GConfigFeatureHandler {
 public:
  static constexpr uint16_t kOptionCount = 3;
  static const GOptionRow kRows[kOptionCount];

  GBackCoverChoiceHandler();
  GBackCoverChoiceHandler(GDMCLibrary* library, GDriverInstance* instance);

  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;

 private:
  uint16_t optionCount_;
  GDriverInstance* instance_;
};

// "printing/FitToOtherSizeChoice" (362/270). Fitting to another size also
// moves the target size.
class GFitToOtherSizeChoiceHandler : public GConfigFeatureHandler {
 public:
  static constexpr uint16_t kOptionCount = 2;
  static const GOptionRow kRows[kOptionCount];

  GFitToOtherSizeChoiceHandler();
  GFitToOtherSizeChoiceHandler(GDMCLibrary* library, GDriverInstance* instance);

  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;

 private:
  uint16_t optionCount_;
  GDriverInstance* instance_;
};

// Creators for the configuration client's handler table (main features,
// mode 0); the caller deletes the handler.
GConfigFeatureHandler* CreateMediaTypeHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateInputBinHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreatePaperSizeHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateUseDiffFirstPageChoiceHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateFitToOtherSizeChoiceHandler(GDMCLibrary* library, GDriverInstance* instance);
