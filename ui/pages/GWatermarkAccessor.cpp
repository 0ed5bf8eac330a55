#include "ui/pages/GWatermarkAccessor.h"

#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GOSVersionInfo.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GValueAttribute.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/GVersionInfo.h"
#include "ui/framework/UIResources.h"

// The edit state every watermark accessor of one UI session shares.
struct GWatermarkEditState {
  int16_t limit = GWatermarkAccessor::kListLimit;
  std::unique_ptr<GAttributeComposite> workingCopy;
  int16_t editState = GWatermarkAccessor::kNoneSelected;
  int16_t shareCount = 0;
  // Position of the running walk over the pool.
  size_t walk = 0;
};

namespace {

using namespace GFeatureIds;

constexpr int16_t kOwnRecord = 2;
constexpr int16_t kOtherBuiltIn = 999;
constexpr int32_t kNoColour = 0xFFFFFF;

// The shared states, by the key the sessions' UI state holds.
std::map<uint32_t, std::unique_ptr<GWatermarkEditState>>& StateTable() {
  static std::map<uint32_t, std::unique_ptr<GWatermarkEditState>> table;
  return table;
}

uint32_t NewStateKey() {
  static uint32_t next = 1;
  auto& table = StateTable();
  while (next == 0 || table.count(next) != 0) ++next;
  return next++;
}

// The module's string, or the English text when the resource library
// lacks it (the watermark names must never come out empty).
RWWString LoadedString(int id) {
  RWWString text;
  LoadUIString(id, &text);
  if (!text.IsEmpty()) return text;
  static const std::pair<int, const char16_t*> kFallback[] = {
      {GWatermarkAccessor::kNoneText, u" (none)"},  {GWatermarkAccessor::kConfidentialText, u"Confidential"},
      {GWatermarkAccessor::kDraftText, u"Draft"},     {GWatermarkAccessor::kSampleText, u"SAMPLE"},
      {GWatermarkAccessor::kNumberSeparatorText, u" #"}, {11077, u"80"}, {11078, u"90"}, {11079, u"140"},
      {11080, u"220"}};
  for (const auto& [key, fallback] : kFallback) {
    if (key == id) text = fallback;
  }
  return text;
}

bool SameText(const RWWString& a, const RWWString& b) { return a.Compare(b, 0) == 0; }

int16_t DecimalOf(const RWWString& text) {
  int value = 0;
  for (size_t i = 0; i < text.Length(); ++i) {
    const char16_t c = text.Data()[i];
    if (c < u'0' || c > u'9') break;
    value = value * 10 + (c - u'0');
    if (value > 0x7FFF) return 0x7FFF;
  }
  return static_cast<int16_t>(value);
}

GValueAttribute* ValueMember(GAttributeComposite* record, int32_t id) {
  return record != nullptr ? dynamic_cast<GValueAttribute*>(record->FindById(id)) : nullptr;
}

GStringAttribute* StringMember(GAttributeComposite* record, int32_t id) {
  return record != nullptr ? dynamic_cast<GStringAttribute*>(record->FindById(id)) : nullptr;
}

RWWString WideMember(GAttributeComposite* record, int32_t id) {
  RWWString out;
  if (GStringAttribute* text = StringMember(record, id)) ToWideString(text->GetString(), out);
  return out;
}

RWCString Narrow(const RWWString& text) {
  RWCString out;
  ToNarrowString(text, out);
  return out;
}

// The face and character set of new default records for the resource
// library's code page and the platform family.
void DefaultFace(uint16_t codePage, int family, RWWString* face, int16_t* charSet) {
  *face = u"Arial";
  switch (codePage) {
    case 874: *charSet = 222; break;
    case 932:
      *charSet = 128;
      *face = family == 2 ? u"\uFF2D\uFF33 \u660E\u671D" : u"\uFF2D\uFF33 \uFF30\u660E\u671D";
      break;
    case 936:
      *charSet = 134;
      *face = u"\u5B8B\u4F53";
      break;
    case 949:
      *charSet = 129;
      *face = family == 2 ? u"\uBC14\uD0D5\uCCB4" : u"\uBC14\uD0D5";
      break;
    case 950:
      *charSet = 136;
      *face = family == 2 ? u"\u7D30\u660E\u9AD4" : u"\u65B0\u7D30\u660E\u9AD4";
      break;
    case 1200:
    case 1252: *charSet = 0; break;
    case 1250:
      *charSet = 238;
      if (family == 2) face->AppendText(u" CE");
      break;
    case 1251:
      *charSet = 204;
      if (family == 2) face->AppendText(u" Cyr");
      break;
    case 1253: *charSet = 161; break;
    case 1254: *charSet = 162; break;
    case 1255: *charSet = 177; break;
    case 1256: *charSet = 178; break;
    case 1257: *charSet = 186; break;
    case 1361: *charSet = 130; break;
    default: *charSet = 255; break;
  }
}

void AddValue(GAttributeComposite* record, int32_t id, int16_t value) { record->AddChild(new GValueAttribute(value, &id)); }
void AddString(GAttributeComposite* record, int32_t id, const RWWString& text) {
  record->AddChild(new GStringAttribute(Narrow(text), &id));
}

}  // namespace

