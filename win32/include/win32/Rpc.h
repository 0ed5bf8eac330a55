// UUIDs of the stand-in: UuidCreate draws from a sequence that tests can
// queue, so that every UUID a test sees is known in advance; without queued
// values it counts through version-4 UUIDs from a fixed start.
#pragma once

#include "win32/Types.h"

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
typedef GUID UUID;

typedef LONG RPC_STATUS;
typedef unsigned char* RPC_CSTR;
typedef WCHAR* RPC_WSTR;

#define RPC_S_OK 0
#define RPC_S_OUT_OF_MEMORY 14L
#define RPC_S_INVALID_ARG 87L
#define RPC_S_UUID_NO_ADDRESS 1739L

RPC_STATUS UuidCreate(UUID* uuid);
// The 36-character lower-case form "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
// the string is freed with RpcStringFreeA/W.
RPC_STATUS UuidToStringA(const UUID* uuid, RPC_CSTR* text);
RPC_STATUS UuidToStringW(const UUID* uuid, RPC_WSTR* text);
RPC_STATUS RpcStringFreeA(RPC_CSTR* text);
RPC_STATUS RpcStringFreeW(RPC_WSTR* text);
