// The catalogue of the setting rules: what all rules of the property sheets
// share beyond their base. The UI session keys each rule owns (pairs of an
// availability and a reason, which the page builders also bind to the
// feature-tip buttons), the keys rules read without owning, the paper, source
// and bin codes the rules compare, and the registration table: the order in
// which a sheet's rules are added after all its pages, which is the order
// Revalidate calls them in every round.
//
// The registration table is data: each rule class adds its creator to its
// row, and a row without a creator registers nothing.
#pragma once

#include <cstddef>
#include <cstdint>

class GUIRule;
class GUISession;

// One pair of UI session keys; a reason of 0 means the pair has none.
struct GRuleKeyPair {
  int32_t availability;
  int32_t reason;
};

namespace GRuleKeys {
constexpr GRuleKeyPair kDuplex{0x4000001C, 0x4000001D};
constexpr GRuleKeyPair kPagesPerSheet{0x40000028, 0x40000029};
constexpr GRuleKeyPair kScaling{0x4000002B, 0x4000002C};
constexpr GRuleKeyPair kBooklet{0x4000002E, 0x4000002F};
constexpr GRuleKeyPair kPrintDocumentOn{0x40000031, 0x40000032};
constexpr GRuleKeyPair kStaple{0x4000003A, 0x4000003B};
constexpr GRuleKeyPair kPaperHandlingOptions{0x4000003D, 0x4000003E};
constexpr GRuleKeyPair kAutomaticConfiguration{0x40000040, 0x40000041};
constexpr GRuleKeyPair kOutputBin{0x40000043, 0x40000044};
constexpr GRuleKeyPair kPaperSize{0x40000046, 0x40000047};
constexpr GRuleKeyPair kCustomPaperSize{0x40000049, 0x4000004A};
constexpr GRuleKeyPair kQuickSets{0x400000DE, 0x400000DF};
constexpr GRuleKeyPair kTrueTypeAsBitmaps{0x4000004C, 0x4000004D};
constexpr GRuleKeyPair kZep{0x4000004F, 0x40000050};
constexpr GRuleKeyPair kPaperSource{0x40000052, 0};
constexpr GRuleKeyPair kPaperSourceRest{0x40000053, 0};
constexpr GRuleKeyPair kSparetone{0x40000072, 0x40000075};
constexpr GRuleKeyPair kPJLJobCommands{0x40000073, 0x40000076};
constexpr GRuleKeyPair kPJLRequired{0x40000074, 0x40000077};
constexpr GRuleKeyPair kTypesInSourceList{0x400000D4, 0x400000D5};
constexpr GRuleKeyPair kWatermarkEdit{0x400000E2, 0x400000E3};
}  // namespace GRuleKeys

// Reasons with a meaning of their own: 53xx are notes, shown while the
// control stays enabled; 11902 disables a control without a tip (the string
// table has no text for it).
namespace GRuleReasons {
constexpr int kFirstNote = 5300;
constexpr int kLastNote = 5399;
constexpr int kDisabledWithoutTip = 11902;
}  // namespace GRuleReasons

// The driver's paper ids the rules compare; custom sizes lie above 0x3FFF.
namespace GRulePapers {
constexpr int16_t kLetter = 1;
constexpr int16_t kLegal = 6;
constexpr int16_t kEnvelope10 = 8;
constexpr int16_t kEnvelopeMonarch = 16;
constexpr int16_t kExecutive = 17;
constexpr int16_t k11x17 = 21;
constexpr int16_t kA3 = 22;
constexpr int16_t kA4 = 23;
constexpr int16_t kA5 = 27;
constexpr int16_t kB4Jis = 39;
constexpr int16_t kB5Jis = 40;
constexpr int16_t kDoublePostcard = 41;
constexpr int16_t kExecutiveJis = 42;
constexpr int16_t k16K = 43;
constexpr int16_t k8K = 44;
constexpr int16_t kFirstCustom = 0x4000;
}  // namespace GRulePapers

// Source (tray) and output-bin codes the rules use.
namespace GRuleSources {
constexpr int16_t kTray1 = 6;            // takes every paper
constexpr int16_t kPrinterSelect = 19;   // automatic selection
constexpr int16_t kEnvelopesOnly = 5;
}  // namespace GRuleSources
namespace GRuleBins {
constexpr int16_t kTopBin = 1;  // face down
constexpr int16_t kSecondBuiltIn = 2;
constexpr int16_t kStapling = 3;
constexpr int16_t kBookletMaker = 4;
}  // namespace GRuleBins

// One row of a registration table: the rule's class name and its creator
// (null while the class is not part of the module).
struct GRuleRegistration {
  const char* name;
  GUIRule* (*create)(GUISession* session);
};

// The creator of a row: a rule class whose constructor takes the session.
template <class Rule>
GUIRule* CreateRule(GUISession* session) {
  return new Rule(session);
}

// The rules of a sheet added after all its pages, in calling order; the
// same for the document and the device sheet. (The pages-per-sheet rule is
// not in it: the document sheet adds it right after its Finishing page,
// since it needs that page.)
const GRuleRegistration* SheetRuleTable(size_t* count);
// Adds a new rule for every row of the table that has a creator, in table
// order; the session owns them. The number added.
int RegisterRules(GUISession* session, const GRuleRegistration* table, size_t count);
// RegisterRules with the sheet table.
int RegisterSheetRules(GUISession* session);
