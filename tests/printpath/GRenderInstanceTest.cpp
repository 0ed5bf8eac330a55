// The print-side driver instance through a small device model: a printer
// entry whose generator records every command, a recording output channel,
// and document settings built per test. Covers how a job is decided at its
// start (raster mode, pass-through, imposition, grey conversion), how
// commands reach the printer and errors become a job abort, the job and
// page settings (copies, trays, media, port kind, watermark), the media
// services and the job name.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "model/GAttributeComposite.h"
#include "model/GBinaryData.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GCustomMediaSize.h"
#include "model/GErrorCommand.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPassThroughCommand.h"
#include "model/GRangeAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentComposite.h"
#include "printpath/GDocumentCommand.h"
#include "printpath/GJobAbort.h"
#include "printpath/GNoCommand.h"
#include "printpath/GPageCommand.h"
#include "printpath/GPrinter.h"
#include "printpath/GRenderInstance.h"
#include "support/RecordingChannel.h"
#include "support/RecordingPeripheral.h"
#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"

namespace {

using namespace GFeatureIds;
using qvtest::RecordingPeripheral;

// The generator of the test printer: records the commands it handles and
// can be told to fail one kind of them; it reports the class id it is set
// to, so the instance sees a PCL XL, PostScript or PCL 5e generator.
class RenderTestGenerator : public RecordingPeripheral {
 public:
  explicit RenderTestGenerator(RWClassID kind = 788) : RecordingPeripheral(&kGeneratorPeripheral), kind_(kind) {
    SetName("Test language");
  }
  RenderTestGenerator(const RenderTestGenerator& other) = default;
  RenderTestGenerator* Clone() const override { return new RenderTestGenerator(*this); }
  RWClassID ClassId() const override { return kind_; }
  int DerivesFrom(RWClassID classId) const override {
    return classId == kind_ || classId == GGeneratorKindId || RecordingPeripheral::DerivesFrom(classId);
  }
  int16_t DocumentStart(GDocumentStart* c) override {
    documentName = qvtest::Text(c->GetDocumentName());
    portName = qvtest::Text(c->GetPortName());
    jobText = c->GetJobText().Data();
    documentCounts.push_back(GSettingQuery::NumberOr(c->GetSettings(), kDocumentCount, -1));
    return Note("DocumentStart", RecordingPeripheral::DocumentStart(c));
  }
  int16_t DocumentEnd(GDocumentEnd* c) override { return Note("DocumentEnd", RecordingPeripheral::DocumentEnd(c)); }
  int16_t PageStart(GPageStart* c) override { return Note("PageStart", RecordingPeripheral::PageStart(c)); }
  int16_t PageEnd(GPageEnd* c) override { return Note("PageEnd", RecordingPeripheral::PageEnd(c)); }
  int16_t JobAbort(GJobAbort* c) override { return Note("JobAbort", RecordingPeripheral::JobAbort(c)); }
  int16_t PassThrough(GPassThroughCommand* c) override {
    int32_t marked = 0;
    passThroughMarked = GSettingQuery::NumberAt(c->GetSettings(), kPassThroughSetting, &marked) && marked == 1;
    return Note("PassThrough", 0);
  }
  int16_t Error(GErrorCommand* c) override { return Note("Error", RecordingPeripheral::Error(c)); }
  int SupportsScaling() override { return scaling; }
  GRealPair GetScale(GState*, GState*, int32_t, int32_t*) override { return scale; }

  std::vector<std::string> log;
  bool passThroughMarked = false;  // the last pass-through carried 601 = 1
  std::u16string documentName;  // of the last document start
  std::u16string portName;
  std::string jobText;
  std::vector<int32_t> documentCounts;  // 600 of each document start's settings
  std::string failing;  // the operation that answers failStatus
  int16_t failStatus = 0;
  int scaling = 1;
  GRealPair scale{1.0f, 1.0f};

 private:
  int16_t Note(const char* operation, int16_t status) {
    log.push_back(operation);
    return failing == operation ? failStatus : status;
  }
  RWClassID kind_;
};

// The platform: printer data and the clock.
class RenderTestFactory : public qvtest::ScriptedFactory {
 public:
  DWORD GetPrinterDataDword(GDriverInstance*, const RWWString& name, DWORD fallback) override {
    return name == RWWString(u"PassThrough") && passThrough >= 0 ? static_cast<DWORD>(passThrough) : fallback;
  }
  RWWString GetPrinterDataString(GDriverInstance*, const RWWString& name, const RWWString& fallback) override {
    return name == RWWString(u"JobStorageUniqueID") && !uniqueId.empty() ? RWWString(uniqueId.c_str()) : fallback;
  }
  int GetDateTime(GDateTime* local, GDateTime* shifted, int16_t*) override {
    GDateTime now;
    now.year = 2026;
    now.month = 3;
    now.day = 7;
    now.hour = 9;
    now.minute = 5;
    now.second = 1;
    if (local != nullptr) *local = now;
    if (shifted != nullptr) *shifted = now;
    return 1;
  }
  int passThrough = -1;
  std::u16string uniqueId;
};

// The front end of the tests: it starts a pending document before the
// first command, and takes its settings and port from the test.
class RenderFrontEnd : public GRenderInstance {
 public:
  RenderFrontEnd() { SetNames(RWWString(u"Test Printer"), RWWString(u"Test Driver"), RWWString(u"LPT1:")); }
  ~RenderFrontEnd() override { SetStoredDocumentSettings(nullptr); }

  int16_t EnsureDocumentStarted() override { return IsDocumentStarted() ? 0 : StartDocument(); }
  void RefreshAppFlags() override {}
  GAttributeComposite* CreateDefaultSettings() override { return nullptr; }
  GAttributeComposite* GetDocumentSettings() override { return StoredDocumentSettings(); }
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  RWWString GetJobStorageKeyPath() override { return RWWString(); }
  GAttributeComposite* GetDevModeSettings() override { return StoredDocumentSettings(); }

  void UseSettings(GAttributeComposite* settings) { SetStoredDocumentSettings(settings); }
  void UsePort(const char16_t* port) { SetNames(GetPrinterName(), GetDriverName(), RWWString(port)); }
  void UseHostFlags(uint32_t flags) { SetAppFlags(flags); }