GWatermarkAccessor::GWatermarkAccessor(GUISession* session) : GFeatureAccessor(session) {
  auto& table = StateTable();
  uint32_t key = 0;
  GValueAttribute* low = nullptr;
  GValueAttribute* high = nullptr;
  if (session_ != nullptr) {
    GSettingsView ui = session_->GetUIStateView();
    ui.AddIntIfMissing(0, &kStateKeyLow);
    ui.AddIntIfMissing(0, &kStateKeyHigh);
    low = ui.FindValueAttribute(&kStateKeyLow);
    high = ui.FindValueAttribute(&kStateKeyHigh);
    if (low != nullptr && high != nullptr) {
      key = static_cast<uint16_t>(low->GetValue()) | static_cast<uint32_t>(static_cast<uint16_t>(high->GetValue())) << 16;
    }
  }
  if (key == 0 || table.count(key) == 0) {
    key = NewStateKey();
    table[key] = std::make_unique<GWatermarkEditState>();
    // The key is bookkeeping, not a setting: it is written without logging
    // so that undoing the sheet never loses the shared state.
    if (low != nullptr && high != nullptr) {
      low->SetValue(static_cast<int16_t>(key & 0xFFFF));
      high->SetValue(static_cast<int16_t>(key >> 16));
    }
  }
  key_ = key;
  state_ = table[key].get();
  ++state_->shareCount;
}

GWatermarkAccessor::~GWatermarkAccessor() {
  if (--state_->shareCount > 0) return;
  StateTable().erase(key_);
  if (session_ == nullptr) return;
  GSettingsView ui = session_->GetUIStateView();
  for (int32_t id : {kStateKeyLow, kStateKeyHigh}) {
    if (GValueAttribute* value = ui.FindValueAttribute(&id)) value->SetValue(0);
  }
}

// ---- Helpers ----

GAttributeComposite* GWatermarkAccessor::WorkingCopy() const { return state_->workingCopy.get(); }

GAttributeComposite* GWatermarkAccessor::GetPool() const {
  return session_ != nullptr ? dynamic_cast<GAttributeComposite*>(session_->FindWatermarkList()) : nullptr;
}

GSettingsView GWatermarkAccessor::JobView() const {
  if (session_ == nullptr) return GSettingsView();
  GSettingsView view = session_->GetSettingsView();
  // The selection lives in the job's watermark group; a pool record holds
  // some of the same ids, so without the group nothing is touched.
  return view.Descend(&kWatermarks) != 0 ? view : GSettingsView();
}

