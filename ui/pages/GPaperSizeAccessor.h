// GPaperSizeAccessor: the paper size of the Paper page's "Size is:" list,
// bound to PaperSize. Choosing a paper larger or smaller than the printer
// can print switches on fitting to another size (asking first when n-up,
// scaling, TrueType as bitmap or booklet printing would have to go), and
// choosing a printable paper afterwards brings back the target size that
// was in use before. It also words the size of the paper ("8.5 by 11
// inches") in the user's unit and locale.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "ui/framework/GFeatureAccessor.h"

class GPaperSizeWrapper;

class GPaperSizeAccessor : public GKeyedFeatureAccessor {
 public:
  explicit GPaperSizeAccessor(GUISession* session);
  ~GPaperSizeAccessor() override;

  int16_t GetAvailability() override;
  // Applies the choice of a paper; 0 brings back the saved target size
  // (the list uses it when the current paper is not offered).
  int SetValue(int16_t paperId) override;
  int HasChanged() override;

  // 1 when the paper (0: the current PaperSize) is larger than the largest
  // or smaller than the smallest paper the printer prints, at the current
  // orientation; a paper that cannot be measured counts as outside.
  int IsOutsidePrintableRange(int16_t paperId);
  // "<first> by <second> <unit>" of the current paper; with flag set, of
  // the paper the pages are printed on (the fit-to target or the booklet's
  // sheet). Empty when the paper cannot be measured.
  void GetSizeText(RWWString* out, int flag);
  // Switches MeasurementSystem between inches and millimetres (unset
  // counts as the locale's).
  void ToggleMeasurementSystem();
  // The session's paper enumeration into the wrapper's AddPaper; papers
  // outside the printable range are left out unless ScaleFromLargePaper is
  // on.
  int EnumeratePapers(GPaperSizeWrapper* wrapper);
  // The paper-name callback handed to the host: context is the wrapper.
  static int MediaNameCallback(int ordinal, int16_t paperId, const RWWString& name, void* wrapper);

  // The paper id of the saved custom paper that stands in for a paper the
  // model does not size (by the paper's own name, ignoring case); 0 when
  // the paper has no such name or no custom paper carries it.
  static int16_t FindCustomPaperForPaperId(int16_t paperId, GUISession* session);
  // The saved custom paper of that name (ignoring case); 0 when none.
  static int16_t FindCustomPaperByName(GUISession* session, const RWCString& name);

  // The user's locale: 1 when "iMeasure" reads 1 (inches); the decimal
  // separator ("sDecimal", "." when it cannot be read).
  static int LocaleUsesInches();
  static RWWString LocaleDecimalSeparator();

 private:
  int Changed(int32_t id) const;
  void Write(int32_t id, int16_t value);
  // The paper's size in pixels at the orientation and the smaller of the
  // two resolutions; 0 when it cannot be measured.
  int MeasurePixels(int16_t paperId, int16_t orientation, int32_t* width, int32_t* height);

  int16_t savedTargetSize_ = 0;
  int16_t savedFitFlag_ = 0;
};
