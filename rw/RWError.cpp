#include "rw/RWError.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "rw/RWDefs.h"
#include "win32/User.h"

namespace {

const RWMessageRecord kTools[] = {
    {"libtools", 0x2000, "[ALLOCOUT] %s destructor called with allocation outstanding", 0},
    {"libtools", 0x2001, "[BADRE] Attempt to use invalid regular expression", 0},
    {"libtools", 0x2002, "[CRABS] RWFactory: attempting to create abstract class with ID %hu (0x%hx)", 0},
    {"libtools", 0x2003, "[FLIST] Free list size error: expected %ld, got %ld", 0},
    {"libtools", 0x2004, "[ID] Unexpected class ID %hu; should be %hu", 0},
    {"libtools", 0x2005, "[INDEX] Index (%u) out of range [0->%u]", 0},
    {"libtools", 0x2006, "[LOCK] Locked object deleted", 0},
    {"libtools", 0x2007, "[LONGINDEX] Long index (%lu) out of range [0->%lu]", 0},
    {"libtools", 0x2008, "[MAGIC] Bad magic number: %ld (should be %ld)", 0},
    {"libtools", 0x2009, "[NEVECL] Unequal vector lengths: %u versus %u", 0},
    {"libtools", 0x200A, "[NOCREATE] RWFactory: no create function for class with ID %hu (0x%hx)", 0},
    {"libtools", 0x200B, "[NOTALLOW] Function not allowed for derived class", 0},
    {"libtools", 0x200C, "[READERR] Read error", 0},
    {"libtools", 0x200D, "[REF] Bad persistence reference", 0},
    {"libtools", 0x200E, "[SEEKERR] Seek error", 0},
    {"libtools", 0x200F, "[STREAM] Bad input stream", 0},
    {"libtools", 0x2010, "[SUBSTRING] Illegal substring (%d, %u) from %u element RWCString", 0},
    {"libtools", 0x2011, "[UNLOCK] Improper use of locked object", 0},
    {"libtools", 0x2012, "[WRITEERR] Write error", 0},
    {"libtools", 0x2013, "[INDEXERR] Illegal Index (%u) for collection or string with %u elements", 0},
    {"libtools", 0x2014, "[NPOSINDEX] The value RW_NPOS cannot be used as an index.", 0},
    {"libtools", 0x2015, "[NOPERSIST] Persistence not implemented for type %s.", 0},
};

const RWMessageRecord kCore[] = {
    {"libcore", 0x1000, "[EOF] EOF on input", 0},
    {"libcore", 0x1001, "[GENERIC] Generic error number %d; %s", 0},
    {"libcore", 0x1002, "[INVADDR] Invalid address: %lx", 0},
    {"libcore", 0x1003, "[LOCK] Unable to lock memory", 0},
    {"libcore", 0x1004, "[NOINIT] Memory allocated without being initialized", 0},
    {"libcore", 0x1005, "[NOMEM] No memory", 0},
    {"libcore", 0x1006, "[OPERR] Could not open file %s", 0},
    {"libcore", 0x1007, "[OUTALLOC] Memory released with allocations still outstanding", 0},
    {"libcore", 0x1008, "[OVFLOW] Overflow error -> \"%.*s\" <- (%u max characters)", 0},
    {"libcore", 0x1009, "[STREAM] Bad input stream", 0},
    {"libcore", 0x100A, "[SYNSTREAM] Syntax error in input stream: expected %s, got %s", 0},
};

char* CopyText(const char* text) {
  size_t n = std::strlen(text) + 1;
  char* copy = new char[n];
  std::memcpy(copy, text, n);
  return copy;
}

RWErrorHandler g_handler = RWDefaultErrorHandler;
thread_local RWErrorInterceptor* t_interceptor = nullptr;

// Offers the error to the thread's interceptor first, then to the handler.
void Dispatch(const RWLibraryError& error) {
  if (t_interceptor != nullptr && t_interceptor->Intercept(error)) return;
  g_handler(error);
}

}  // namespace

#define RW_TOOLS_RECORD(name, index) \
  const RWMessageRecord* RWToolsMsg_##name() { return &kTools[index]; }
RW_TOOLS_RECORD(ALLOCOUT, 0)
RW_TOOLS_RECORD(BADRE, 1)
RW_TOOLS_RECORD(CRABS, 2)
RW_TOOLS_RECORD(FLIST, 3)
RW_TOOLS_RECORD(ID, 4)
RW_TOOLS_RECORD(INDEX, 5)
RW_TOOLS_RECORD(LOCK, 6)
RW_TOOLS_RECORD(LONGINDEX, 7)
RW_TOOLS_RECORD(MAGIC, 8)
RW_TOOLS_RECORD(NEVECL, 9)
RW_TOOLS_RECORD(NOCREATE, 10)
RW_TOOLS_RECORD(NOTALLOW, 11)
RW_TOOLS_RECORD(READERR, 12)
RW_TOOLS_RECORD(REF, 13)
RW_TOOLS_RECORD(SEEKERR, 14)
RW_TOOLS_RECORD(STREAM, 15)
RW_TOOLS_RECORD(SUBSTRING, 16)
RW_TOOLS_RECORD(UNLOCK, 17)
RW_TOOLS_RECORD(WRITEERR, 18)
RW_TOOLS_RECORD(INDEXERR, 19)
RW_TOOLS_RECORD(NPOSINDEX, 20)
RW_TOOLS_RECORD(NOPERSIST, 21)
#undef RW_TOOLS_RECORD

#define RW_CORE_RECORD(name, index) \
  const RWMessageRecord* RWCoreMsg_##name() { return &kCore[index]; }
