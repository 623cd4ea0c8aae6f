#include "tests/support/message_recorder.h"

namespace zelmor::testing {

MessageRecorder::MessageRecorder()
    : sink_([this](const std::string& text, MessageIcon icon) {
        messages_.push_back({text, icon});
      }) {}

}  // namespace zelmor::testing
