#include <gtest/gtest.h>

#include "tests/support/message_recorder.h"

namespace zelmor {
namespace {

TEST(Messages, ReachTheInnermostSinkAndRestoreTheOuterOne) {
  testing::MessageRecorder outer;
  {
    testing::MessageRecorder inner;
    ShowMessage("inner", MessageIcon::kWarning);
    EXPECT_EQ(inner.messages(),
              (std::vector<testing::RecordedMessage>{{"inner", MessageIcon::kWarning}}));
  }
  ShowMessage("outer", MessageIcon::kError);
  EXPECT_EQ(outer.messages(),
            (std::vector<testing::RecordedMessage>{{"outer", MessageIcon::kError}}));
  EXPECT_EQ(static_cast<int>(MessageIcon::kError), 16);
  EXPECT_EQ(static_cast<int>(MessageIcon::kWarning), 48);
}

}  // namespace
}  // namespace zelmor
