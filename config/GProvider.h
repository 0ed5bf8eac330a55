// GProvider: a source of outside data for a printer, offering services
// described by a 32-bit mask: the low 16 bits output channels towards the
// printer, the high 16 bits sessions that fill the printer's configuration
// from the device (0x10000, auto-configuration). Providers are registered
// by name with the provider registry. GProviderSession is the exchange a
// provider creates for one printer.
#pragma once

#include <cstdint>

#include "driver/GDriverInstance.h"
#include "model/MPersistentObject.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GOutputChannel;
class GProviderSession;

constexpr RWClassID GProviderClassId = 952;

// The service of the auto-configuration session.
constexpr int kAutoConfigurationService = 0x10000;

class GProvider : public MPersistentObject {
 public:
  GProvider();
  GProvider(const GProvider& other);
  ~GProvider() override;

  static RWClassID StaticClassId() { return GProviderClassId; }
  static uint32_t ClassVersion() { return 1; }

  // ---- Persistence: the body, then the version; nothing more ----
  RW_STORED_MEMBERS();
  // True for 952 and 751.
  int DerivesFrom(RWClassID classId) const override;
  // Same feature id and the persistent-object comparison.
  int Matches(const MPersistentObject* other) const override;

  // ---- Provider operations ----
  // A session for the instance, owned by the caller; null here.
  virtual GProviderSession* CreateSession(GDriverInstance* instance, const RWCString& registeredName, int services,
                                          const RWWString& portName);
  // An output channel, owned by the caller; null here.
  virtual GOutputChannel* CreateOutputChannel(MPersistentObject* settings, const RWCString& registeredName,
                                              int services, const RWWString& portName);
  virtual int GetServiceMask() = 0;
  // 1 when every requested bit is offered.
  virtual int SupportsServices(int services);
};

// One exchange with a printer; the caller of the registry's CreateSession
// owns it. As the driver instance's update object, one run of Run.
class GProviderSession : public GUpdateSession {
 public:
  GProviderSession(GProvider* provider, GDriverInstance* instance, const RWWString& portName);
  ~GProviderSession() override;

  virtual int HasModelName() = 0;
  virtual RWCString GetText();
  virtual RWCString GetReportedModel();
  // Fills the configuration from the device; a 16-bit result code.
  virtual int16_t Run(MPersistentObject* configuration, int checkModel) = 0;

  int16_t Update(MPersistentObject* configuration, int modelCheck) override {
    return Run(configuration, modelCheck);
  }

  GProvider* GetProvider() const { return provider_; }
  GDriverInstance* GetDriverInstance() const { return instance_; }
  const RWWString& GetPortName() const { return portName_; }

 protected:
  void SetReportedModel(const RWCString& model) { reportedModel_ = model; }

 private:
  GProvider* provider_;
  GDriverInstance* instance_;
  RWWString portName_;
  RWCString text_;
  RWCString reportedModel_;
};
