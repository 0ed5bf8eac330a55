// GPaperSourceAccessor: the paper source of the Paper page's source list,
// bound to InputBin. By the page's tab it stands for the source of all or
// the first pages, of the other pages or of the back cover; choosing a paper
// type in the list (when the list offers types) stores the type with the
// automatic source. It also knows the trays the user may choose: those of
// the installed paper-handling devices of the model, which the paper source
// rule checks the chosen source against.
#pragma once

#include <cstdint>
#include <vector>

#include "rw/RWWString.h"
#include "ui/framework/GFeatureAccessor.h"

class GPaperSourceAccessor : public GKeyedFeatureAccessor {
 public:
  // The source stored with a paper type chosen in the list: the printer
  // selects the tray.
  static constexpr int16_t kTypeChosen = 19;
  // The string ids of the paper types the list may offer.
  static constexpr int16_t kFirstListedType = 11102;
  static constexpr int16_t kLastListedType = 11112;

  explicit GPaperSourceAccessor(GUISession* session);
  ~GPaperSourceAccessor() override;

  int16_t GetAvailability() override;
  int SetValue(int16_t value) override;
  int HasChanged() override;
  int16_t GetValue() override;

  // The trays the user may choose, in the model's source order when it has
  // one: their tray ids and, when names is given, their display names. 1
  // when the model describes its paper-handling devices, else 0 and no
  // list.
  virtual int EnumerateSources(std::vector<int16_t>* ids, std::vector<RWWString>* names);

  // The string id that names a source code in the session's source
  // mapping list; 0xFFFF for a code without a name.
  static uint16_t SourceNameId(int16_t code, GUISession* session);

 private:
  int16_t Tab() const;
  int Changed(int32_t id) const;
  void Write(int32_t id, int16_t value);
};
