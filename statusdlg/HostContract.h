// The contract between BELDRA02 and a status-monitor host: the exported entry
// points, the records that cross the boundary and the host messages. A host
// includes this header and nothing else of the library.
#pragma once

#include <windows.h>
#include <stdint.h>

// Messages the dialogs send (synchronously) to the host window. GET messages
// carry in lParam the address of an int32_t the host must write; SET and START
// messages carry their value in wParam. 1138 and 1142 are not used.
enum : UINT {
  SDM_GETSTATUS = WM_USER + 105,          // 1129
  SDM_GETDUPLEXDENSITY = WM_USER + 106,   // 1130
  SDM_GETCURRENTTONER = WM_USER + 107,    // 1131
  SDM_SETTONERCAPACITY = WM_USER + 108,   // 1132, wParam = TonerCapacityRecord*
  SDM_STARTTONERREPLACE = WM_USER + 109,  // 1133
  SDM_SETDUPLEXDENSITY = WM_USER + 110,   // 1134
  SDM_SETENERGYSAVER = WM_USER + 111,     // 1135
  SDM_SETAUTOCONTINUE = WM_USER + 112,    // 1136
  SDM_SETAUTOREPLACE = WM_USER + 113,     // 1137
  SDM_GETENERGYSAVER = WM_USER + 115,     // 1139
  SDM_GETAUTOCONTINUE = WM_USER + 116,    // 1140
  SDM_GETAUTOREPLACE = WM_USER + 117,     // 1141
  SDM_GETREPLACEFLAG = WM_USER + 119,     // 1143
};

// Colour code shared by library and host.
enum TonerColour : int32_t {
  TONER_CYAN = 1,
  TONER_MAGENTA = 2,
  TONER_YELLOW = 3,
  TONER_BLACK = 4,
};

// Cartridge capacity codes; any other value is shown as unknown.
enum : int32_t {
  CAPACITY_STANDARD = 1500,
  CAPACITY_HIGH = 4500,
};

// Printer status codes the wait box gives a meaning to.
enum : int32_t {
  STATUS_BUSY = 200100,
  STATUS_READY = 600100,
  STATUS_WARMING = 600300,
  STATUS_CARTRIDGE_PRESENTED = 600500,
  STATUS_COVER_OPEN = 610300,
};

// Toner level byte: bit 7 marks a cartridge that is not genuine, bits 0-6 are
// the percentage.
const int32_t LEVEL_NOT_GENUINE = 0x80;

// Read once by TonerLevelDialogDoModal; the library never writes it.
struct SuppliesStatusRecord {
  int32_t blackLevel;
  int32_t yellowLevel;
  int32_t magentaLevel;
  int32_t cyanLevel;
  int32_t reserved16;
  int32_t drumLevel;  // percent of the imaging drum's life, no flag bit
  int32_t reserved24;
  int32_t notifyThreshold;  // 0..50
  int32_t blackCapacity;
  int32_t yellowCapacity;
  int32_t magentaCapacity;
  int32_t cyanCapacity;
};
static_assert(sizeof(SuppliesStatusRecord) == 48, "host record is 48 bytes");

// Valid only while one SDM_SETTONERCAPACITY is being handled.
struct TonerCapacityRecord {
  int32_t colour;    // TonerColour
  int32_t capacity;  // 1500 or 4500
};
static_assert(sizeof(TonerCapacityRecord) == 8, "capacity record is 8 bytes");

static_assert(sizeof(LOGFONTA) == 60, "the font block is a 60-byte LOGFONTA");

// Entry points, exported by name and ordinal. Each runs its dialog modally on
// the calling thread; the host must call them from the thread of its message
// window while that window (or one of its pop-ups) is active.
extern "C" {
typedef int(WINAPI* ModeSettingDialogDoModalFn)(int reserved, const LOGFONTA* font);
typedef int(WINAPI* TonerLevelDialogDoModalFn)(const SuppliesStatusRecord* status,
                                               const LOGFONTA* font);
typedef int(WINAPI* TonerReplaceDialogDoModalFn)(HWND host);
typedef int(WINAPI* VoltageBiasDialogDoModalFn)(int duplexDensity);
}
