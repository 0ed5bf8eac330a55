// Error reporting of the container library: the two message catalogues, the
// formatted message text, the seven error classes and the process-wide,
// settable handler that every detected failure is passed to. The default
// handler shows a "Fatal Error" box and ends the process with code 1.
#pragma once

#include <cstdint>
#include <cstdio>

struct RWMessageRecord {
  const char* catalogue;  // "libtools" or "libcore"
  uint32_t id;
  const char* text;       // printf format
  uint32_t reserved;
};

// ---- Catalogue "libtools" (0x2000-0x2015) ----
const RWMessageRecord* RWToolsMsg_ALLOCOUT();
const RWMessageRecord* RWToolsMsg_BADRE();
const RWMessageRecord* RWToolsMsg_CRABS();
const RWMessageRecord* RWToolsMsg_FLIST();
const RWMessageRecord* RWToolsMsg_ID();
const RWMessageRecord* RWToolsMsg_INDEX();
const RWMessageRecord* RWToolsMsg_LOCK();
const RWMessageRecord* RWToolsMsg_LONGINDEX();
const RWMessageRecord* RWToolsMsg_MAGIC();
const RWMessageRecord* RWToolsMsg_NEVECL();
const RWMessageRecord* RWToolsMsg_NOCREATE();
const RWMessageRecord* RWToolsMsg_NOTALLOW();
const RWMessageRecord* RWToolsMsg_READERR();
const RWMessageRecord* RWToolsMsg_REF();
const RWMessageRecord* RWToolsMsg_SEEKERR();
const RWMessageRecord* RWToolsMsg_STREAM();
const RWMessageRecord* RWToolsMsg_SUBSTRING();
const RWMessageRecord* RWToolsMsg_UNLOCK();
const RWMessageRecord* RWToolsMsg_WRITEERR();
const RWMessageRecord* RWToolsMsg_INDEXERR();
const RWMessageRecord* RWToolsMsg_NPOSINDEX();
const RWMessageRecord* RWToolsMsg_NOPERSIST();

// ---- Catalogue "libcore" (0x1000-0x100A) ----
const RWMessageRecord* RWCoreMsg_EOF();
const RWMessageRecord* RWCoreMsg_GENERIC();
const RWMessageRecord* RWCoreMsg_INVADDR();
const RWMessageRecord* RWCoreMsg_LOCK();
const RWMessageRecord* RWCoreMsg_NOINIT();
const RWMessageRecord* RWCoreMsg_NOMEM();
const RWMessageRecord* RWCoreMsg_OPERR();
const RWMessageRecord* RWCoreMsg_OUTALLOC();
const RWMessageRecord* RWCoreMsg_OVFLOW();
const RWMessageRecord* RWCoreMsg_STREAM();
const RWMessageRecord* RWCoreMsg_SYNSTREAM();

// The whole catalogues, in id order (for tests and listings).
const RWMessageRecord* RWToolsCatalogue(unsigned* count);
const RWMessageRecord* RWCoreCatalogue(unsigned* count);

// One heap copy of a formatted message.
class RWMessageText {
 public:
  // Formats the record's default text with the arguments (at most 503
  // characters are kept).
  RWMessageText(const RWMessageRecord* record, ...);
  explicit RWMessageText(const char* text);
  RWMessageText(const RWMessageText& other);
  RWMessageText& operator=(const RWMessageText& other);
  ~RWMessageText();
  const char* Text() const { return text_; }

 private:
  char* text_;
};

class RWLibraryError {
 public:
  explicit RWLibraryError(const char* text);
  explicit RWLibraryError(const RWMessageText& text);
  // owns = 1 copies the text; owns = 0 borrows the pointer.
  RWLibraryError(const char* text, int owns);
  RWLibraryError(const RWLibraryError& other);
  RWLibraryError& operator=(const RWLibraryError&) = delete;
  virtual ~RWLibraryError();
  const char* Text() const { return text_; }
  int OwnsText() const { return owns_; }

 private:
  const char* text_;
  int32_t owns_;
};