 protected:
  void EndNestedPath(GCommand*, int) override {}
  void EndOutermostPath(GCommand*, int) override {}
};

GAttributeComposite* NewGroup(const int32_t& id) { return new GAttributeComposite(&id); }

GMedia* NewMedium(int16_t paperId, int32_t orientation, int16_t width, int16_t height, const int32_t& id) {
  const bool turned = orientation == 90 || orientation == 270;
  const GShortPoint size(turned ? height : width, turned ? width : height);
  const GShortPoint extent(static_cast<int16_t>(size.x - 200), static_cast<int16_t>(size.y - 200));
  const GShortPoint origin(100, 100);
  return new GMedia(paperId == 1 ? "Letter" : "A4", &size, &extent, &origin, orientation, paperId, 600, 600, &id);
}

class RenderInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services_.Change([&](GUpwardServices& s) { s.factory = &factory; });
    generator = new RenderTestGenerator;
    BuildModel(generator);

    settings = NewGroup(kDeviceOptions);
    job = NewGroup(kDocumentSettings);
    page = NewGroup(kPageSettings);
    options = NewGroup(kDocumentSettings2);
    installable = NewGroup(kInstallableOptions);
    preferences = NewGroup(kDriverPreferences);
    for (GAttributeComposite* group : {job, page, options, installable, preferences}) settings->AddChild(group);
    job->AddChild(new GValueAttribute(0, &kOrientation));
    job->AddChild(new GValueAttribute(1, &kPaperSize));
    auto* resolution = NewGroup(kResolution);
    resolution->AddChild(new GValueAttribute(600, &kXResolution));
    resolution->AddChild(new GValueAttribute(600, &kYResolution));
    job->AddChild(resolution);
    job->AddChild(new GValueAttribute(0, &kDuplex));
    options->AddChild(new GValueAttribute(1, &kCopies));
    instance.UseSettings(settings);
  }

  void BuildModel(RenderTestGenerator* language) {
    auto* root = new MPersistentComposite(353);
    printer = new GPrinter(&kDeviceEntry);
    printer->AddChild(language);
    configuration = new GConfiguration(kPeripheralConfiguration);
    auto* pool = new GMediaPool(&kPrinterMediaPool);
    for (int32_t o : {0, 90}) {
      pool->AddChild(NewMedium(1, o, 5100, 6600, kCustomMedia));
      pool->AddChild(NewMedium(23, o, 4960, 7014, kCustomMedia));
    }
    configuration->AddChild(pool);
    capabilities = NewGroup(kPrinterCapabilityGroup);
    configuration->AddChild(capabilities);
    printer->SetConfiguration(configuration);
    root->AddChild(printer);
    instance.SetDeviceModel(root);
  }

  // A whole job of the given pages through the instance: each page is
  // started by the first command sent into it.
  int16_t RunJob(int pages) {
    instance.BeginJob();
    instance.SetDocumentName(RWWString(u"C:\\Reports\\q1 report.txt"));
    instance.SetDocumentPending(1);
    for (int i = 0; i < pages; ++i) {
      instance.SetPagePending(1);
      if (int16_t status = instance.Send(new GNoCommand)) return status;
      if (int16_t status = instance.SendToPrinter(instance.CreatePageEnd())) return status;
    }
    return instance.SendToPrinter(instance.CreateDocumentEnd());
  }

  static int32_t ValueOf(MPersistentObject* root, int32_t id, int32_t fallback = -1) {
    return GSettingQuery::NumberOr(root, id, fallback);
  }

  qvtest::ScopedUpwardServices services_;
  RenderTestFactory factory;
  RenderFrontEnd instance;
  RenderTestGenerator* generator = nullptr;
  GPrinter* printer = nullptr;
  GConfiguration* configuration = nullptr;
  GAttributeComposite* capabilities = nullptr;
  GAttributeComposite* settings = nullptr;
  GAttributeComposite* job = nullptr;
  GAttributeComposite* page = nullptr;
  GAttributeComposite* options = nullptr;
  GAttributeComposite* installable = nullptr;
  GAttributeComposite* preferences = nullptr;
};

// ---- Grey conversion ----

TEST_F(RenderInstanceTest, LuminanceIsTheDefaultAndFallsBackForMissingOrShortData) {
  EXPECT_EQ(instance.GetGrayConversion(), &GRenderInstance::LuminanceGray);
  struct Case {
    uint8_t r, g, b;
    int grey;
  } cases[] = {{255, 255, 255, 255}, {0, 0, 0, 0}, {255, 0, 0, 76}, {0, 255, 0, 151}, {0, 0, 255, 28}};
  for (const Case& c : cases) EXPECT_EQ(GRenderInstance::LuminanceGray(c.r, c.g, c.b), c.grey) << int(c.r);

  // Modes 1 and 2 without conversion data, and with data too short to read.
  instance.SelectGrayConversion(2);
  EXPECT_EQ(instance.GetGrayConversion(), &GRenderInstance::LuminanceGray);
  auto* data = new MPersistentComposite(kGrayConversionData);
  static unsigned char shortWeights[3] = {1, 2, 3};
  data->AddChild(new GBinaryData(shortWeights, 3, 0, kGrayWeights));
  static unsigned char shortTables[100] = {};
  data->AddChild(new GBinaryData(shortTables, 100, 0, kGrayTables));
  configuration->AddChild(data);
  for (uint8_t mode : {1, 2, 7}) {
    instance.SelectGrayConversion(mode);
    EXPECT_EQ(instance.GetGrayConversion(), &GRenderInstance::LuminanceGray) << int(mode);
  }
}

TEST_F(RenderInstanceTest, WeightedAndTableConversionsReadThePrinterData) {
  auto* data = new MPersistentComposite(kGrayConversionData);
  // Shift 33 acts as 1: (2R + 4G + 2B) >> 1.
  static unsigned char weights[4] = {33, 2, 4, 2};
  data->AddChild(new GBinaryData(weights, 4, 0, kGrayWeights));
  static unsigned char tables[1280];
  for (int i = 0; i < 256; ++i) {
    tables[i] = static_cast<unsigned char>(i / 3);        // red
    tables[256 + i] = static_cast<unsigned char>(i / 3);  // green
    tables[512 + i] = static_cast<unsigned char>(i / 3);  // blue
    tables[768 + i] = static_cast<unsigned char>(255 - i);  // output
    tables[1024 + i] = i == 0 ? 0 : 255;                  // blend weight by spread
  }
  data->AddChild(new GBinaryData(tables, sizeof tables, 0, kGrayTables));
  configuration->AddChild(data);

  instance.SelectGrayConversion(2);
  GGrayConversion weighted = instance.GetGrayConversion();
  ASSERT_NE(weighted, &GRenderInstance::LuminanceGray);
  EXPECT_EQ(weighted(10, 20, 30), (2 * 10 + 4 * 20 + 2 * 30) >> 1);
  EXPECT_EQ(weighted(255, 255, 255), ((2 + 4 + 2) * 255 >> 1) & 0xFF);

  instance.SelectGrayConversion(1);
  GGrayConversion table = instance.GetGrayConversion();
  ASSERT_NE(table, &GRenderInstance::LuminanceGray);
  // Grey input: spread 0, weight 0, so the sum m comes out: 3 * (90 / 3).
  EXPECT_EQ(table(90, 90, 90), (0 + 255 * 90 + 255) >> 8);
  // A colour: spread > 0, weight 255, so the output table wins.
  const int m = (30 / 3 + 60 / 3 + 90 / 3) % 256;
  EXPECT_EQ(table(30, 60, 90), ((255 - m) * 255 + 0 * m + 255) >> 8);
}

