// GDocumentCommand: the commands that mark the start and the end of a
// document on its way down the print path. They carry the job settings
// (a GState stamped 246), the document and port names, and the output
// channel once a peripheral has opened one; the start also names the
// print-side driver instance of the job and the narrow job text it handed
// over.
#pragma once

#include <cstdint>

#include "model/GCommand.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "rw/RWMembers.h"

class GDriverInstance;
class GOutputChannel;
class GState;

constexpr RWClassID GDocumentCommandClassId = 704;
constexpr RWClassID GDocumentStartClassId = 705;
constexpr RWClassID GDocumentEndClassId = 706;

// Abstract: the two document boundaries.
class GDocumentCommand : public GCommand {
 public:
  GDocumentCommand(const GDocumentCommand& other);
  GDocumentCommand& operator=(const GDocumentCommand& other);
  // The channel is carried, not owned: it is left alone.
  ~GDocumentCommand() override;

  static RWClassID StaticClassId() { return GDocumentCommandClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_ID();
  // The command parts match, then equal port names and document names.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the command part: version 1, document name, port name.
  RW_STORED_MEMBERS();

  // Only a GState is taken, stamped 246; anything else is destroyed (unless
  // a handle holds it) and the old settings stay.
  void SetSettings(MPersistentObject* settings) override;

  const RWWString& GetDocumentName() const { return documentName_; }
  const RWWString& GetPortName() const { return portName_; }
  // Borrowed; null until a peripheral opened one.
  GOutputChannel* GetOutputChannel() const { return outputChannel_; }
  // Carries the channel from now on. The channel carried before is not
  // deleted: the peripheral that opened it owns it, and copies of this
  // command may still carry it.
  void SetOutputChannel(GOutputChannel* channel) { outputChannel_ = channel; }

 protected:
  // Settings stamped 246; without settings a fresh GState with id 246.
  GDocumentCommand(const RWWString& documentName, const RWWString& portName, GState* settings, const int32_t* id);

 private:

  RWWString documentName_;
  RWWString portName_;
  GOutputChannel* outputChannel_;  // carried, not owned
};

class GDocumentStart : public GDocumentCommand {
 public:
  // No instance, empty names and job text, fresh settings.
  explicit GDocumentStart(const int32_t* id = nullptr);
  // The form the print-side instance builds.
  GDocumentStart(const RWWString& documentName, const RWCString& jobText, const RWWString& portName,
                 GDriverInstance* instance, GState* settings, const int32_t* id = nullptr);
  GDocumentStart(const GDocumentStart& other);
  GDocumentStart& operator=(const GDocumentStart& other);
  ~GDocumentStart() override;

  static RWClassID StaticClassId() { return GDocumentStartClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GDocumentStart);
  // Same class, the same instance, and the document parts match.
  int Matches(const MPersistentObject* other) const override;

  // After the document body: version 1, a 32-bit flag (1 when an instance
  // is attached), then the instance's handle in the driver server. A
  // restored start refers to the live instance under that handle, or to
  // none; the job text is not stored.
  RW_STORED_MEMBERS();

  // The peripheral's DocumentStart with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;

  // The print-side instance of the job; null when none.
  GDriverInstance* GetDriverInstance() const { return instance_; }
  const RWCString& GetJobText() const { return jobText_; }

 private:
  // The instance's handle in the driver server's print-side table; false
  // when there is no instance or it is not registered there.
  bool InstanceHandle(int32_t& handle) const;

  GDriverInstance* instance_;  // not owned; outlives the job
  RWCString jobText_;
};

class GDocumentEnd : public GDocumentCommand {
 public:
  explicit GDocumentEnd(const int32_t* id = nullptr);
  GDocumentEnd(const GDocumentEnd& other);
  GDocumentEnd& operator=(const GDocumentEnd& other);
  ~GDocumentEnd() override;

  static RWClassID StaticClassId() { return GDocumentEndClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GDocumentEnd);
  // The same object; else the same class and the document parts match.
  int Matches(const MPersistentObject* other) const override;

  // After the document body: version 1.
  RW_STORED_MEMBERS();

  // The peripheral's DocumentEnd with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

RWCollectable* GDocumentStartCreate();
RWCollectable* GDocumentEndCreate();
