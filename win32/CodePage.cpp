// Placeholder until the iconv implementation lands.
#include "win32/CodePage.h"

namespace {
UINT g_acp = 1252;
}

UINT GetACP() { return g_acp; }
int MultiByteToWideChar(UINT, DWORD, LPCSTR, int, LPWSTR, int) { return 0; }
int WideCharToMultiByte(UINT, DWORD, LPCWSTR, int, LPSTR, int, LPCSTR, LPBOOL) { return 0; }
namespace w32test {
void SetAnsiCodePage(UINT codePage) { g_acp = codePage; }
}  // namespace w32test
