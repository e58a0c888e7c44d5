// A stand-in for the package installer SETUP.EXE. Like the maker's installer
// it holds the mutex "InstallerClass" while it runs. It records how it was
// started in "setup-record.txt" beside itself: one line "cwd=<folder>", then
// one line "arg=<argument>" per argument.
//
//   SETUP.EXE /hold EVENT   also waits (at most a minute) until the named
//                           event is set, so a test can keep the mutex held.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

static std::string OwnFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

static void WriteRecord(int argc, char** argv)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    std::string text = std::string("cwd=") + cwd + "\n";
    for (int i = 1; i < argc; ++i)
        text += std::string("arg=") + argv[i] + "\n";

    // Written under another name and renamed, so a reader never sees half.
    std::string record = OwnFolder() + "setup-record.txt";
    std::string partial = record + ".part";
    FILE* file = fopen(partial.c_str(), "wb");
    if (!file)
        return;
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    MoveFileExA(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
}

int main(int argc, char** argv)
{
    HANDLE mutex = CreateMutexA(NULL, TRUE, "InstallerClass");
    WriteRecord(argc, argv);
    if (argc == 3 && strcmp(argv[1], "/hold") == 0)
    {
        HANDLE quit = CreateEventA(NULL, TRUE, FALSE, argv[2]);
        WaitForSingleObject(quit, 60000);
        CloseHandle(quit);
    }
    if (mutex)
        CloseHandle(mutex);
    return 0;
}
