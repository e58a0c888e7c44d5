// The library runs inside the device installer and the printer set-up: no
// C++ exception may leave an export or a dialog procedure. On 32-bit Windows
// an exception cannot unwind through the system's frames (a dialog's message
// loop, the caller of an export), and the host process would end at once.
#pragma once

// Runs `body` and returns its result, or `fallback` when it throws.
template <class Result, class Body> Result CallWithoutThrowing(Result fallback, Body body) noexcept
{
    try
    {
        return body();
    }
    catch (...)
    {
        return fallback;
    }
}