class RWOutOfMemoryError : public RWLibraryError {
 public:
  // Borrows the NOMEM text: constructing it allocates nothing.
  explicit RWOutOfMemoryError(uint32_t size);
  ~RWOutOfMemoryError() override;
  uint32_t RequestedSize() const { return size_; }

 private:
  uint32_t size_;
};

class RWExternalDataError : public RWLibraryError {
 public:
  explicit RWExternalDataError(const char* text);
  explicit RWExternalDataError(const RWMessageText& text);
  ~RWExternalDataError() override;
};

class RWFileIoError : public RWExternalDataError {
 public:
  enum Code { Seek = 1, Read = 2, Write = 3 };
  RWFileIoError(const char* text, FILE* file, int code);
  RWFileIoError(const RWMessageText& text, FILE* file, int code);
  ~RWFileIoError() override;
  FILE* File() const { return file_; }
  int Code() const { return code_; }

 private:
  FILE* file_;
  int32_t code_;
};

class RWStreamIoError : public RWExternalDataError {
 public:
  RWStreamIoError(const char* text, const void* stream);
  RWStreamIoError(const RWMessageText& text, const void* stream);
  ~RWStreamIoError() override;
  const void* Stream() const { return stream_; }

 private:
  const void* stream_;
};

class RWInternalLogicError : public RWLibraryError {
 public:
  explicit RWInternalLogicError(const char* text);
  explicit RWInternalLogicError(const RWMessageText& text);
  ~RWInternalLogicError() override;
};

class RWIndexError : public RWInternalLogicError {
 public:
  explicit RWIndexError(const char* text);
  explicit RWIndexError(const RWMessageText& text);
  ~RWIndexError() override;
};

typedef void (*RWErrorHandler)(const RWLibraryError&);

// Installs a handler and returns the previous one.
RWErrorHandler RWSetErrorHandler(RWErrorHandler handler);
// Shows the text in a task-modal "Fatal Error" box and ends the process with code 1.
[[noreturn]] void RWDefaultErrorHandler(const RWLibraryError& error);

// A per-thread hook in front of the handler. While a thread has one, each
// error raised on that thread is first offered to it; when Intercept returns
// true the raise returns at once and the handler is not called. Restoring a
// stored object graph uses it to turn damaged input into a failed restore.
class RWErrorInterceptor {
 public:
  virtual bool Intercept(const RWLibraryError& error) = 0;

 protected:
  ~RWErrorInterceptor() = default;
};

// Sets this thread's interceptor (null for none) and returns the previous one.
RWErrorInterceptor* RWSetThreadErrorInterceptor(RWErrorInterceptor* interceptor);

// While it lives, every error raised on this thread is taken and counted
// instead of reaching the handler. For operations on outside input whose
// failure already shows in their own state (a stream whose header is
// damaged is left failed), so that damaged input never ends the process.
class RWQuietErrorScope : private RWErrorInterceptor {
 public:
  RWQuietErrorScope() : previous_(RWSetThreadErrorInterceptor(this)) {}
  ~RWQuietErrorScope() { RWSetThreadErrorInterceptor(previous_); }
  RWQuietErrorScope(const RWQuietErrorScope&) = delete;
  RWQuietErrorScope& operator=(const RWQuietErrorScope&) = delete;
  int Count() const { return count_; }

 private:
  bool Intercept(const RWLibraryError&) override {
    ++count_;
    return true;
  }
  RWErrorInterceptor* previous_;
  int count_ = 0;
};

void RWRaiseLibraryError(const RWLibraryError& error);
void RWRaiseExternalDataError(const RWExternalDataError& error);
void RWRaiseFileIoError(const RWFileIoError& error);
void RWRaiseStreamIoError(const RWStreamIoError& error);
void RWRaiseInternalLogicError(const RWInternalLogicError& error);
void RWRaiseIndexError(const RWIndexError& error);

// The two index checks every bounded container uses: RW_NPOS gives
// NPOSINDEX, any other index the INDEXERR text with (index, count).
void RWRaiseIndexOutOfRange(uint32_t index, uint32_t count);