TEST_F(RenderInstanceTest, QualitySetting22SelectsTheTablesWhenTheJobStateIsBuilt) {
  auto* data = new MPersistentComposite(kGrayConversionData);
  static unsigned char tables[1280] = {};
  data->AddChild(new GBinaryData(tables, sizeof tables, 0, kGrayTables));
  configuration->AddChild(data);
  options->AddChild(new GValueAttribute(22, &kQualitySetting910));
  GCountedPtr state(instance.BuildJobState());
  EXPECT_NE(instance.GetGrayConversion(), &GRenderInstance::LuminanceGray);
  EXPECT_EQ(ValueOf(state.Pointee(), kQualitySetting910), 22);
  static_cast<GValueAttribute*>(options->FindById(kQualitySetting910))->SetValue(5);
  GCountedPtr again(instance.BuildJobState());
  EXPECT_EQ(instance.GetGrayConversion(), &GRenderInstance::LuminanceGray);
}

// ---- Deciding the job ----

TEST_F(RenderInstanceTest, RasterModeComesFromTheSettingElseFromTheHostFlags) {
  struct Case {
    int setting;  // -1: absent
    uint32_t hostFlags;
    int mode;
  } cases[] = {
      {3, 0, 3}, {2, 0, 2}, {1, 1u << 21, 1}, {-1, 0, 1}, {-1, 1u << 22, 2}, {-1, (1u << 21) | (1u << 22), 3}, {9, 1u << 22, 2},
  };
  for (const Case& c : cases) {
    delete options->RemoveChildById(kRasterizationChoice);
    if (c.setting >= 0) options->AddChild(new GValueAttribute(static_cast<int16_t>(c.setting), &kRasterizationChoice));
    instance.UseHostFlags(c.hostFlags);
    instance.BeginJob();
    EXPECT_EQ(instance.GetRasterMode(), c.mode) << c.setting << " " << c.hostFlags;
    // Raster mode 3 always rasterizes; 2 only when asked with flag 0.
    EXPECT_EQ(instance.UsesAdaptiveCompression(0), c.mode >= 2 ? 1 : 0);
    EXPECT_EQ(instance.UsesAdaptiveCompression(1), c.mode == 3 ? 1 : 0);
    EXPECT_EQ(instance.IsRasterized(1), c.mode == 3 ? 1 : 0);
  }
}

TEST_F(RenderInstanceTest, HostFlagsForceRasterWhenTheDeviceLacksTheCapability) {
  capabilities->AddChild(new GValueAttribute(4, &kGeneratorCapabilities));  // bit 2 set, bit 1 clear
  options->AddChild(new GValueAttribute(1, &kRasterizationChoice));
  instance.UseHostFlags(1u << 26);
  instance.BeginJob();
  EXPECT_EQ(instance.GetRasterMode(), 3);
  instance.UseHostFlags(1u << 27);
  instance.BeginJob();
  EXPECT_EQ(instance.GetRasterMode(), 1);
}

TEST_F(RenderInstanceTest, ImpositionIsActiveForNUpAndBooklet) {
  auto* layout = NewGroup(kNUpLayout);
  auto* nUp = new GValueAttribute(1, &kNUpChoice);
  layout->AddChild(nUp);
  job->AddChild(layout);
  instance.BeginJob();
  EXPECT_EQ(instance.IsImpositionActive(), 0);
  nUp->SetValue(4);
  instance.BeginJob();
  EXPECT_EQ(instance.IsImpositionActive(), 1);
  nUp->SetValue(1);
  job->AddChild(new GValueAttribute(1, &kBookletPrintingChoice));
  instance.BeginJob();
  EXPECT_EQ(instance.IsImpositionActive(), 1);
}

TEST_F(RenderInstanceTest, PclXlPassThroughFollowsModeAndPrinterData) {
  auto* xl = new RenderTestGenerator(GRenderInstance::kPclXlGenerator);
  delete printer->RemoveChild(generator);
  printer->AddChild(xl);
  generator = xl;
  auto* mode = new GValueAttribute(0, &kPassThroughMode);
  auto* protocolClass = new GValueAttribute(1, &kXLProtocolClass);
  auto* revision = new GValueAttribute(9, &kXLProtocolRevision);
  auto* language = new GStringAttribute(RWCString("XL"), &kXLLanguageString);
  for (GAttribute* a : std::initializer_list<GAttribute*>{mode, protocolClass, revision, language})
    configuration->AddChild(a);

  // Mode 0 with no printer data (255): off, protocol 2.1.
  instance.BeginJob();
  EXPECT_EQ(instance.GetGeneratorClassId(), GRenderInstance::kPclXlGenerator);
  EXPECT_EQ(instance.IsPassThrough(), 0);
  EXPECT_EQ(protocolClass->GetValue(), 2);
  EXPECT_EQ(revision->GetValue(), 1);
  // Mode 1 with the default 255: on, protocol 3.0 and the language named.
  mode->SetValue(1);
  instance.BeginJob();
  EXPECT_EQ(instance.IsPassThrough(), 1);
  EXPECT_EQ(protocolClass->GetValue(), 3);
  EXPECT_EQ(revision->GetValue(), 0);
  EXPECT_EQ(std::string(language->GetString().Data()), "PCL XL");
  // Mode 0 with the printer data 1: on.
  mode->SetValue(0);
  factory.passThrough = 1;
  instance.BeginJob();
  EXPECT_EQ(instance.IsPassThrough(), 1);
}

TEST_F(RenderInstanceTest, OtherGeneratorsPassThroughUnlessTheDeviceSaysNo) {
  instance.BeginJob();
  EXPECT_EQ(instance.GetGeneratorClassId(), GRenderInstance::kPcl5eGenerator);
  EXPECT_EQ(instance.IsPassThrough(), 1);
  capabilities->AddChild(new GValueAttribute(1, &kPassThroughCapability));
  instance.BeginJob();
  EXPECT_EQ(instance.IsPassThrough(), 0);
}