int GWatermarkAccessor::Changed(int32_t id) {
  return session_ != nullptr && session_->IsChangeLogged(&id, nullptr) != 0 ? 1 : 0;
}

int GWatermarkAccessor::WorkingChanged(int32_t id) {
  const GChangePath path{kUIState};
  return session_ != nullptr && session_->IsChangeLogged(&id, &path) != 0 ? 1 : 0;
}

void GWatermarkAccessor::LogWorkingMember(const GAttribute* attribute) {
  // Under the UI state, where no member of the working copy stands: the
  // log tells the controls what changed, and undo finds nothing to put back.
  if (session_ != nullptr && attribute != nullptr)
    session_->LogChange(attribute, std::make_unique<GChangePath>(GChangePath{kUIState}));
}

void GWatermarkAccessor::MarkChanged() {
  if (state_->editState == kStoredUnchanged) state_->editState = kStoredChanged;
}

int GWatermarkAccessor::WorkingValue(int32_t id, int16_t fallback) {
  GValueAttribute* value = ValueMember(WorkingCopy(), id);
  return value != nullptr ? value->GetValue() : fallback;
}

void GWatermarkAccessor::SetUIValue(int32_t id, int16_t value) {
  if (session_ != nullptr) session_->GetUIStateView().SetInt(&id, value);
}

int GWatermarkAccessor::ChangeMember(int32_t id, int16_t value, int log) {
  GValueAttribute* member = ValueMember(WorkingCopy(), id);
  if (member == nullptr) return 0;
  if (log != 0) LogWorkingMember(member);
  member->SetValue(value);
  return 1;
}

void GWatermarkAccessor::ReplaceString(int32_t id, const RWWString& text) {
  GAttributeComposite* copy = WorkingCopy();
  if (copy == nullptr) return;
  const GStringAttribute replacement(Narrow(text), &id);
  if (copy->FindById(id) != nullptr)
    copy->ReplaceChildById(id, &replacement);
  else
    copy->AddChild(new GStringAttribute(replacement));
}

GAttributeComposite* GWatermarkAccessor::FindByWideName(const RWWString& name) {
  GAttributeComposite* pool = GetPool();
  const int count = pool != nullptr ? pool->GetEntryCount() : 0;
  for (int i = 0; i < count; ++i) {
    auto* record = dynamic_cast<GAttributeComposite*>(pool->ChildAt(static_cast<size_t>(i)));
    if (record != nullptr && StringMember(record, kWatermarkName) != nullptr &&
        SameText(WideMember(record, kWatermarkName), name))
      return record;
  }
  return nullptr;
}

// ---- Selection ----

void GWatermarkAccessor::MakeDefaultRecords(GAttributeComposite* pool) {
  if (pool->GetEntryCount() != 0) return;
  uint16_t codePage = 0;
  if (HINSTANCE library = GetUIResourceInstance()) codePage = GVersionInfo(library).GetCodePage();
  GOSVersionInfo os;
  os.Query();
  RWWString face;
  int16_t charSet = 0;
  DefaultFace(codePage, os.GetFamilyCode(), &face, &charSet);
  int shade = kDefaultShade;
  if (session_ != nullptr) session_->GetSettingsView().GetInt(&kWMDefaultShade, &shade);

  struct Row {
    int nameId;  // 0: the none record, empty name
    int textId;
    int16_t style;
    int sizeId;
    int16_t builtIn;
  };
  static const Row kRows[] = {{0, kNoneText, 0, 11077, 0},
                              {kConfidentialText, kConfidentialText, 1, 11078, 1},
                              {kSampleText, kSampleText, 1, 11079, 3},
                              {kDraftText, kDraftText, 1, 11080, 2}};
  for (const Row& row : kRows) {
    auto* record = new GAttributeComposite(&kWatermarkEntry);
    AddString(record, kWatermarkName, row.nameId != 0 ? LoadedString(row.nameId) : RWWString());
    AddString(record, kWatermarkText, LoadedString(row.textId));
    AddString(record, kWMFont, face);
    AddValue(record, kWMFontCharSet, charSet);
    AddValue(record, kWMFontStyle, row.style);
    AddValue(record, kWMValue389, 0);
    AddValue(record, kWMFontSize, DecimalOf(LoadedString(row.sizeId)));
    AddValue(record, kWMFontWidth, 0);
    AddValue(record, kWMFontEscapement, 1);
    AddValue(record, kWMCustomAngle, 0);
    AddValue(record, kWMValue396, 0);
    AddValue(record, kWMValue397, 0);
    AddValue(record, kWMRed, static_cast<int16_t>(shade));
    AddValue(record, kWMGreen, static_cast<int16_t>(shade));
    AddValue(record, kWMBlue, static_cast<int16_t>(shade));
    AddValue(record, kWMShadeLevel, static_cast<int16_t>(shade));
    AddValue(record, kWatermarkBuiltIn, row.builtIn);
    pool->AddChild(record);
  }
}

