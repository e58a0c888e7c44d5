// The built BELDRA02.dll, loaded once from the test program's folder.
#pragma once

#include <windows.h>

#include "tools/statushost/Library.h"

const CLibrary& Beldra();
