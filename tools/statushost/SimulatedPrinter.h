// A simulated printer behind a status-monitor host window: it answers every
// host message of BELDRA02 and records each one with its values, in order.
// statushost shows it to a person; the tests use it as their host.
#pragma once

#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "statusdlg/HostContract.h"

struct HostEvent {
  UINT message;
  int32_t value;     // wParam of SET/START, the answer written for GET, the colour for capacity
  int32_t capacity;  // SDM_SETTONERCAPACITY only
};

// The value of a GET event that the host did not answer.
const int32_t kNoAnswer = INT32_MIN;

class CSimulatedPrinter {
 public:
  CSimulatedPrinter();

  // Answers one SDM_ message; false for any other message.
  bool Handle(UINT msg, WPARAM wp, LPARAM lp);

  // Name of an SDM_ message, "" for others.
  static const char* MessageName(UINT msg);
  static std::string Describe(const HostEvent& event);

  // The printer's state, as the dialogs see it.
  SuppliesStatusRecord supplies;
  int32_t duplexDensity = 2;
  int32_t energySaver = 15;
  int32_t autoContinue = 1;
  int32_t autoReplace = 0;
  int32_t replaceFlag = 1;
  int32_t currentToner = TONER_BLACK;
  // False: a host that returns from every GET message without writing an
  // answer.
  bool answers = true;

  // Status reported while nothing is scripted.
  int32_t idleStatus = STATUS_READY;
  // Statuses the printer goes through once a replacement starts, one per
  // SDM_GETSTATUS; the last one then stays.
  std::vector<int32_t> replacementScript = {STATUS_CARTRIDGE_PRESENTED, STATUS_CARTRIDGE_PRESENTED,
                                            STATUS_COVER_OPEN, STATUS_READY};
  // The toner carousel turns to the chosen cartridge: for this many status
  // polls after the start the cartridge before it (in the order cyan,
  // magenta, yellow, black) is the current toner.
  int otherCartridgePolls = 1;

  std::vector<HostEvent> log;

 private:
  int32_t NextStatus();
  void SetCapacity(const TonerCapacityRecord& record);
  void Record(UINT msg, int32_t value, int32_t capacity = 0);

  std::vector<int32_t> m_pending;
  size_t m_next = 0;
  int32_t m_chosenToner = 0;
  int m_polls = 0;
};