// ---- Sending a job ----

TEST_F(RenderInstanceTest, AJobReachesTheGeneratorAndTheChannel) {
  qvtest::RecordingSource source;
  EXPECT_EQ(RunJob(2), 0);
  EXPECT_EQ(instance.GetJobStatus(), 0);
  const std::vector<std::string> expected = {"DocumentStart", "PageStart", "PageEnd", "PageStart", "PageEnd",
                                             "DocumentEnd"};
  EXPECT_EQ(generator->log, expected);
  // Without a destination of its own the job goes to the printer's port.
  EXPECT_EQ(source.calls, 1);
  EXPECT_EQ(source.port, u"LPT1:");
  EXPECT_EQ(generator->portName, u"LPT1:");
  EXPECT_EQ(generator->documentName, u"C:\\Reports\\q1 report.txt");
  EXPECT_EQ(instance.GetPageNumber(), 2);
}

TEST_F(RenderInstanceTest, StartDocumentWithoutAPendingDocumentFailsTheJob) {
  instance.BeginJob();
  EXPECT_EQ(instance.StartDocument(), GRenderInstance::kNoDocumentPending);
  EXPECT_EQ(instance.GetJobStatus(), GRenderInstance::kJobFailed);
  EXPECT_TRUE(generator->log.empty());
}

TEST_F(RenderInstanceTest, NoOutputChannelFailsTheDocumentStartAndAbortsTheJob) {
  // No channel source is installed: the document start cannot have a
  // channel, which is reported, not printed into nothing.
  services_.Change([](GUpwardServices& s) { s.outputChannel = nullptr; });
  instance.BeginJob();
  instance.SetDocumentPending(1);
  EXPECT_EQ(instance.StartDocument(), GStatusNoOutputChannel);
  EXPECT_EQ(instance.GetJobStatus(), GRenderInstance::kJobFailed);
  // The generator saw the failed start as an error (passed on unhandled)
  // and then the abort.
  const std::vector<std::string> expected = {"JobAbort"};
  EXPECT_EQ(generator->log, expected);
}

TEST_F(RenderInstanceTest, AFailedPageBecomesOneAbortAndTheFirstStatus) {
  qvtest::RecordingSource source;
  generator->failing = "PageEnd";
  generator->failStatus = 77;
  EXPECT_EQ(RunJob(1), 77);
  EXPECT_EQ(instance.GetJobStatus(), GRenderInstance::kJobFailed);
  EXPECT_EQ(std::count(generator->log.begin(), generator->log.end(), "JobAbort"), 1);
}

TEST_F(RenderInstanceTest, AFailedMemberOfACompositeStillAbortsTheJob) {
  qvtest::RecordingSource source;
  instance.BeginJob();
  instance.SetDocumentPending(1);
  ASSERT_EQ(instance.StartDocument(), 0);
  generator->failing = "PassThrough";
  generator->failStatus = 42;
  static const uint8_t bytes[] = {1, 2, 3};
  auto* spooled = new GCommandComposite;
  spooled->AddChild(new GPassThroughCommand(bytes, 3, 788, nullptr));
  spooled->AddChild(new GPassThroughCommand(bytes, 3, 788, nullptr));
  EXPECT_EQ(instance.SendToPrinter(spooled), 42);
  EXPECT_EQ(instance.GetJobStatus(), GRenderInstance::kJobFailed);
  // The member after the failed one is not sent; the job is aborted once.
  EXPECT_EQ(std::count(generator->log.begin(), generator->log.end(), "PassThrough"), 1);
  EXPECT_EQ(std::count(generator->log.begin(), generator->log.end(), "JobAbort"), 1);
}

TEST_F(RenderInstanceTest, ForcedPageStartsAPageThatDrawsNothing) {
  qvtest::RecordingSource source;
  instance.BeginJob();
  instance.SetDocumentPending(1);
  instance.SetPagePending(1);
  generator->scaling = 1;
  // Scaling is decided from the capability set: without one it stays off.
  EXPECT_EQ(instance.ForcePageStart(), 0);
  EXPECT_TRUE(generator->log.empty());
  capabilities->AddChild(new GValueAttribute(0, &kPrinterCapabilities));
  instance.BeginJob();
  instance.SetDocumentPending(1);
  instance.SetPagePending(1);
  EXPECT_EQ(instance.ForcePageStart(), 0);
  EXPECT_EQ(instance.SendToPrinter(instance.CreatePageEnd()), 0);
  const std::vector<std::string> expected = {"DocumentStart", "PageStart", "PageEnd"};
  EXPECT_EQ(generator->log, expected);
}

TEST_F(RenderInstanceTest, ThePageAsksThePrinterForItsScale) {
  qvtest::RecordingSource source;
  capabilities->AddChild(new GValueAttribute(0, &kPrinterCapabilities));
  generator->scale = GRealPair(0.5f, 0.5f);
  instance.BeginJob();
  ASSERT_EQ(instance.IsScalingSupported(), 1);
  instance.SetDocumentPending(1);
  ASSERT_EQ(instance.StartDocument(), 0);
  GCountedPtr start(instance.CreatePageStart());
  EXPECT_EQ(instance.GetScale(), GRealPair(0.5f, 0.5f));
  EXPECT_EQ(instance.PageNeedsScaling(), 1);
  EXPECT_NE(instance.GetJobState(), nullptr);
  generator->scale = GRealPair(1.0f, 1.0f);
  GCountedPtr next(instance.CreatePageStart());
  EXPECT_EQ(instance.PageNeedsScaling(), 0);
}

// ---- Job and page settings ----

TEST_F(RenderInstanceTest, CopiesGoToThePrinterOnlyWithACollationUnit) {
  struct Case {
    int unit, collate, ignore;
    int printerCopies, pageCopies;
  } cases[] = {{1, 1, 0, 3, 1}, {0, 1, 0, 1, 3}, {1, 0, 0, 1, 3}, {1, 0, 1, 3, 1}};
  for (const Case& c : cases) {
    for (int32_t id : {kCollationUnit, kIgnoreCollationChoice}) delete installable->RemoveChildById(id);
    delete options->RemoveChildById(kCollate);
    installable->AddChild(new GValueAttribute(static_cast<int16_t>(c.unit), &kCollationUnit));
    installable->AddChild(new GValueAttribute(static_cast<int16_t>(c.ignore), &kIgnoreCollationChoice));
    options->AddChild(new GValueAttribute(static_cast<int16_t>(c.collate), &kCollate));
    int16_t out = 0;
    instance.SetCopies(3, &out);
    EXPECT_EQ(out, 3);
    EXPECT_EQ(ValueOf(job, kPrinterCopies), c.printerCopies) << c.unit << c.collate << c.ignore;
    EXPECT_EQ(ValueOf(page, kPageCopies), c.pageCopies) << c.unit << c.collate << c.ignore;
    GCountedPtr end(instance.CreatePageEnd());
    EXPECT_EQ(ValueOf(static_cast<GPageEnd*>(end.Pointee())->GetSettings(), kPageCopies), c.pageCopies);
  }
}