int GWatermarkAccessor::SelectCurrent() {
  state_->workingCopy.reset();
  GAttributeComposite* pool = GetPool();
  if (pool != nullptr && pool->GetEntryCount() == 0) MakeDefaultRecords(pool);
  RWWString selected;
  GetSelectedName(&selected);
  GAttributeComposite* record = FindByWideName(selected);
  if (record == nullptr) {
    selected = RWWString();
    SelectByName(selected);
    record = FindByWideName(selected);
  }
  if (record != nullptr) state_->workingCopy.reset(dynamic_cast<GAttributeComposite*>(record->DeepCopy()));
  state_->editState = selected.IsEmpty() ? kNoneSelected : kStoredUnchanged;
  return 1;
}

int16_t GWatermarkAccessor::BuiltInIndexFor(const RWWString& name) {
  if (name.IsEmpty() || SameText(name, LoadedString(kNoneText))) return 0;
  if (SameText(name, LoadedString(kConfidentialText))) return 1;
  if (SameText(name, LoadedString(kDraftText))) return 2;
  if (SameText(name, LoadedString(kSampleText))) return 3;
  return kOtherBuiltIn;
}

void GWatermarkAccessor::SelectByName(const RWWString& name) {
  GSettingsView job = JobView();
  if (session_ != nullptr) {
    // A pool record holds the same id: the change is logged with the path of
    // the job's group so that undoing it puts it back there.
    if (GValueAttribute* builtIn = job.FindValueAttribute(&kWatermarkBuiltIn)) {
      const int16_t index = BuiltInIndexFor(name);
      if (builtIn->GetValue() != index) {
        session_->LogChange(builtIn, std::make_unique<GChangePath>(GChangePath{kWatermarks}));
        builtIn->SetValue(index);
      }
    }
  }
  job.SetString(&kSelectedWatermark, name);
}

void GWatermarkAccessor::GetSelectedName(RWWString* out) { JobView().GetString(&kSelectedWatermark, out); }

// ---- The working copy ----

void GWatermarkAccessor::GetName(RWWString* out) { *out = WideMember(WorkingCopy(), kWatermarkName); }
void GWatermarkAccessor::GetText(RWWString* out) { *out = WideMember(WorkingCopy(), kWatermarkText); }
void GWatermarkAccessor::GetFont(RWWString* out) { *out = WideMember(WorkingCopy(), kWMFont); }
int16_t GWatermarkAccessor::GetCharSet() { return static_cast<int16_t>(WorkingValue(kWMFontCharSet, 1)); }
int16_t GWatermarkAccessor::GetEscapement() { return static_cast<int16_t>(WorkingValue(kWMFontEscapement, 0)); }
int16_t GWatermarkAccessor::GetCustomAngle() { return static_cast<int16_t>(WorkingValue(kWMCustomAngle, 0)); }
int16_t GWatermarkAccessor::GetSize() { return static_cast<int16_t>(WorkingValue(kWMFontSize, 0)); }

