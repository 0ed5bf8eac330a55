#include "ui/framework/GRuleCatalogue.h"

#include "ui/framework/GDuplexRule.h"
#include "ui/framework/GPagesPerSheetRule.h"
#include "ui/framework/GPaperSourceRule.h"
#include "ui/framework/GUIRule.h"
#include "ui/framework/GUISession.h"

namespace {

// Each rule class gives its row a creator when it joins the module:
// {"GDuplexRule", &CreateRule<GDuplexRule>}.
const GRuleRegistration kSheetRules[] = {
    {"GPaperSizeRule", &CreateRule<GPaperSizeRule>},
    {"GOutputBinRule", &CreateRule<GOutputBinRule>},
    {"GPaperSourceRule", &CreateRule<GPaperSourceRule>},
    {"GDuplexRule", &CreateRule<GDuplexRule>},
    {"GBookletRule", &CreateRule<GBookletRule>},
    {"GStapleRule", &CreateRule<GStapleRule>},
    {"GZepRule", &CreateRule<GZepRule>},
    {"GJobRetentionRule", &CreateRule<GJobRetentionRule>},
    {"GCustomPaperSizeRule", &CreateRule<GCustomPaperSizeRule>},
    {"GScalingRule", &CreateRule<GScalingRule>},
    {"GPrintDocumentOnRule", &CreateRule<GPrintDocumentOnRule>},
    {"GAutoConfigurationRule", &CreateRule<GAutoConfigurationRule>},
    {"GTrueTypeAsBitmapsRule", &CreateRule<GTrueTypeAsBitmapsRule>},
    {"GSparetoneRule", &CreateRule<GSparetoneRule>},
    {"GPJLRequiredRule", &CreateRule<GPJLRequiredRule>},
    {"GPJLJobCommandsRule", &CreateRule<GPJLJobCommandsRule>},
    {"GWatermarkEditRule", &CreateRule<GWatermarkEditRule>},
    {"GFormToTrayRule", &CreateRule<GFormToTrayRule>},
    {"GTypesInSourceListRule", &CreateRule<GTypesInSourceListRule>},
};

}  // namespace

const GRuleRegistration* SheetRuleTable(size_t* count) {
  if (count != nullptr) *count = sizeof(kSheetRules) / sizeof(kSheetRules[0]);
  return kSheetRules;
}

int RegisterRules(GUISession* session, const GRuleRegistration* table, size_t count) {
  if (session == nullptr || table == nullptr) return 0;
  int added = 0;
  for (size_t i = 0; i < count; ++i) {
    if (table[i].create == nullptr) continue;
    GUIRule* rule = table[i].create(session);
    if (rule == nullptr) continue;
    session->AddRule(rule);
    ++added;
  }
  return added;
}

int RegisterSheetRules(GUISession* session) {
  size_t count = 0;
  const GRuleRegistration* table = SheetRuleTable(&count);
  return RegisterRules(session, table, count);
}