TEST_F(RenderInstanceTest, SetCopiesBoundsTheValueAndAnswersThePreviousOne) {
  int16_t out = 0;
  EXPECT_EQ(instance.SetCopies(-5, &out), 1);
  EXPECT_EQ(out, 1);
  EXPECT_EQ(instance.SetCopies(999, &out), 1);
  EXPECT_EQ(out, 999);
  configuration->AddChild(new GRangeAttribute(1, 99, 1, 1, &kCopiesRange));
  EXPECT_EQ(instance.SetCopies(999, &out), 999);
  EXPECT_EQ(out, 99);
  EXPECT_EQ(ValueOf(options, kCopies), 99);
}

TEST_F(RenderInstanceTest, PortKindTellsLocalPortsFromOthers) {
  struct Case {
    const char16_t* port;
    int kind;
  } cases[] = {{u"LPT1:", 1}, {u"USB001", 1}, {u"DOT4_001", 1}, {u"lpt1:", 3}, {u"LPLT", 3},
               {u"\\\\server\\queue", 3}, {u"FILE:", 3}, {u"", 3}};
  for (const Case& c : cases) {
    instance.UsePort(c.port);
    GCountedPtr state(instance.BuildJobState());
    EXPECT_EQ(ValueOf(state.Pointee(), kPortKind), c.kind) << qvtest::Text(RWWString(c.port)).size();
  }
}

TEST_F(RenderInstanceTest, TheJobStateCarriesTheMediumTheWatermarkAndTheDocumentCount) {
  GCountedPtr state(instance.BuildJobState());
  auto* medium = dynamic_cast<GMedia*>(state.Pointee()->FindById(kPageMedia));
  ASSERT_NE(medium, nullptr);
  EXPECT_EQ(medium->GetPaperId(), 1);
  EXPECT_EQ(medium->GetSize()->x, 5100);
  EXPECT_EQ(state.Pointee()->FindById(kPaperSize), nullptr);
  // No watermark chosen: one that prints on no page.
  MPersistentObject* watermark = state.Pointee()->FindById(kWatermarks);
  ASSERT_NE(watermark, nullptr);
  EXPECT_EQ(ValueOf(watermark, kWMFirstPageOnly), 2);
  EXPECT_EQ(ValueOf(state.Pointee(), kDocumentCount), 0);
  // The job group itself keeps its paper size.
  EXPECT_EQ(ValueOf(job, kPaperSize), 1);
}

TEST_F(RenderInstanceTest, AnUnknownPaperKeepsItsPaperSize) {
  static_cast<GValueAttribute*>(job->FindById(kPaperSize))->SetValue(0x4000);
  GCountedPtr state(instance.BuildJobState());
  EXPECT_EQ(state.Pointee()->FindById(kPageMedia), nullptr);
  EXPECT_EQ(ValueOf(state.Pointee(), kPaperSize), 0x4000);
}

TEST_F(RenderInstanceTest, ASelectedWatermarkComesFromThePool) {
  auto* chosen = NewGroup(kWatermarks);
  chosen->AddChild(new GValueAttribute(1, &kWMFirstPageOnly));
  chosen->AddChild(new GValueAttribute(0, &kWatermarkSource));
  chosen->AddChild(new GStringAttribute(RWCString("DRAFT"), &kSelectedWatermark));
  options->AddChild(chosen);
  auto* pool = NewGroup(kWatermarkPool);
  auto* record = NewGroup(kCustomMedia);
  record->AddChild(new GStringAttribute(RWCString("DRAFT"), &kWatermarkName));
  pool->AddChild(record);
  preferences->AddChild(pool);

  EXPECT_EQ(instance.HasWatermark(), 1);
  GCountedPtr found(instance.GetWatermarkSettings());
  EXPECT_EQ(found.Pointee()->FeatureId(), kWatermarks);
  RWCString name;
  EXPECT_TRUE(GSettingQuery::TextAt(found.Pointee(), kWatermarkName, &name));
  EXPECT_EQ(std::string(name.Data()), "DRAFT");
  EXPECT_EQ(ValueOf(found.Pointee(), kWMFirstPageOnly), 1);

  // A name that matches no record: no watermark.
  static_cast<GStringAttribute*>(chosen->FindById(kSelectedWatermark))->SetString(RWCString("NONE"));
  GCountedPtr none(instance.GetWatermarkSettings());
  EXPECT_EQ(ValueOf(none.Pointee(), kWMFirstPageOnly), 2);
  EXPECT_EQ(none.Pointee()->FindById(kWatermarkName), nullptr);
}

TEST_F(RenderInstanceTest, DifferentFirstPageInDuplexTwoUpUsesTheRestTrayFromPageFive) {
  static_cast<GValueAttribute*>(job->FindById(kDuplex))->SetValue(1);
  auto* layout = NewGroup(kNUpLayout);
  layout->AddChild(new GValueAttribute(2, &kNUpChoice));
  job->AddChild(layout);
  options->AddChild(new GValueAttribute(1, &kUseDiffFirstPageChoice));
  options->AddChild(new GValueAttribute(7, &kInputBin));
  options->AddChild(new GValueAttribute(8, &kInputBinRest));
  options->AddChild(new GStringAttribute(RWCString("Letterhead"), &kMediaType));
  options->AddChild(new GStringAttribute(RWCString("Plain"), &kMediaTypeRest));
  for (int n = 1; n <= 6; ++n) {
    GCountedPtr start(instance.CreatePageStart());
    GState* pageSettings = static_cast<GPageStart*>(start.Pointee())->GetSettings();
    EXPECT_EQ(ValueOf(pageSettings, kInputBin), n <= 4 ? 7 : 8) << n;
    auto* medium = dynamic_cast<GMedia*>(pageSettings->FindById(kPageMedia));
    ASSERT_NE(medium, nullptr);
    EXPECT_EQ(std::string(medium->GetMediaTypeName().Data()), n < 5 ? "Letterhead" : "Plain") << n;
  }
  // The first-page override keeps the first tray for every page.
  instance.SetFirstPageOverride(1);
  GCountedPtr start(instance.CreatePageStart());
  EXPECT_EQ(ValueOf(static_cast<GPageStart*>(start.Pointee())->GetSettings(), kInputBin), 7);
}