int GWatermarkAccessor::GetStyleTextId() {
  switch (WorkingValue(kWMFontStyle, 0)) {
    case 1: return 11062;
    case 2: return 11063;
    case 3: return 11064;
    default: return 11061;
  }
}

int GWatermarkAccessor::GetShadeTextId() {
  switch (WorkingValue(kWMShadeLevel, kDefaultShade)) {
    case 0: return 11097;
    case 32: return 11096;
    case 64: return 11095;
    case 96: return 11094;
    case 128: return 11093;
    case 160: return 11092;
    case 192: return 11091;
    case 255: return 11089;
    default: return 11090;
  }
}

int GWatermarkAccessor::GetColorTextId() {
  const int32_t colour = (WorkingValue(kWMRed, 0) & 0xFF) | (WorkingValue(kWMGreen, 0) & 0xFF) << 8 |
                         (WorkingValue(kWMBlue, 0) & 0xFF) << 16;
  switch (colour) {
    case 0x0000FF: return 11083;
    case 0x00FFFF: return 11084;
    case 0x00FF00: return 11085;
    case 0xFFFF00: return 11086;
    case 0xFF0000: return 11087;
    case 0xFF00FF: return 11088;
    default: return 11067;
  }
}

void GWatermarkAccessor::SetCharSet(int16_t value) { ChangeMember(kWMFontCharSet, value, 0); }

void GWatermarkAccessor::SetEscapement(int16_t value) {
  if (ChangeMember(kWMFontEscapement, value, 1) != 0) MarkChanged();
}

void GWatermarkAccessor::SetCustomAngle(int16_t value) {
  if (ChangeMember(kWMCustomAngle, value, 1) != 0) MarkChanged();
}

int GWatermarkAccessor::SetSize(int16_t value) {
  if (ChangeMember(kWMFontSize, value, 1) == 0) return 0;
  MarkChanged();
  return 1;
}

void GWatermarkAccessor::SetFont(const RWWString& face) {
  GAttributeComposite* copy = WorkingCopy();
  if (copy == nullptr) return;
  LogWorkingMember(copy->FindById(kWMFont));
  ReplaceString(kWMFont, face);
  MarkChanged();
}

void GWatermarkAccessor::SetStyle(int textId) {
  int16_t style = 0;
  if (textId == 11062) style = 1;
  if (textId == 11063) style = 2;
  if (textId == 11064) style = 3;
  if (ChangeMember(kWMFontStyle, style, 1) != 0) MarkChanged();
}

void GWatermarkAccessor::SetShade(int textId) {
  static const std::pair<int, int16_t> kShades[] = {{11089, 255}, {11091, 192}, {11092, 160}, {11093, 128},
                                                    {11094, 96},  {11095, 64},  {11096, 32},  {11097, 0}};
  int16_t shade = kDefaultShade;
  for (const auto& [id, value] : kShades) {
    if (id == textId) shade = value;
  }
  if (ChangeMember(kWMShadeLevel, shade, 1) != 0) MarkChanged();
}

void GWatermarkAccessor::SetColor(int textId) {
  static const std::pair<int, int32_t> kColours[] = {{11083, 0x0000FF}, {11084, 0x00FFFF}, {11085, 0x00FF00},
                                                     {11086, 0xFFFF00}, {11087, 0xFF0000}, {11088, 0xFF00FF}};
  int32_t colour = kNoColour;
  for (const auto& [id, value] : kColours) {
    if (id == textId) colour = value;
  }
  int changed = 0;
  changed |= ChangeMember(kWMRed, static_cast<int16_t>(colour & 0xFF), 1);
  changed |= ChangeMember(kWMGreen, static_cast<int16_t>((colour >> 8) & 0xFF), 1);
  changed |= ChangeMember(kWMBlue, static_cast<int16_t>((colour >> 16) & 0xFF), 1);
  if (changed != 0) MarkChanged();
}

