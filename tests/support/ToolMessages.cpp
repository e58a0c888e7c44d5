// Test programs that run the removal phases in their own process show the
// phases' messages as the tool does: message boxes, or with quiet answers set
// the answers nobody gave, into the log.
#include <gtest/gtest.h>

#include "uninstall/app/Ui.h"

namespace {

class CToolMessages : public ::testing::Environment {
 public:
  void SetUp() override { vq::SetUserMessages(&boxes_); }
  void TearDown() override { vq::SetUserMessages(nullptr); }

 private:
  vq::CMessageBoxes boxes_;
};

::testing::Environment* const kToolMessages =
    ::testing::AddGlobalTestEnvironment(new CToolMessages);

}  // namespace
