// A stand-in for the disguise tool VEZZAR32.EXE: records the command line it
// was started with and stays open until the test signals the event
// "VQTestDisguiseToolExit" (or 60 seconds pass).
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string record = path;
  record = record.substr(0, record.find_last_of('\\') + 1) + "started-with.txt";
  if (FILE* f = std::fopen(record.c_str(), "w")) {
    std::fputs(GetCommandLineA(), f);
    std::fclose(f);
  }
  HANDLE exitEvent = CreateEventA(nullptr, TRUE, FALSE, "VQTestDisguiseToolExit");
  WaitForSingleObject(exitEvent, 60000);
  CloseHandle(exitEvent);
  return 0;
}
