#include "rw/RWReadTable.h"

#include <cstring>
#include <exception>
#include <new>

#include "rw/RWError.h"
#include "rw/RWGrowCapacity.h"

namespace {

constexpr uint32_t kInitialCapacity = 30;
// The array never grows past 2 GB, so the growth policy's product stays in
// range and a damaged input cannot make it raise.
constexpr uint32_t kMaxCapacity = 0x7FFFFFFFu / sizeof(RWReadTableEntry) / 2;

thread_local RWReadTable* t_readTable = nullptr;
thread_local std::string t_lastFailure;

void RaiseRef() {
  RWMessageText text(RWToolsMsg_REF());
  RWRaiseInternalLogicError(RWInternalLogicError(text));
}

// The errors by which damaged input shows while a restore reads it.
bool IsInputError(const char* text) {
  static const char* const kPrefixes[] = {"[MAGIC]", "[REF]", "[NOCREATE]", "[STREAM]", "[SYNSTREAM]"};
  for (const char* prefix : kPrefixes) {
    if (std::strncmp(text, prefix, std::strlen(prefix)) == 0) return true;
  }
  return false;
}

}  // namespace

// ---- RWReadTable ----

RWReadTable::RWReadTable()
    : slots_(new RWReadTableEntry[kInitialCapacity]()), capacity_(kInitialCapacity) {
  slots_[0] = RWReadTableEntry::ForObject(&RWNullObjectInstance);
  count_ = 1;
}

RWReadTable::~RWReadTable() { delete[] slots_; }

bool RWReadTable::Append(uint32_t& index, const RWReadTableEntry& entry) {
  if (count_ == capacity_) {
    if (capacity_ >= kMaxCapacity) return false;
    const uint32_t grown = RWGrowCapacity(capacity_, sizeof(RWReadTableEntry));
    auto* slots = new (std::nothrow) RWReadTableEntry[grown]();
    if (slots == nullptr) return false;
    std::memcpy(slots, slots_, sizeof(RWReadTableEntry) * count_);
    delete[] slots_;
    slots_ = slots;
    capacity_ = grown;
  }
  index = count_;
  slots_[count_++] = entry;
  return true;
}

bool RWReadTable::ObjectAt(uint32_t index, const RWCollectable* expected, RWCollectable*& object) {
  if (index >= count_ || slots_[index].holdsClassId ||
      (expected != nullptr && slots_[index].object != expected)) {
    RaiseRef();
    return false;
  }
  object = slots_[index].object == &RWNullObjectInstance ? nullptr : slots_[index].object;
  return true;
}

bool RWReadTable::ClassIdAt(uint32_t index, RWClassID& id) {
  if (index >= count_ || !slots_[index].holdsClassId) {
    RaiseRef();
    return false;
  }
  id = slots_[index].classId;
  return true;
}

void RWReadTable::Fail(const char* text) {
  if (!failed_) failureText_ = text;
  failed_ = true;
}

void RWReadTable::Created(RWCollectable* object) { created_.push_back(object); }

void RWReadTable::Adopt(const RWCollectable* object) { adopted_.insert(object); }

void RWReadTable::DeleteCreated() {
  while (!created_.empty()) {
    RWCollectable* object = created_.back();
    created_.pop_back();
    if (adopted_.count(object) == 0) delete object;
  }
  adopted_.clear();
}

// ---- RWReadTableGuard ----

// Turns the errors of damaged input into a failure of the restore; any
// other error goes on to an earlier interceptor or to the handler.
class RWReadTableGuard::Interceptor final : public RWErrorInterceptor {
 public:
  explicit Interceptor(RWReadTable* table) : table_(table), previous_(RWSetThreadErrorInterceptor(this)) {}
  ~Interceptor() { RWSetThreadErrorInterceptor(previous_); }

  bool Intercept(const RWLibraryError& error) override {
    if (IsInputError(error.Text())) {
      table_->Fail(error.Text());
      return true;
    }
    return previous_ != nullptr && previous_->Intercept(error);
  }

 private:
  RWReadTable* table_;
  RWErrorInterceptor* previous_;
};

RWReadTableGuard::RWReadTableGuard() : table_(t_readTable), topLevel_(false) {
  if (table_ == nullptr) {
    table_ = new RWReadTable;
    t_readTable = table_;
    topLevel_ = true;
    uncaught_ = std::uncaught_exceptions();
    interceptor_ = new Interceptor(table_);
  }
}

RWReadTableGuard::~RWReadTableGuard() {
  if (!topLevel_) return;
  delete interceptor_;
  // A restore left by an exception (a handler that throws) is as good as
  // failed: what it created is freed too.
  if (std::uncaught_exceptions() > uncaught_) table_->Fail("");
  if (table_->Failed()) table_->DeleteCreated();
  t_lastFailure = table_->Failed() ? table_->FailureText() : std::string();
  t_readTable = nullptr;
  delete table_;
}

void RWReadTableGuard::Adopt(const RWCollectable* object) {
  if (t_readTable != nullptr && object != nullptr) t_readTable->Adopt(object);
}

bool RWReadTableGuard::RestoreFailed() { return t_readTable != nullptr && t_readTable->Failed(); }

std::string RWReadTableGuard::LastFailureText() { return t_lastFailure; }