void GWatermarkAccessor::SetText(const RWWString& text) { ReplaceString(kWatermarkText, text); }

void GWatermarkAccessor::SetNameFromText() {
  GAttributeComposite* copy = WorkingCopy();
  if (copy == nullptr) return;
  RWWString text;
  GetText(&text);
  RWWString name;
  if (!text.IsEmpty()) {
    RWWString selected;
    GetSelectedName(&selected);
    GAttributeComposite* stored = state_->editState == kStoredChanged ? FindByWideName(selected) : nullptr;
    if (stored != nullptr && SameText(WideMember(stored, kWatermarkText), text)) {
      name = selected;
    } else {
      name = text;
      const RWWString separator = LoadedString(kNumberSeparatorText);
      for (int n = 2; FindByWideName(name) != nullptr; ++n) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", n);
        name = text;
        name.AppendText(separator.Data());
        name.AppendText(RWWString(digits).Data());
      }
    }
  }
  LogWorkingMember(copy->FindById(kWatermarkName));
  ReplaceString(kWatermarkName, name);
}

void GWatermarkAccessor::MarkOwn() {
  if (session_ == nullptr || session_->IsFlag8Set() == 0 || WorkingCopy() == nullptr) return;
  GAttributeComposite* copy = WorkingCopy();
  const GValueAttribute own(kOwnRecord, &kWatermarkOrigin);
  if (copy->FindById(kWatermarkOrigin) != nullptr)
    copy->ReplaceChildById(kWatermarkOrigin, &own);
  else
    copy->AddChild(new GValueAttribute(own));
}

// ---- The pool ----

void GWatermarkAccessor::Commit() {
  const int16_t state = state_->editState;
  if (state == kNoneSelected || state == kStoredUnchanged) return;
  GAttributeComposite* pool = GetPool();
  RWWString name;
  GetName(&name);
  if (name.IsEmpty() || pool == nullptr || WorkingCopy() == nullptr) return;
  if (state == kStoredChanged) DeleteSelected();
  session_->LogChange(pool, std::unique_ptr<GChangePath>());
  pool->AddChild(state_->workingCopy.release());
  GAttribute* added = pool->ChildAt(static_cast<size_t>(pool->GetEntryCount() - 1));
  state_->workingCopy.reset(added != nullptr ? dynamic_cast<GAttributeComposite*>(added->DeepCopy()) : nullptr);
  SelectByName(name);
  state_->editState = kStoredUnchanged;
}

void GWatermarkAccessor::DeleteSelected() {
  const int16_t state = state_->editState;
  if (state == kStoredUnchanged || state == kStoredChanged) {
    RWWString selected;
    GetSelectedName(&selected);
    if (selected.IsEmpty()) return;
    GAttributeComposite* pool = GetPool();
    if (GAttributeComposite* record = FindByWideName(selected)) {
      session_->LogChange(pool, std::unique_ptr<GChangePath>());
      delete pool->RemoveChild(record);
    }
  }
  SelectByName(RWWString());
}

GAttributeComposite* GWatermarkAccessor::FindByName(const RWCString& name) {
  GAttributeComposite* pool = GetPool();
  const int count = pool != nullptr ? pool->GetEntryCount() : 0;
  for (int i = 0; i < count; ++i) {
    auto* record = dynamic_cast<GAttributeComposite*>(pool->ChildAt(static_cast<size_t>(i)));
    GStringAttribute* recordName = StringMember(record, kWatermarkName);
    if (recordName != nullptr && recordName->GetString().Length() == name.Length() &&
        recordName->GetString().Compare(name, 0) == 0)
      return record;
  }
  return nullptr;
}

void GWatermarkAccessor::StartWalk() { state_->walk = 0; }

