// torvax_demo: starts TORVAX02 (beside this program) and drives it to the
// selection page, saving screenshots of the loading dialog and of the page.
// With --close it ends the tool afterwards (for a display nobody watches);
// otherwise the tool stays open for the person at the screen.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/gui/torvax/GuiDriver.h"

namespace {
std::string Folder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string s(path);
  return s.substr(0, s.find_last_of('\\') + 1);
}
}  // namespace

int main(int argc, char** argv) {
  const bool close = argc > 1 && std::strcmp(argv[1], "--close") == 0;
  const std::string shots = Folder() + "screenshots\\";
  CreateDirectoryA(shots.c_str(), nullptr);
  gui::CProgram tool;
  if (!tool.Start("\"" + Folder() + "TORVAX02.exe\"")) {
    std::fprintf(stderr, "torvax_demo: TORVAX02.exe did not start\n");
    return 1;
  }
  HWND loading = gui::WaitForWindow(tool.Id(), "#32770", "Iniciando desinstala\xE7\xE3o...");
  if (loading) {
    gui::Settle(loading);
    gui::SaveScreenshot(shots + "demo-loading.bmp");
  }
  HWND main = gui::WaitForWindow(tool.Id(), "QLNUninstallWindowClass02", nullptr);
  if (!main) {
    std::fprintf(stderr, "torvax_demo: the selection page did not appear\n");
    return 1;
  }
  HWND list = gui::FindDescendant(main, 2006);
  gui::WaitUntil([&] { return !gui::ReadListView(list, 1).empty(); }, 10000);
  gui::Settle(main);
  gui::SaveScreenshot(shots + "demo-selection.bmp");
  std::printf("TORVAX02 lists %u printers\n", static_cast<unsigned>(gui::ReadListView(list, 1).size()));
  if (close) {
    PostMessageA(main, WM_COMMAND, 2008, 0);
    tool.WaitForExit(20000);
    return 0;
  }
  tool.WaitForExit(INFINITE);  // the person closes it
  return 0;
}
