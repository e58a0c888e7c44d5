// The supplies status dialog: five level bars, the cartridge capacities and
// the notify threshold the user may change.
#pragma once

#include <stdint.h>
#include <string>

#include "statusdlg/HostContract.h"
#include "statusdlg/LevelBar.h"
#include "statusdlg/ModalDialog.h"

// Text of a cartridge capacity code.
const char* CapacityText(int32_t capacity);

class CSuppliesStatusDlg : public CModalDialog {
 public:
  CSuppliesStatusDlg();

  // Copies the host's record and font block into the members.
  void SetFromHost(const SuppliesStatusRecord& status, const LOGFONTA* font);

  int32_t m_blackLevel = 0;
  int32_t m_cyanLevel = 0;
  int32_t m_magentaLevel = 0;
  int32_t m_yellowLevel = 0;
  int32_t m_drumLevel = 0;
  int32_t m_threshold = 0;
  std::string m_blackCapacity;
  std::string m_cyanCapacity;
  std::string m_magentaCapacity;
  std::string m_yellowCapacity;
  LOGFONTA m_font;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void DoDataExchange(CDataExchange& dx) override;

 private:
  void SetUpTonerBar(CLevelBar& bar, int id, int32_t level, COLORREF fill);
  void SetUpBar(CLevelBar& bar, int id, COLORREF fill);
  LOGFONTA BarFont() const;
  void OnThresholdKillFocus();
  void OnOrder();

  CLevelBar m_blackBar;
  CLevelBar m_cyanBar;
  CLevelBar m_magentaBar;
  CLevelBar m_yellowBar;
  CLevelBar m_drumBar;
  CUpDownCtrl m_thresholdSpin;
};
