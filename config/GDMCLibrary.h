// GDMCLibrary: the configuration library "QVCDMC32.dll" beside the driver,
// which keeps the administrator's tree of printer settings. The object loads
// the library once, looks its 23 entry points up and offers one forwarding
// operation per entry, named after it; a missing library or entry answers 0.
// It knows nothing of features: the configuration client and the feature
// handlers drive it.
//
// The library's answers are outside input: every buffer the callers hand it
// is blank-filled up to a terminator that marks its capacity, and the
// forwarding operations put that terminator back after each call, so a text
// the library left unterminated is cut at the buffer's end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rw/RWWString.h"
#include "win32/Module.h"
#include "win32/Types.h"

class GDMCLibrary {
 public:
  // The entry points' types, as the library exports them.
  using StartConfigProc = int (*)(LPCWSTR connection, int updateType, LPCWSTR client, int reserved);
  using StartExportProc = int (*)(LPCWSTR target, LPCWSTR client, int mode);
  using OneArgumentProc = int (*)(void* first);
  using TwoArgumentProc = int (*)(void* first, void* second);
  using ThreeArgumentProc = int (*)(void* first, void* second, void* third);
  using SetContextProc = int (*)(LPCWSTR path);
  using SetExportProc = int (*)(LPCWSTR path, LPCWSTR option);
  using GetNamedFeatureAttributeProc = int (*)(LPCWSTR path, LPCWSTR attribute, LPWSTR text);
  using GetProc = int (*)(LPCWSTR path, LPWSTR text);
  using EnumListTokenProc = int (*)(LPWSTR token, LPWSTR list);
  using EnumFeaturesProc = int (*)(LPCWSTR context, LPWSTR list);
  using EndProc = int (*)();
  using CharToWideProc = LPWSTR (*)(LPWSTR out, const char* text);
  using WideToCharProc = int (*)(char* out, LPCWSTR text);

  // The entry names in the order they are looked up.
  static constexpr int kEntryCount = 23;
  static const char* const kEntryNames[kEntryCount];
  // The library's file name, in the driver directory.
  static constexpr const WCHAR* kFileName = u"QVCDMC32.dll";
  // The client name the driver gives the library.
  static constexpr const WCHAR* kClientName = u"DMC_DRIVER";

  // Sizes in bytes of the buffers handed to the library: the feature list
  // and an option text (254 characters and the terminator).
  static constexpr size_t kFeatureListBytes = 2048;
  static constexpr size_t kOptionTextBytes = 510;

  // Starts the library's registration ("regsvr32 /s <path>", not waited
  // for), loads it by its full path and looks the entries up.
  GDMCLibrary();
  GDMCLibrary(const GDMCLibrary&) = delete;
  GDMCLibrary& operator=(const GDMCLibrary&) = delete;
  // Frees the library when it was loaded.
  ~GDMCLibrary();

  int IsLoaded() const { return loaded_; }
  int EntriesResolved() const { return entriesResolved_; }
  const RWWString& GetPath() const { return path_; }

  // Non-zero when both texts are empty or hold the same characters up to
  // their terminators (exact, case-sensitive); null counts as empty.
  static int IsSameText(LPCWSTR a, LPCWSTR b);

  // ---- Forwarding operations, one per entry; 0 without the entry ----
  // The caller's out buffers must be terminated at their capacity (last
  // element 0); the operations restore that terminator after the call.
  int DMCStartConfig(LPCWSTR connection, int updateType, LPCWSTR client, int reserved);
  // Looked up by name again at every call.
  int DMCStartExport(LPCWSTR target, LPCWSTR client, int mode);
  int DMCSetListSeparator(void* first);
  int DMCSetContextRelative(void* first);
  int DMCSetContext(LPCWSTR path);
  int DMCSetExport(LPCWSTR path, LPCWSTR option);
  int DMCGetOptionAttribute(void* first, void* second);
  int DMCGetNamedOptionAttribute(void* first, void* second, void* third);
  int DMCGetNamedFeatureAttribute(LPCWSTR path, LPCWSTR attribute, LPWSTR text, size_t textChars);
  int DMCGetListSeparator(void* first);
  int DMCGetFeatureAttribute(void* first, void* second);
  int DMCGetContext(void* first);
  int DMCGet(LPCWSTR path, LPWSTR text, size_t textChars);
  int DMCGetPRV(void* first, void* second);
  int DMCEnumOptions(void* first, void* second);
  int DMCEnumOptionAttributes(void* first, void* second);
  int DMCEnumListToken(LPWSTR token, size_t tokenChars, LPWSTR list, size_t listChars);
  int DMCEnumFeatures(LPCWSTR context, LPWSTR list, size_t listChars);
  int DMCEnumFeatureAttributes(void* first, void* second);
  int DMCEndConfig();
  int DMCEndExport();
  // out (outChars characters) receives the widened text; returns out, or
  // null without the entry. The library's own answer is not trusted.
  LPWSTR DMCCharToWide(LPWSTR out, size_t outChars, const char* text);
  int DMCWideToChar(char* out, size_t outBytes, LPCWSTR text);

 private:
  void ResolveEntries();
  FARPROC Entry(int index) const { return entries_[index]; }

  int loaded_ = 0;
  HMODULE module_ = nullptr;
  int entriesResolved_ = 0;
  RWWString path_;
  FARPROC entries_[kEntryCount] = {};
};
