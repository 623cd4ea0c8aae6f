#pragma once

#include <string>
#include <vector>

#include "platform/messages.h"

namespace zelmor::testing {

struct RecordedMessage {
  std::string text;
  MessageIcon icon;
  friend bool operator==(const RecordedMessage&, const RecordedMessage&) = default;
};

// Collects every message shown while it lives.
class MessageRecorder {
 public:
  MessageRecorder();
  const std::vector<RecordedMessage>& messages() const { return messages_; }

 private:
  std::vector<RecordedMessage> messages_;
  ScopedMessageSink sink_;
};

}  // namespace zelmor::testing
