#include "driver/gbnewhnd.h"

#include <new>

#include "driver/drvrsrvr.h"
#include "driver/osfactry.h"

namespace {
// The source name under which an exhausted heap is reported.
const char kGbNewHandlerSource[] = "gbnewhnd";
}  // namespace

void ReleaseMemoryOrFail() {
  GDriverServer* server = GDriverServer::GetInstance();
  if (server != nullptr && server->ReleaseMemory() != 0) return;
  if (server != nullptr) server->CriticalShutdown();
  ReportFatalError(2, kOutOfMemoryErrorId, kGbNewHandlerSource, __LINE__, "");
  // Only a test's fatal-error handler returns here.
  throw std::bad_alloc();
}