RW_CORE_RECORD(EOF, 0)
RW_CORE_RECORD(GENERIC, 1)
RW_CORE_RECORD(INVADDR, 2)
RW_CORE_RECORD(LOCK, 3)
RW_CORE_RECORD(NOINIT, 4)
RW_CORE_RECORD(NOMEM, 5)
RW_CORE_RECORD(OPERR, 6)
RW_CORE_RECORD(OUTALLOC, 7)
RW_CORE_RECORD(OVFLOW, 8)
RW_CORE_RECORD(STREAM, 9)
RW_CORE_RECORD(SYNSTREAM, 10)
#undef RW_CORE_RECORD

const RWMessageRecord* RWToolsCatalogue(unsigned* count) {
  *count = sizeof kTools / sizeof kTools[0];
  return kTools;
}

const RWMessageRecord* RWCoreCatalogue(unsigned* count) {
  *count = sizeof kCore / sizeof kCore[0];
  return kCore;
}

// ---- RWMessageText ----

RWMessageText::RWMessageText(const RWMessageRecord* record, ...) {
  char buffer[504];
  va_list args;
  va_start(args, record);
  // Bounded formatting: a longer message is cut at 503 characters.
  std::vsnprintf(buffer, sizeof buffer, record->text, args);
  va_end(args);
  text_ = CopyText(buffer);
}

RWMessageText::RWMessageText(const char* text) : text_(CopyText(text)) {}

RWMessageText::RWMessageText(const RWMessageText& other) : text_(CopyText(other.text_)) {}

RWMessageText& RWMessageText::operator=(const RWMessageText& other) {
  if (this != &other) {
    char* copy = CopyText(other.text_);
    delete[] text_;
    text_ = copy;
  }
  return *this;
}

RWMessageText::~RWMessageText() { delete[] text_; }

// ---- Error classes ----

RWLibraryError::RWLibraryError(const char* text) : text_(CopyText(text)), owns_(1) {}
RWLibraryError::RWLibraryError(const RWMessageText& text) : text_(CopyText(text.Text())), owns_(1) {}
RWLibraryError::RWLibraryError(const char* text, int owns)
    : text_(owns ? CopyText(text) : text), owns_(owns ? 1 : 0) {}
RWLibraryError::RWLibraryError(const RWLibraryError& other)
    : text_(other.owns_ ? CopyText(other.text_) : other.text_), owns_(other.owns_) {}
RWLibraryError::~RWLibraryError() {
  if (owns_) delete[] text_;
}

RWOutOfMemoryError::RWOutOfMemoryError(uint32_t size) : RWLibraryError(kCore[5].text, 0), size_(size) {}
RWOutOfMemoryError::~RWOutOfMemoryError() = default;

RWExternalDataError::RWExternalDataError(const char* text) : RWLibraryError(text) {}
RWExternalDataError::RWExternalDataError(const RWMessageText& text) : RWLibraryError(text) {}
RWExternalDataError::~RWExternalDataError() = default;

RWFileIoError::RWFileIoError(const char* text, FILE* file, int code)
    : RWExternalDataError(text), file_(file), code_(code) {}
RWFileIoError::RWFileIoError(const RWMessageText& text, FILE* file, int code)
    : RWExternalDataError(text), file_(file), code_(code) {}
RWFileIoError::~RWFileIoError() = default;

RWStreamIoError::RWStreamIoError(const char* text, const void* stream)
    : RWExternalDataError(text), stream_(stream) {}
RWStreamIoError::RWStreamIoError(const RWMessageText& text, const void* stream)
    : RWExternalDataError(text), stream_(stream) {}
RWStreamIoError::~RWStreamIoError() = default;

RWInternalLogicError::RWInternalLogicError(const char* text) : RWLibraryError(text) {}
RWInternalLogicError::RWInternalLogicError(const RWMessageText& text) : RWLibraryError(text) {}
RWInternalLogicError::~RWInternalLogicError() = default;

RWIndexError::RWIndexError(const char* text) : RWInternalLogicError(text) {}
RWIndexError::RWIndexError(const RWMessageText& text) : RWInternalLogicError(text) {}
RWIndexError::~RWIndexError() = default;

// ---- Handler ----

RWErrorHandler RWSetErrorHandler(RWErrorHandler handler) {
  RWErrorHandler previous = g_handler;
  g_handler = handler;
  return previous;
}

void RWDefaultErrorHandler(const RWLibraryError& error) {
  MessageBoxA(nullptr, error.Text(), "Fatal Error", MB_TASKMODAL | MB_ICONERROR);
  std::exit(1);
}

RWErrorInterceptor* RWSetThreadErrorInterceptor(RWErrorInterceptor* interceptor) {
  RWErrorInterceptor* previous = t_interceptor;
  t_interceptor = interceptor;
  return previous;
}

void RWRaiseLibraryError(const RWLibraryError& error) { Dispatch(error); }
void RWRaiseExternalDataError(const RWExternalDataError& error) { Dispatch(error); }
void RWRaiseFileIoError(const RWFileIoError& error) { Dispatch(error); }
void RWRaiseStreamIoError(const RWStreamIoError& error) { Dispatch(error); }
void RWRaiseInternalLogicError(const RWInternalLogicError& error) { Dispatch(error); }
void RWRaiseIndexError(const RWIndexError& error) { Dispatch(error); }

void RWRaiseIndexOutOfRange(uint32_t index, uint32_t count) {
  if (index == RW_NPOS) {
    RWMessageText text(RWToolsMsg_NPOSINDEX());
    RWRaiseIndexError(RWIndexError(text));
  } else {
    RWMessageText text(RWToolsMsg_INDEXERR(), index, count);
    RWRaiseIndexError(RWIndexError(text));
  }
}
