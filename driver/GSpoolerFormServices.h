// GSpoolerFormServices: the driver instance's paper and form services on the
// spooler's form list. It converts between the driver's paper ids and the
// DEVMODE paper numbers (a built-in form's DMPAPER value, or the 1-based
// index of a form in the list), checks forms against the media pool's
// custom-size limits, adds and deletes the driver's own forms, and lists the
// paper names offered to the user. The settings base of the driver object is
// built on it and supplies the printer handle.
//
// GSpoolerFormList is one reading of the printer server's forms: the list
// is read fresh for every operation, or once for all the steps of an
// operation that holds it (GSpoolerFormServices::FormListHold).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "driver/GDriverInstance.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GAttributeComposite;
class GCustomMediaSize;
class GMedia;
class MPersistentObject;

// The forms of a printer's server (EnumFormsW level 1), copied out.
class GSpoolerFormList {
 public:
  struct Form {
    DWORD flags = 0;
    RWWString name;
    int32_t width = 0;   // thousandths of a millimetre
    int32_t length = 0;  // thousandths of a millimetre
  };

  // Reads the list; a failed or empty enumeration gives no forms.
  explicit GSpoolerFormList(HANDLE printer);

  size_t Count() const { return forms_.size(); }
  // Zero-based.
  const Form& At(size_t index) const { return forms_[index]; }
  bool IsBuiltin(size_t index) const { return forms_[index].flags == 1; }

 private:
  std::vector<Form> forms_;
};

// The paper-name callback: (1-based ordinal, paper id, form name, user
// data); the walk goes on while it answers 1.
typedef int (*GPaperNameCallback)(int ordinal, int16_t paperId, const RWWString& formName, void* userData);
// The built-in form callback: (form name, user data); 0 ends the walk.
typedef int (*GBuiltinFormCallback)(const RWWString& formName, void* userData);

class GSpoolerFormServices : public virtual GDriverInstance {
 public:
  // The paper id of the custom size and the first paper id of a form.
  static constexpr int16_t kCustomPaperId = 0x4000;
  static constexpr int16_t kFormPaperBase = 0x3FFF;
  static constexpr int32_t kSizeTolerance = 100;  // thousandths of a millimetre

  GSpoolerFormServices();
  ~GSpoolerFormServices() override;

  // The printer handle the forms are read on.
  virtual HANDLE GetPrinterHandle() = 0;

  // While a hold lasts (one operation of the driver object, such as a
  // DEVMODE conversion, whose steps each look at the forms), the form list
  // is read once per printer handle and kept; a form the driver adds or
  // deletes meanwhile has it read again. Without a hold every step reads
  // the list afresh.
  class FormListHold {
   public:
    explicit FormListHold(GSpoolerFormServices& services) : services_(services) { ++services_.formHolds_; }
    ~FormListHold() {
      if (--services_.formHolds_ == 0) services_.heldForms_.reset();
    }
    FormListHold(const FormListHold&) = delete;
    FormListHold& operator=(const FormListHold&) = delete;

   private:
    GSpoolerFormServices& services_;
  };

  // ---- Overrides of GDriverInstance ----
  // The form at the request's spooler paper number fits the custom-size
  // limits (checked only with customLimits set); 0 for 0 or a number beyond
  // the list.
  int IsPaperSupported(const GPaperRequest* request) override;
  int DmPaperToPaperId(int16_t spoolerPaper, int16_t* paperId) override;
  int PaperIdToDmPaper(int16_t paperId, int16_t* spoolerPaper) override;
  // The name matching belongs to the driver object: 0 here.
  int MatchPaperByName(int16_t paperId, int16_t* spoolerPaper) override;
  // The spooler paper number (1-based index) of the form that the name
  // names: the first form of exactly that name, else the first whose name
  // differs only in letter case, as the spooler's form names do not tell
  // case apart. 0 when no form has the name.
  int16_t SpoolerPaperForFormName(const RWWString& formName);
  int AddCustomForm(GCustomMediaSize* medium, GAttributeComposite* list, int ignored) override;
  int DeleteCustomForm(GCustomMediaSize* medium, GAttributeComposite* list, int ignored) override;
  // callback is a GPaperNameCallback.
  int EnumeratePaperNames(void* callback, void* userData, int checkLimits, GAttributeComposite* settings) override;
  int EnumerateAllPaperNames(void* callback, void* userData, int checkLimits, GAttributeComposite* settings) override;
  // callback is a GBuiltinFormCallback.
  int EnumerateBuiltinForms(void* callback, void* userData) override;
  int IsBuiltinForm(GCustomMediaSize* medium) override;
  int16_t ResolvePaperId(GAttributeComposite* settings, int16_t paperId) override;
  int CheckPaperId(GAttributeComposite* ignored, int16_t paperId, int32_t orientation, int16_t xResolution,
                   int16_t yResolution) override;

  // ---- Operations of the capability handlers ----
  // Zero-based index into forms.
  int IsPaperOffered(const GSpoolerFormList& forms, size_t index, int16_t x, int16_t y, int32_t orientation,
                     int checkLimits);
  int FormFitsCustomLimits(const GSpoolerFormList::Form& form, int16_t x, int16_t y, int32_t orientation,
                           int check);
  // A new medium (the caller owns it) for spooler paper number n, or null.
  GMedia* MediaForSpoolerPaper(int16_t spoolerPaper, int16_t x, int16_t y, int32_t orientation);
  // Refills the settings' custom media list; the number of forms added.
  int RebuildCustomMediaList(GAttributeComposite* settings);
  int AddFormForMedium(HANDLE printer, GCustomMediaSize* medium, DWORD flags, int update);

 protected:
  // PaperIdToDmPaper, where a device paper without a DMPAPER number also
  // matches a user or printer form named displayName (when it is not empty).
  int PaperIdToSpoolerPaper(int16_t paperId, const RWWString& displayName, int16_t* spoolerPaper);
  // The device paper's medium at the DEVMODE object's orientation and
  // resolutions; null without one.
  GMedia* DevModeMedium(int16_t paperId);

  // The printer's forms: the held list, or a fresh reading.
  std::shared_ptr<const GSpoolerFormList> Forms();

 private:
  int EnumeratePapers(GPaperNameCallback callback, void* userData, int checkLimits, GAttributeComposite* settings,
                      bool filtered);
  // Empties the list and fills it with the custom size of the settings and
  // the forms that fit; the number of forms added.
  int FillCustomMediaList(GAttributeComposite* list, GAttributeComposite* settings);
  // The orientation and resolutions of the DEVMODE object's settings.
  void DevModeGeometry(int32_t* orientation, int16_t* x, int16_t* y);

  int formHolds_ = 0;
  std::shared_ptr<const GSpoolerFormList> heldForms_;
  HANDLE heldPrinter_ = nullptr;
};
