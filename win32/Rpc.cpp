#include "win32/Rpc.h"
#include "w32detail/Rpc.h"

#include <cstdio>
#include <deque>
#include <mutex>
#include <new>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"

namespace {

struct UuidState {
  std::mutex mutex;
  std::deque<UUID> queued;
  DWORD counter = 0;
};

UuidState& rpcState() {
  static UuidState* s = [] {
    auto* st = new UuidState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->queued.clear();
      st->counter = 0;
    });
    return st;
  }();
  return *s;
}

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" and its terminator.
void Format(const UUID& u, char out[37]) {
  std::snprintf(out, 37, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", static_cast<unsigned>(u.Data1),
                u.Data2, u.Data3, u.Data4[0], u.Data4[1], u.Data4[2], u.Data4[3], u.Data4[4], u.Data4[5],
                u.Data4[6], u.Data4[7]);
}

}  // namespace

RPC_STATUS UuidCreate(UUID* uuid) {
  if (w32detail::ShouldFail("UuidCreate")) return static_cast<RPC_STATUS>(GetLastError());
  if (!uuid) return RPC_S_INVALID_ARG;
  UuidState& s = rpcState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (!s.queued.empty()) {
    *uuid = s.queued.front();
    s.queued.pop_front();
    return RPC_S_OK;
  }
  DWORD n = ++s.counter;
  *uuid = UUID{};
  uuid->Data1 = n;
  uuid->Data2 = 0;
  uuid->Data3 = 0x4000;  // version 4
  uuid->Data4[0] = 0x80;  // the standard variant
  return RPC_S_OK;
}

RPC_STATUS UuidToStringA(const UUID* uuid, RPC_CSTR* text) {
  if (w32detail::ShouldFail("UuidToStringA")) return static_cast<RPC_STATUS>(GetLastError());
  if (!uuid || !text) return RPC_S_INVALID_ARG;
  auto* out = new (std::nothrow) unsigned char[37];
  if (!out) return RPC_S_OUT_OF_MEMORY;
  Format(*uuid, reinterpret_cast<char*>(out));
  *text = out;
  return RPC_S_OK;
}

RPC_STATUS UuidToStringW(const UUID* uuid, RPC_WSTR* text) {
  if (w32detail::ShouldFail("UuidToStringW")) return static_cast<RPC_STATUS>(GetLastError());
  if (!uuid || !text) return RPC_S_INVALID_ARG;
  auto* out = new (std::nothrow) WCHAR[37];
  if (!out) return RPC_S_OUT_OF_MEMORY;
  char narrow[37];
  Format(*uuid, narrow);
  for (int i = 0; i < 37; ++i) out[i] = static_cast<unsigned char>(narrow[i]);
  *text = out;
  return RPC_S_OK;
}

RPC_STATUS RpcStringFreeA(RPC_CSTR* text) {
  if (!text) return RPC_S_INVALID_ARG;
  delete[] *text;
  *text = nullptr;
  return RPC_S_OK;
}

RPC_STATUS RpcStringFreeW(RPC_WSTR* text) {
  if (!text) return RPC_S_INVALID_ARG;
  delete[] *text;
  *text = nullptr;
  return RPC_S_OK;
}

namespace w32test {

void QueueUuid(const UUID& uuid) {
  UuidState& s = rpcState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.queued.push_back(uuid);
}

}  // namespace w32test

namespace w32detail {

DWORD UuidCounter() {
  UuidState& s = rpcState();
  std::lock_guard<std::mutex> g(s.mutex);
  return s.counter;
}

void SetUuidCounter(DWORD counter) {
  UuidState& s = rpcState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.counter = counter;
}

}  // namespace w32detail
