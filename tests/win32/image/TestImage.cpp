// A small library image for the loader's tests: it carries a resource
// section, exports a function, and counts the DllMain calls it receives.
// The tests reach its counters and switches by opening the same file.
#include "win32/Module.h"

namespace {

const IMAGE_RESOURCE_STRING kStrings[] = {
    {7, u"Seventh"},
    {1, u"First"},
    {1, u"Not the first"},  // an id given twice keeps its first text
    {2, nullptr},           // no text: not a string
};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int g_attaches = 0;
__attribute__((visibility("default"))) int g_detaches = 0;
__attribute__((visibility("default"))) int g_refuseAttach = 0;
__attribute__((visibility("default"))) HINSTANCE g_instance = nullptr;

// Not const, so that a test can change its signature or version.
__attribute__((visibility("default"))) IMAGE_RESOURCE_SECTION w32_resource_section = {
    IMAGE_RESOURCE_SIGNATURE, IMAGE_RESOURCE_VERSION, sizeof kStrings / sizeof kStrings[0], kStrings};

__attribute__((visibility("default"))) int Answer() { return 42; }

__attribute__((visibility("default"))) BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ++g_attaches;
    g_instance = instance;
    return g_refuseAttach ? FALSE : TRUE;
  }
  if (reason == DLL_PROCESS_DETACH) ++g_detaches;
  return TRUE;
}

}  // extern "C"
