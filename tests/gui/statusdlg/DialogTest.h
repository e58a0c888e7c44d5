// Fixture of the dialog tests: an active host window with its simulated
// printer, and the host's log as text for exact comparisons.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "statusdlg/HostContract.h"
#include "tests/gui/statusdlg/DialogDriver.h"
#include "tests/gui/statusdlg/TestLibrary.h"

class DialogTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.Activate()) << "the host must be the active window"; }

  // The host messages received, one line each, as statushost logs them.
  std::string Log() const {
    std::string text;
    for (const HostEvent& event : host.printer.log) text += CSimulatedPrinter::Describe(event) + "\n";
    return text;
  }
  std::string Caption(UINT id) const { return LibraryString(Beldra().Get(), id); }

  CTestHost host;
  CSimulatedPrinter& printer = host.printer;
};
