#include "tools/statushost/SimulatedPrinter.h"

#include <stdio.h>

CSimulatedPrinter::CSimulatedPrinter() {
  supplies = SuppliesStatusRecord();
  supplies.blackLevel = 64;
  supplies.yellowLevel = LEVEL_NOT_GENUINE | 40;  // a refilled cartridge
  supplies.magentaLevel = 12;
  supplies.cyanLevel = 100;
  supplies.drumLevel = 73;
  supplies.notifyThreshold = 20;
  supplies.blackCapacity = CAPACITY_HIGH;
  supplies.yellowCapacity = CAPACITY_STANDARD;
  supplies.magentaCapacity = 2000;  // not a capacity the library knows
  supplies.cyanCapacity = CAPACITY_STANDARD;
}

int32_t CSimulatedPrinter::NextStatus() {
  if (m_pending.empty()) return idleStatus;
  if (++m_polls > otherCartridgePolls) currentToner = m_chosenToner;
  const int32_t status = m_pending[m_next];
  if (m_next + 1 < m_pending.size()) ++m_next;
  return status;
}

void CSimulatedPrinter::Record(UINT msg, int32_t value, int32_t capacity) {
  log.push_back(HostEvent{msg, value, capacity});
}

bool CSimulatedPrinter::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  const int32_t value = static_cast<int32_t>(wp);
  int32_t reply;
  switch (msg) {
    case SDM_GETSTATUS: reply = NextStatus(); break;
    case SDM_GETDUPLEXDENSITY: reply = duplexDensity; break;
    case SDM_GETCURRENTTONER: reply = currentToner; break;
    case SDM_GETENERGYSAVER: reply = energySaver; break;
    case SDM_GETAUTOCONTINUE: reply = autoContinue; break;
    case SDM_GETAUTOREPLACE: reply = autoReplace; break;
    case SDM_GETREPLACEFLAG: reply = replaceFlag; break;
    case SDM_SETTONERCAPACITY:
      if (wp) SetCapacity(*reinterpret_cast<const TonerCapacityRecord*>(wp));
      return true;
    case SDM_STARTTONERREPLACE:
      // The printer turns the carousel: the cartridge before the chosen one
      // passes the door first.
      m_chosenToner = value;
      currentToner = value == TONER_CYAN ? TONER_BLACK : value - 1;
      if (otherCartridgePolls <= 0) currentToner = value;
      m_pending = replacementScript;
      m_next = 0;
      m_polls = 0;
      Record(msg, value);
      return true;
    case SDM_SETDUPLEXDENSITY: duplexDensity = value; Record(msg, value); return true;
    case SDM_SETENERGYSAVER: energySaver = value; Record(msg, value); return true;
    case SDM_SETAUTOCONTINUE: autoContinue = value; Record(msg, value); return true;
    case SDM_SETAUTOREPLACE: autoReplace = value; Record(msg, value); return true;
    default:
      return false;
  }
  if (!answers) {
    Record(msg, kNoAnswer);
    return true;
  }
  if (lp) *reinterpret_cast<int32_t*>(lp) = reply;
  Record(msg, reply);
  return true;
}

void CSimulatedPrinter::SetCapacity(const TonerCapacityRecord& record) {
  Record(SDM_SETTONERCAPACITY, record.colour, record.capacity);
  switch (record.colour) {
    case TONER_CYAN: supplies.cyanCapacity = record.capacity; break;
    case TONER_MAGENTA: supplies.magentaCapacity = record.capacity; break;
    case TONER_YELLOW: supplies.yellowCapacity = record.capacity; break;
    case TONER_BLACK: supplies.blackCapacity = record.capacity; break;
    default: break;
  }
}

const char* CSimulatedPrinter::MessageName(UINT msg) {
  switch (msg) {
    case SDM_GETSTATUS: return "SDM_GETSTATUS";
    case SDM_GETDUPLEXDENSITY: return "SDM_GETDUPLEXDENSITY";
    case SDM_GETCURRENTTONER: return "SDM_GETCURRENTTONER";
    case SDM_SETTONERCAPACITY: return "SDM_SETTONERCAPACITY";
    case SDM_STARTTONERREPLACE: return "SDM_STARTTONERREPLACE";
    case SDM_SETDUPLEXDENSITY: return "SDM_SETDUPLEXDENSITY";
    case SDM_SETENERGYSAVER: return "SDM_SETENERGYSAVER";
    case SDM_SETAUTOCONTINUE: return "SDM_SETAUTOCONTINUE";
    case SDM_SETAUTOREPLACE: return "SDM_SETAUTOREPLACE";
    case SDM_GETENERGYSAVER: return "SDM_GETENERGYSAVER";
    case SDM_GETAUTOCONTINUE: return "SDM_GETAUTOCONTINUE";
    case SDM_GETAUTOREPLACE: return "SDM_GETAUTOREPLACE";
    case SDM_GETREPLACEFLAG: return "SDM_GETREPLACEFLAG";
    default: return "";
  }
}

std::string CSimulatedPrinter::Describe(const HostEvent& event) {
  char text[128];
  const char* name = MessageName(event.message);
  switch (event.message) {
    case SDM_SETTONERCAPACITY:
      snprintf(text, sizeof text, "%s colour %d, capacity %d", name, static_cast<int>(event.value),
               static_cast<int>(event.capacity));
      break;
    case SDM_GETSTATUS: case SDM_GETDUPLEXDENSITY: case SDM_GETCURRENTTONER:
    case SDM_GETENERGYSAVER: case SDM_GETAUTOCONTINUE: case SDM_GETAUTOREPLACE:
    case SDM_GETREPLACEFLAG:
      if (event.value == kNoAnswer)
        snprintf(text, sizeof text, "%s (no answer)", name);
      else
        snprintf(text, sizeof text, "%s -> %d", name, static_cast<int>(event.value));
      break;
    default:
      snprintf(text, sizeof text, "%s %d", name, static_cast<int>(event.value));
      break;
  }
  return text;
}