TEST_F(RenderInstanceTest, ALetterheadPageAloneGetsABlankBack) {
  qvtest::RecordingSource source;
  installable->AddChild(new GValueAttribute(1, &kLetterheadDuplex));
  auto* layout = NewGroup(kNUpLayout);
  layout->AddChild(new GValueAttribute(1, &kNUpChoice));
  job->AddChild(layout);
  options->AddChild(new GStringAttribute(RWCString("Preprinted"), &kMediaType));
  instance.BeginJob();
  instance.SetDocumentPending(1);
  ASSERT_EQ(instance.StartDocument(), 0);
  GPageStart* start = instance.CreatePageStart();
  EXPECT_EQ(ValueOf(start->GetSettings(), kDuplex), 2);
  EXPECT_EQ(instance.SendToPrinter(start), 0);
  EXPECT_EQ(instance.SendToPrinter(instance.CreatePageEnd()), 0);
  generator->log.clear();
  EXPECT_EQ(instance.FinishLetterheadPage(), 0);
  const std::vector<std::string> expected = {"PageStart", "PageEnd"};
  EXPECT_EQ(generator->log, expected);
  EXPECT_EQ(instance.GetPageNumber(), 1);
  EXPECT_EQ(instance.FinishLetterheadPage(), 0);
  EXPECT_EQ(generator->log.size(), 2u);
}

// ---- Media ----

TEST_F(RenderInstanceTest, OrientMediumTurnsTheMediumInPlace) {
  std::unique_ptr<GMedia> medium(instance.CreateMediaForPaper(1));
  ASSERT_NE(medium, nullptr);
  medium->SetFeatureId(kPageMedia);
  EXPECT_EQ(medium->GetOrientation(), 0);
  instance.OrientMedium(medium.get(), 90);
  EXPECT_EQ(medium->GetOrientation(), 90);
  EXPECT_EQ(medium->GetSize()->x, 6600);
  EXPECT_EQ(medium->GetSize()->y, 5100);
  EXPECT_EQ(medium->FeatureId(), kPageMedia);
  // An orientation the pool does not hold leaves it as it is.
  instance.OrientMedium(medium.get(), 180);
  EXPECT_EQ(medium->GetOrientation(), 90);
}

TEST_F(RenderInstanceTest, CustomPaperComesFromTheCustomListAndEdgeToEdgeNarrowsTheMargins) {
  auto* list = NewGroup(kCustomPaperList);
  list->AddChild(new GCustomMediaSize(0x4001, RWCString("Card"), 0, 4000, 6000, &kCustomMedia));
  settings->AddChild(list);
  std::unique_ptr<GMedia> custom(instance.CreateMediaForPaper(0x4001));
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->GetPaperId(), 0x4001);
  EXPECT_EQ(instance.CreateMediaForPaper(0x4002), nullptr);


  // Edge to edge: margins of 0.1 by 0.2 inch at 600 dpi, turned with the
  // medium.
  configuration->AddChild(new GValueAttribute(1000, &kEdgeToEdgeMarginX));
  configuration->AddChild(new GValueAttribute(2000, &kEdgeToEdgeMarginY));
  settings->AddChild(new GValueAttribute(1, &kEdgeToEdge));
  std::unique_ptr<GMedia> letter(instance.CreateMediaForPaper(1));
  ASSERT_NE(letter, nullptr);
  EXPECT_EQ(letter->GetImageableOrigin()->x, 60);
  EXPECT_EQ(letter->GetImageableOrigin()->y, 120);
  EXPECT_EQ(letter->GetImageableExtent()->x, 5100 - 120);
  EXPECT_EQ(letter->GetImageableExtent()->y, 6600 - 240);
  std::unique_ptr<GMedia> turned(instance.CreateMediaForPaperSize(1, 600, 600, 90));
  ASSERT_NE(turned, nullptr);
  EXPECT_EQ(turned->GetImageableOrigin()->x, 120);
  EXPECT_EQ(turned->GetImageableOrigin()->y, 60);
}

// ---- The job name ----

TEST_F(RenderInstanceTest, TheJobNameInAsciiModeIsTheUpperCaseFileName) {
  const std::string stamp = "20260307090501";
  struct Case {
    const char16_t* document;
    const char* defaultName;  // null: none
    std::string expected;
  } cases[] = {
      {u"C:\\Docs\\Q1\\report.txt", nullptr, "REPORT.TXT"},
      {u"/home/ann/notes/plan.md", nullptr, "PLAN.MD"},
      {u"Microsoft Word - Budget plan", nullptr, "BUDGET PLAN"},
      {u"ALREADY UPPER", nullptr, "ALREADY UPPER"},
      {u"12345", nullptr, "12345"},
      {u"say \"hi\"", nullptr, stamp},
      {u"tab\there", nullptr, stamp},
      {u"caf\u00e9", nullptr, stamp},
      {u"abcdefghijklmnopqrstuvwxyz", nullptr, "ABCDEFGHIJKLMNOP"},
      {u"", nullptr, stamp},
      {u"", "NIGHTLY RUN", "NIGHTLY RUN"},
      {u"", "nightly", "NIGHTLY"},
  };
  for (const Case& c : cases) {
    delete job->RemoveChildById(kDefaultJobName);
    if (c.defaultName != nullptr) job->AddChild(new GStringAttribute(RWCString(c.defaultName), &kDefaultJobName));
    instance.SetDocumentName(RWWString(c.document));
    const RWCString text = instance.BuildJobName();
    EXPECT_EQ(std::string(text.Data()), c.expected) << qvtest::Text(RWWString(c.document)).size();
    EXPECT_EQ(qvtest::Text(instance.GetJobName()), std::u16string(c.expected.begin(), c.expected.end()));
  }
}

TEST_F(RenderInstanceTest, JobStorageAppendsTheUniqueIdToThirteenCharacters) {
  job->AddChild(new GValueAttribute(1, &kJobStorageOn));
  job->AddChild(new GStringAttribute(RWCString("Secure"), &kJobStorageId));
  instance.SetDocumentName(RWWString(u"quarterly-results-final.doc"));
  EXPECT_EQ(std::string(instance.BuildJobName().Data()), "QUARTERLY-RES1");
  factory.uniqueId = u"4207";
  EXPECT_EQ(std::string(instance.BuildJobName().Data()), "QUARTERLY-RES420") << "cut to 16 characters";
  // Storage off: no suffix.
  static_cast<GValueAttribute*>(job->FindById(kJobStorageOn))->SetValue(0);
  EXPECT_EQ(std::string(instance.BuildJobName().Data()), "QUARTERLY-RESULT");
}