int GWatermarkAccessor::NextListEntry(RWWString* name, int* flag) {
  GAttributeComposite* pool = GetPool();
  const size_t count = pool != nullptr ? static_cast<size_t>(pool->GetEntryCount()) : 0;
  while (state_->walk < count) {
    auto* record = dynamic_cast<GAttributeComposite*>(pool->ChildAt(state_->walk++));
    if (record == nullptr) continue;
    *name = WideMember(record, kWatermarkName);
    GValueAttribute* origin = ValueMember(record, kWatermarkOrigin);
    *flag = origin != nullptr && origin->GetValue() == kOwnRecord ? 0 : 1;
    return 1;
  }
  return 0;
}

int GWatermarkAccessor::GetPoolCount() {
  GAttributeComposite* pool = GetPool();
  return pool != nullptr ? pool->GetEntryCount() : 0;
}

int GWatermarkAccessor::IsForeign() {
  return WorkingValue(kWatermarkOrigin, 0) != kOwnRecord && state_->editState != kNoneSelected ? 1 : 0;
}

int GWatermarkAccessor::IsListFull() {
  int count = GetPoolCount();
  if (state_->editState == kNewRecord || state_->editState == kNewTyped) ++count;
  if (count < state_->limit) {
    SetUIValue(kNewTipAvailability, 2);
    return 0;
  }
  SetUIValue(kNewTipReason, kListFullText);
  SetUIValue(kNewTipAvailability, 1);
  return 1;
}

// ---- Job settings ----

void GWatermarkAccessor::SetEditable(int16_t flag) {
  if (session_ == nullptr) return;
  GSettingsView settings = session_->GetSettingsView();
  if (settings.Contains(&kWatermarkEditable) != 0) settings.SetInt(&kWatermarkEditable, flag);
}

void GWatermarkAccessor::SetFirstPageByName(const RWWString& name) {
  GSettingsView job = JobView();
  if (name.IsEmpty() || SameText(name, LoadedString(kNoneText))) {
    job.SetInt(&kWMFirstPageOnly, 2);
    return;
  }
  int value = 0;
  if (job.GetInt(&kWMFirstPageOnly, &value) != 0 && value != 1) job.SetInt(&kWMFirstPageOnly, 0);
}

// ---- Queries ----

int16_t GWatermarkAccessor::GetEditAvailability() { return ReadValue(&kEditAvailability); }

int GWatermarkAccessor::HasChanged() {
  for (int32_t id : {kSelectedWatermark, kWatermarkName, kWMFont, kWMFontStyle, kWMValue389, kWMFontSize,
                     kWMFontEscapement, kWMCustomAngle, kWMShadeLevel, kWMRed, kWMGreen, kWMBlue}) {
    if (Changed(id) != 0 || WorkingChanged(id) != 0) return 1;
  }
  return 0;
}

int GWatermarkAccessor::SelectionChanged() { return Changed(kSelectedWatermark); }
int GWatermarkAccessor::NameChanged() { return Changed(kWatermarkName) || WorkingChanged(kWatermarkName) ? 1 : 0; }
int GWatermarkAccessor::PoolChanged() { return Changed(kWatermarkPool); }

int GWatermarkAccessor::IsColorDevice() {
  int value = 0;
  return session_ != nullptr && session_->GetModelView().GetInt(&kColorDevice, &value) != 0 && value == 1 ? 1 : 0;
}

int16_t GWatermarkAccessor::GetSizeMinimum() {
  int16_t value = 0;
  if (session_ != nullptr) session_->GetModelView().GetRangeMinimum(&kWMFontSizeRange, &value);
  return value;
}

int16_t GWatermarkAccessor::GetSizeMaximum() {
  int16_t value = 0;
  if (session_ != nullptr) session_->GetModelView().GetRangeMaximum(&kWMFontSizeRange, &value);
  return value;
}

int16_t GWatermarkAccessor::GetState() { return state_->editState; }

void GWatermarkAccessor::SetState(int16_t value) {
  if (value >= kNoneSelected && value <= kStoredChanged) state_->editState = value;
}
