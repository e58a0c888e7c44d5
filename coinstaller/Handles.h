// Thin owners of the handles the co-installer uses; each closes its handle
// when it goes out of scope.
#pragma once

#include <windows.h>
#include <winspool.h>

// The export `name` of `module` as a typed function pointer; NULL (and the
// thread's last error set) when the module lacks it.
template <class Function> Function GetProcAs(HMODULE module, const char* name)
{
    // The detour through void(*)() keeps -Wcast-function-type quiet; the
    // caller names the real signature.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A loaded DLL.
class CLibrary
{
public:
    CLibrary() : m_module(NULL) {}
    ~CLibrary() { Free(); }
    bool Load(const char* name)
    {
        Free();
        m_module = LoadLibraryA(name);
        return m_module != NULL;
    }
    void Free()
    {
        if (m_module)
            FreeLibrary(m_module);
        m_module = NULL;
    }
    HMODULE Get() const { return m_module; }


private:
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    HMODULE m_module;
};

// A kernel object handle (mutex, event, process).
class CHandle
{
public:
    explicit CHandle(HANDLE handle = NULL) : m_handle(handle) {}
    ~CHandle() { Close(); }
    // Returns CloseHandle's result; TRUE when there was nothing to close.
    BOOL Close()
    {
        BOOL closed = TRUE;
        if (m_handle)
            closed = CloseHandle(m_handle);
        m_handle = NULL;
        return closed;
    }
    HANDLE Get() const { return m_handle; }

private:
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    HANDLE m_handle;
};

// An open printer of the spooler.
class CPrinter
{
public:
    CPrinter() : m_printer(NULL) {}
    ~CPrinter() { Close(); }
    bool Open(const char* name, PRINTER_DEFAULTSA* defaults)
    {
        Close();
        return OpenPrinterA(const_cast<char*>(name), &m_printer, defaults) != FALSE;
    }
    void Close()
    {
        if (m_printer)
            ClosePrinter(m_printer);
        m_printer = NULL;
    }
    HANDLE Get() const { return m_printer; }

private:
    CPrinter(const CPrinter&) = delete;
    CPrinter& operator=(const CPrinter&) = delete;
    HANDLE m_printer;
};

// A block of the process heap, for answers of variable size.
class CHeapBuffer
{
public:
    CHeapBuffer() : m_data(NULL), m_size(0) {}
    ~CHeapBuffer() { Free(); }
    // Replaces the block by one of `size` bytes (contents undefined).
    bool Allocate(DWORD size)
    {
        Free();
        m_data = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size ? size : 1));
        m_size = m_data ? size : 0;
        return m_data != NULL;
    }
    void Free()
    {
        if (m_data)
            HeapFree(GetProcessHeap(), 0, m_data);
        m_data = NULL;
        m_size = 0;
    }
    BYTE* Data() const { return m_data; }
    DWORD Size() const { return m_size; }

private:
    CHeapBuffer(const CHeapBuffer&) = delete;
    CHeapBuffer& operator=(const CHeapBuffer&) = delete;
    BYTE* m_data;
    DWORD m_size;
};

// Runs a spooler query of the form query(buffer, size, &needed): first
// without a buffer to learn the size, then into a buffer of that size,
// again when the answer grew in between (another process changed the
// printers). Bounded, because the spooler is outside our control.
template <class Query> bool QueryVariableSize(CHeapBuffer& buffer, Query query)
{
    DWORD needed = 0;
    if (query(static_cast<BYTE*>(NULL), 0, &needed))
        return buffer.Allocate(0);  // nothing to answer
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
            return false;
        if (!buffer.Allocate(needed))
            return false;
        if (query(buffer.Data(), buffer.Size(), &needed))
            return true;
    }
    return false;
}