TEST_F(RenderInstanceTest, UnicodeModeChecksTheCharacterTableAndHandsOverUtf8) {
  job->AddChild(new GValueAttribute(1, &kUserNameByMap));
  instance.SetDocumentName(RWWString(u"\u041e\u0442\u0447\u0451\u0442"));
  // No table: the check fails.
  EXPECT_EQ(std::string(instance.BuildJobName().Data()), "20260307090501");
  // Two segments, 0x20-0x7E and 0x400-0x4FF, then the end segment.
  static unsigned char table[] = {0, 0,    6, 0,    4, 0,    1, 0,    2, 0,     // language, 2 x segments, search
                                  0x7E, 0, 0xFF, 4, 0xFF, 0xFF, 0, 0,              // ends, pad
                                  0x20, 0, 0x00, 4, 0xFF, 0xFF};                   // starts
  configuration->AddChild(new GBinaryData(table, sizeof table, 0, kDisplayCharMap));
  EXPECT_EQ(std::string(instance.BuildJobName().Data()), "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82");
  EXPECT_EQ(qvtest::Text(instance.GetJobName()), u"\u041e\u0442\u0447\u0451\u0442");
  // Lower case stays as it is in this mode.
  instance.SetDocumentName(RWWString(u"draft v2"));
  EXPECT_EQ(std::string(instance.BuildJobName().Data()), "draft v2");
  // A character outside every range: the time stamp.
  instance.SetDocumentName(RWWString(u"\u65e5\u672c"));
  EXPECT_EQ(std::string(instance.BuildJobName().Data()), "20260307090501");
}

TEST_F(RenderInstanceTest, StoreJobNameFillsTheJobNameSettingAndTheDocumentStartCarriesIt) {
  qvtest::RecordingSource source;
  instance.SetDocumentName(RWWString(u"memo.txt"));
  instance.StoreJobName();
  EXPECT_TRUE(instance.GetJobName().Length() == 0) << "no job-name setting: the name is emptied";
  job->AddChild(new GStringAttribute(RWCString(""), &kJobName));
  instance.StoreJobName();
  RWCString stored;
  ASSERT_TRUE(GSettingQuery::TextAt(job, kJobName, &stored));
  EXPECT_EQ(std::string(stored.Data()), "MEMO.TXT");
  EXPECT_EQ(RunJob(1), 0);
  EXPECT_EQ(generator->jobText, "MEMO.TXT");
}

TEST(RenderInstanceUtf8Test, EncodesUtf16WithSurrogatesAndReportsErrors) {
  struct Case {
    std::u16string text;
    int lenient;
    size_t room;
    int status;
    std::string bytes;  // written when status is 0
  } cases[] = {
      {u"A\u00e9\u20ac", 0, 16, 0, "A\xC3\xA9\xE2\x82\xAC"},
      {u"\U0001F600", 0, 16, 0, "\xF0\x9F\x98\x80"},
      {u"\xD83D" u"A", 0, 16, 3, ""},
      {u"\xDE00", 0, 16, 3, ""},
      {u"\xDE00", 1, 16, 0, "\xED\xB8\x80"},
      {u"\xD83D" u"A", 1, 16, 0, "\xED\xA0\xBD" "A"},
      {u"x\xD83D", 0, 16, 0, "x\xED\xA0\xBD"},
      {u"\u20ac", 0, 3, 0, "\xE2\x82\xAC"},
      {u"\u20ac", 0, 2, 2, ""},
      {std::u16string(u"a\0b", 3), 0, 16, 0, std::string("a\0", 2)},
  };
  for (const Case& c : cases) {
    uint8_t out[16] = {};
    const int status =
        GRenderInstance::EncodeUtf8(c.text.data(), c.text.data() + c.text.size(), out, out + c.room, c.lenient);
    EXPECT_EQ(status, c.status) << c.bytes.size();
    if (status == 0) EXPECT_EQ(std::string(reinterpret_cast<char*>(out), c.bytes.size()), c.bytes);
  }
  const std::u16string mixed = u"a\u00e9\u20ac\xD83D\xDE00";
  EXPECT_EQ(GRenderInstance::Utf8Length(mixed.data(), mixed.data() + mixed.size()), 1 + 2 + 3 + 3 + 3);
}

TEST_F(RenderInstanceTest, PassThroughDataStartsThePageUnlessPostScriptSendsItDirectly) {
  qvtest::RecordingSource source;
  static const uint8_t bytes[] = {'%', '!', '\n'};
  instance.BeginJob();
  instance.SetDocumentPending(1);
  instance.SetPagePending(1);
  EXPECT_EQ(instance.SendPassThrough(bytes, 3, 788, 1, 0, 1), 0);
  const std::vector<std::string> started = {"DocumentStart", "PageStart", "PassThrough"};
  EXPECT_EQ(generator->log, started);
  EXPECT_TRUE(generator->passThroughMarked);
  EXPECT_EQ(instance.SendToPrinter(instance.CreateDocumentEnd()), 0);

  // A PostScript printer takes direct data at once, page or no page.
  auto* postScript = new RenderTestGenerator(GRenderInstance::kPostScriptGenerator);
  delete printer->RemoveChild(generator);
  printer->AddChild(postScript);
  instance.BeginJob();
  ASSERT_EQ(instance.IsPostScript(), 1);
  instance.SetDocumentPending(1);
  instance.SetPagePending(1);
  EXPECT_EQ(instance.SendPassThrough(bytes, 3, 768, 0, 0, 1), 0);
  EXPECT_EQ(postScript->log, std::vector<std::string>{"PassThrough"});
  EXPECT_FALSE(postScript->passThroughMarked);
  // Not direct: through the page like any other command.
  EXPECT_EQ(instance.SendPassThrough(bytes, 3, 768, 0, 0, 0), 0);
  const std::vector<std::string> then = {"PassThrough", "DocumentStart", "PageStart", "PassThrough"};
  EXPECT_EQ(postScript->log, then);
  generator = postScript;
}

// ---- Documents of a job, the job gate, large paper ----

