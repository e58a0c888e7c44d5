// A hook DLL for the tests: its export appends one line to the file named by
// the environment variable VQ_HOOK_LOG: the tag, the DLL's own path, the four
// arguments and the current folder, separated by '|'.
#include <windows.h>

#include <cstdio>

namespace {
HMODULE g_module = nullptr;

void Record(HWND window, HINSTANCE instance, const char* toolFolder, void* reserved) {
  char log[MAX_PATH] = "";
  if (!GetEnvironmentVariableA("VQ_HOOK_LOG", log, sizeof(log))) return;
  char self[MAX_PATH] = "", current[MAX_PATH] = "";
  GetModuleFileNameA(g_module, self, sizeof(self));
  GetCurrentDirectoryA(sizeof(current), current);
  FILE* f = std::fopen(log, "ab");
  if (!f) return;
  std::fprintf(f, "%s|%s|%p|%p|%s|%p|%s\n", VQ_HOOK_TAG, self, static_cast<void*>(window),
               static_cast<void*>(instance), toolFolder ? toolFolder : "(null)", reserved, current);
  std::fclose(f);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" void WINAPI UninstallHook(HWND window, HINSTANCE instance,
                                                           const char* toolFolder, void* reserved) {
  Record(window, instance, toolFolder, reserved);
}

extern "C" void WINAPI SomethingElse(HWND window, HINSTANCE instance,
                                                           const char* toolFolder, void* reserved) {
  Record(window, instance, toolFolder, reserved);
}
