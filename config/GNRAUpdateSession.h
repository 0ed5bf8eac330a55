// GNRAUpdateSession: one auto-configuration of a printer through the
// network registry agent. The session leaves its requests in the printer's
// printer data, each value holding a placeholder (" " for texts, 6400 for
// numbers, no bytes for the device memory), sets "QvrdbUpdateRequest" to 1,
// wakes the agent through the provider and, after the agent's synchronous
// answer, reads the same values back: an answer is present when the value
// reads with the expected type and no longer holds its placeholder. The
// answers (model, memory, disk, duplex path, paper-handling accessories,
// trays, bins, media names, options) go into the printer configuration.
//
// Every answer is outside input: reads are bounded and counts are capped.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/GProvider.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

class GAttributeComposite;
class GNRAProvider;
class GPaperHandlingDevice;

class GNRAUpdateSession : public GProviderSession {
 public:
  // Result codes of Run and the handlers.
  static constexpr int16_t kDone = 0;
  static constexpr int16_t kMissing = 1;       // an answer or a value is missing, or a write failed
  static constexpr int16_t kNoHandler = 6;
  static constexpr int16_t kUnsupportedModel = 8;
  static constexpr int16_t kAgentDidNotAnswer = 602;

  // Placeholders and the value the agent's answers are read back from.
  static constexpr DWORD kNumberPlaceholder = 6400;
  static constexpr const char16_t* kTextPlaceholder = u" ";

  // Bounds on what the agent's answers may make the session do or keep: the
  // indices of one index range that are asked for, the options counted for
  // one accessory, and the bytes of one text or binary answer.
  static constexpr int32_t kMaxIndexCount = 256;
  static constexpr DWORD kMaxOptionsPerDevice = 64;
  static constexpr DWORD kMaxAnswerBytes = 32768;

  // One tray record: an input index and the capacity the agent reported.
  using TrayRecord = std::pair<int32_t, int32_t>;

  // Opens the instance's printer with every right and announces the agent
  // name, clearing the update request; the printer's MODEL_NAME becomes the
  // reported model when it can be read.
  GNRAUpdateSession(GNRAProvider* provider, const RWCString& registeredName, GDriverInstance* instance,
                    const RWWString& portName);
  ~GNRAUpdateSession() override;
  GNRAUpdateSession(const GNRAUpdateSession&) = delete;
  GNRAUpdateSession& operator=(const GNRAUpdateSession&) = delete;

  // 1 when a reported model is known.
  int HasModelName() override;
  // Asks the agent and fills the configuration's AutoConfiguration (228).
  int16_t Run(MPersistentObject* configuration, int checkModel) override;

  // Writes "RegistryAgentName" = "QVNRA" and "QvrdbUpdateRequest" = 0 and
  // reads MODEL_NAME into the reported model; 1 when both writes worked.
  int AnnounceToAgent();
  // Sets the update request and sends the agent its two requests; on any
  // failure the request is cleared again and the answer is 0. The provider
  // forgets the agent afterwards in every case.
  int WakeAgent();
  // The handler of the first table row matching the attribute's feature id
  // and class id, or 6.
  int16_t HandleObject(MPersistentObject* attribute, int pass);
  // HandleObject on every child: the last result other than 0 and 6; else 6
  // when any child gave 6; else 0.
  int16_t HandleChildren(MPersistentObject* composite, int pass);

  // ---- Handlers of the table; pass 0 writes the requests, pass 1 reads ----
  int16_t HandleModelName(MPersistentObject* attribute, int pass);
  int16_t HandleAvailableMemory(MPersistentObject* attribute, int pass);
  int16_t HandleDuplexPath(MPersistentObject* attribute, int pass);
  int16_t HandleMemorySize(MPersistentObject* attribute, int pass);
  int16_t HandlePluxMode(MPersistentObject* attribute, int pass);
  int16_t HandleTray1Capacity(MPersistentObject* attribute, int pass);
  int16_t HandlePaperHandlingDevices(MPersistentObject* attribute, int pass);
  int16_t HandleMediaNames(MPersistentObject* attribute, int pass);
  int16_t HandleDiskStorage(MPersistentObject* attribute, int pass);
  int16_t HandleHeldJobs(MPersistentObject* attribute, int pass);
  int16_t HandleScannerSource(MPersistentObject* attribute, int pass);
  int16_t HandleDeviceOptions(MPersistentObject* attribute, int pass);

  // Every tray of the option passes against the records (an option without
  // trays does not match); 1 when it matches.
  static int TraysMatchCapacities(MPersistentObject* option, const std::vector<TrayRecord>& records);
  // The input index a tray number is compared with; 0 for a number that
  // has none.
  static int32_t InputIndexOfTray(int16_t trayNumber);
  // The option key a device-memory answer names, or 0.
  static int16_t DecodeDeviceMemory(const std::vector<BYTE>& bytes);
  // Gives the installed output accessories' bins, counted from 1 across the
  // devices, the reported names of the counts first..last; the bins of the
  // mailbox option (2) of types 4-19 also become DiscoveredBinNames.
  void ApplyOutputBinNames(MPersistentObject* devices, const std::vector<RWCString>& names, int32_t first,
                           int32_t last);
  // The number of bytes of the available-memory answer in units of 10485
  // bytes, as the single-precision factor gives them.
  static int32_t MemoryUnits(DWORD bytes);

  // ---- Printer data on the session's handle ----
  int ReadDword(const std::u16string& name, DWORD* value);
  int ReadString(const std::u16string& name, std::u16string* text);
  int ReadBinary(const std::u16string& name, std::vector<BYTE>* bytes);
  int WriteDword(const std::u16string& name, DWORD value);
  int WriteString(const std::u16string& name, const std::u16string& text);
  int WriteBinary(const std::u16string& name, const std::vector<BYTE>& bytes);
  int SetUpdateRequest(DWORD value);

  HANDLE GetPrinterHandle() const { return printer_; }
  const RWWString& GetPrinterName() const { return printerName_; }
  const RWCString& GetRegisteredName() const { return registeredName_; }

 private:
  using Handler = int16_t (GNRAUpdateSession::*)(MPersistentObject* attribute, int pass);
  struct Row {
    int32_t featureId;
    RWClassID classId;
    Handler handler;
  };
  static const Row kHandlers[];

  // The first and last index of the range attribute of the configuration
  // (at most kMaxIndexCount of them); false when there is no range.
  bool IndexRange(int32_t rangeId, int32_t* first, int32_t* last) const;
  // Request of one number / one text per index of a range; 1 when a write
  // failed.
  int16_t WriteNumberRequests(int32_t rangeId, const char16_t* prefix, const char16_t* suffix);
  MPersistentObject* FindInConfiguration(int32_t id) const;
  // Finds the reported devices, the tray records and chooses the devices'
  // options and installed flags (steps 1 to 3 of pass 1).
  void DetectDevices(MPersistentObject* devices);

  GNRAProvider* nraProvider_;
  HANDLE printer_ = nullptr;
  RWWString printerName_;
  RWCString registeredName_;
  MPersistentObject* configuration_ = nullptr;
  int checkModel_ = 0;
};