TEST_F(RenderInstanceTest, EachFurtherDocumentOfAJobCarriesItsCount) {
  qvtest::RecordingSource source;
  auto runDocument = [&] {
    instance.SetDocumentPending(1);
    ASSERT_EQ(instance.StartDocument(), 0);
    instance.SetPagePending(1);
    ASSERT_EQ(instance.Send(new GNoCommand), 0);
    ASSERT_EQ(instance.SendToPrinter(instance.CreatePageEnd()), 0);
    ASSERT_EQ(instance.SendToPrinter(instance.CreateDocumentEnd()), 0);
  };
  instance.BeginJob();
  runDocument();
  runDocument();
  runDocument();
  EXPECT_EQ(instance.GetDocumentCount(), 3);
  // A new job counts from 0 again.
  instance.BeginJob();
  EXPECT_EQ(instance.GetDocumentCount(), 0);
  runDocument();
  // The first document of a job is 0 (the PostScript generator takes it as
  // a job of its own), further documents of the same job 1, 2, ...
  EXPECT_EQ(generator->documentCounts, (std::vector<int32_t>{0, 1, 2, 0}));
}

// A front-end hook that holds the job back with a status and counts what it
// was asked.
class HoldingGateHook : public GJobGateHook {
 public:
  explicit HoldingGateHook(int* detached) : detached_(detached) {}
  void Register(GJobGate* gate, int32_t value) override {
    registeredGate = gate;
    registeredValue = value;
  }
  int16_t Status() override { return status; }
  int Accepts(int32_t value) override { return value == accepted ? 1 : 0; }
  void Detached() override { ++*detached_; }
  int32_t Forward(int32_t value) override { return value + 1; }
  int32_t Forward(int32_t a, int32_t b, int32_t c, int32_t d) override { return a + b + c + d; }

  int16_t status = 0;
  int32_t accepted = 5;
  GJobGate* registeredGate = nullptr;
  int32_t registeredValue = 0;

 private:
  int* detached_;
};

TEST_F(RenderInstanceTest, TheJobGateHoldsCommandsBackButLetsTheKeptOneThrough) {
  qvtest::RecordingSource source;
  int detached = 0;
  auto* hook = new HoldingGateHook(&detached);
  GJobGate& gate = instance.GetJobGate();
  gate.Attach(hook, 42);
  EXPECT_EQ(hook->registeredGate, &gate);
  EXPECT_EQ(hook->registeredValue, 42);
  EXPECT_EQ(gate.Forward(1), 2);
  EXPECT_EQ(gate.Forward(1, 2, 3, 4), 10);

  instance.BeginJob();
  instance.SetDocumentPending(1);
  ASSERT_EQ(instance.StartDocument(), 0);
  hook->status = 9;
  EXPECT_EQ(instance.SendToPrinter(instance.CreatePageStart()), 9) << "held back: the hook's status";
  EXPECT_EQ(instance.GetJobStatus(), 0) << "holding back is not a failure";
  // Pass-through data kept through the gate passes while the hook holds.
  static const uint8_t bytes[] = {'x'};
  EXPECT_EQ(instance.SendPassThrough(bytes, 1, 788, 0, 1, 0), 0);
  EXPECT_EQ(gate.IsSet(), 0) << "the token is used up by its own command";
  EXPECT_EQ(instance.SendToPrinter(instance.CreateDocumentEnd()), 9);
  EXPECT_EQ(generator->log, (std::vector<std::string>{"DocumentStart", "PassThrough"}));
  hook->status = 0;
  EXPECT_EQ(instance.SendToPrinter(instance.CreateDocumentEnd()), 0);

  // Poll keeps a hook that serves the value and lets go of one that does not.
  EXPECT_EQ(gate.FindHook(5), hook);
  EXPECT_EQ(gate.FindHook(6), nullptr);
  EXPECT_EQ(gate.Poll(5), 1);
  EXPECT_EQ(gate.Poll(6), 2);
  EXPECT_EQ(detached, 1);
  EXPECT_EQ(gate.GetHook(), nullptr);
  EXPECT_EQ(gate.Poll(5), 2);
  EXPECT_EQ(gate.HookStatus(), 0);
}

TEST_F(RenderInstanceTest, LargePaperIsPrintedScaledOntoThePaperThePrinterTakes) {
  // The largest paper the printer prints is Letter; paper 22 is larger.
  auto* pool = dynamic_cast<GMediaPool*>(configuration->FindById(kPrinterMediaPool));
  ASSERT_NE(pool, nullptr);
  for (int32_t o : {0, 90}) {
    pool->AddChild(NewMedium(17384, o, 5100, 6600, kCustomMedia));
    pool->AddChild(NewMedium(22, o, 7014, 9920, kCustomMedia));
  }
  auto* paper = static_cast<GValueAttribute*>(job->FindById(kPaperSize));
  job->AddChild(new GValueAttribute(1, &kTTAsBitmapSetting));
  job->AddChild(new GValueAttribute(4, &kNUpChoice));
  job->AddChild(new GValueAttribute(0, &kFitToOtherSizeChoice));
  struct Case {
    int16_t paper;
    int16_t rule;  // 915; -1 absent
    bool scaled;
  } cases[] = {{22, 1, true}, {22, 0, false}, {22, -1, false}, {1, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.paper * 10 + c.rule);
    paper->SetValue(c.paper);
    delete options->RemoveChildById(kScaleFromLargePaper);
    if (c.rule >= 0) options->AddChild(new GValueAttribute(c.rule, &kScaleFromLargePaper));
    GCountedPtr state(instance.BuildJobState());
    EXPECT_EQ(ValueOf(state.Pointee(), kFitToOtherSizeChoice), c.scaled ? 1 : 0);
    auto* target = dynamic_cast<GMedia*>(state.Pointee()->FindById(kTargetMedia));
    if (c.scaled) {
      ASSERT_NE(target, nullptr);
      EXPECT_EQ(target->GetPaperId(), 23) << "the page shrinks onto the target size";
      EXPECT_EQ(ValueOf(state.Pointee(), kScalePageChoice), 1);
      EXPECT_EQ(ValueOf(state.Pointee(), kNUpChoice), 1);
      EXPECT_EQ(ValueOf(state.Pointee(), kScaleChoice), 100);
      EXPECT_EQ(ValueOf(state.Pointee(), kTTAsBitmapSetting), 0);
    } else {
      EXPECT_EQ(target, nullptr);
      EXPECT_EQ(ValueOf(state.Pointee(), kNUpChoice), 4);
    }
    EXPECT_EQ(ValueOf(job, kFitToOtherSizeChoice), 0) << "the job group itself is left as it was";
  }
}

}  // namespace
