// GValueStore: a store of named values of one printer (printer-data values,
// chunked blobs and stored objects). NumberedValueStore is the platform's
// one implementation: it forwards every operation to the platform factory
// with the driver instance it is bound to, and can name a value by a number,
// whose decimal text is then the value name.
#pragma once

#include "rw/RWWString.h"
#include "win32/Types.h"

class GDriverInstance;
class GOSFactory;
class MPersistentObject;

class GValueStore {
 public:
  GValueStore() = default;
  GValueStore(const GValueStore&) = delete;
  GValueStore& operator=(const GValueStore&) = delete;
  virtual ~GValueStore();

  virtual int SetDword(const RWWString& name, DWORD value) = 0;
  virtual int SetString(const RWWString& name, const RWWString& text) = 0;
  virtual int WriteBlob(const RWWString& name, const void* data, DWORD size) = 0;
  virtual int StoreObject(const RWWString& name, const MPersistentObject* object) = 0;
  virtual int StoreObjectByNumber(const int* number, const MPersistentObject* object) = 0;
  virtual DWORD GetDword(const RWWString& name, DWORD defaultValue) = 0;
  virtual void GetString(RWWString* out, const RWWString& name, const RWWString& defaultText) = 0;
  virtual int ReadBlob(const RWWString& name, void* buffer, DWORD capacity, DWORD* size) = 0;
  virtual MPersistentObject* LoadObject(const RWWString& name, int portable) = 0;
  virtual MPersistentObject* LoadObjectByNumber(const int* number, int portable) = 0;
};

class NumberedValueStore : public GValueStore {
 public:
  // Bound to the instance and to the process-wide factory of this moment.
  explicit NumberedValueStore(GDriverInstance* instance);
  ~NumberedValueStore() override;

  int SetDword(const RWWString& name, DWORD value) override;
  int SetString(const RWWString& name, const RWWString& text) override;
  int WriteBlob(const RWWString& name, const void* data, DWORD size) override;
  int StoreObject(const RWWString& name, const MPersistentObject* object) override;
  int StoreObjectByNumber(const int* number, const MPersistentObject* object) override;
  DWORD GetDword(const RWWString& name, DWORD defaultValue) override;
  void GetString(RWWString* out, const RWWString& name, const RWWString& defaultText) override;
  int ReadBlob(const RWWString& name, void* buffer, DWORD capacity, DWORD* size) override;
  MPersistentObject* LoadObject(const RWWString& name, int portable) override;
  MPersistentObject* LoadObjectByNumber(const int* number, int portable) override;

  // The value name of a number: its decimal text, with a leading minus when
  // it is negative.
  static RWWString NumberName(int number);

 private:
  GDriverInstance* instance_;
  GOSFactory* factory_;
};
