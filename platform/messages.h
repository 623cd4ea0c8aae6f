#pragma once

#include <functional>
#include <string>

namespace zelmor {

// The two icons a message may carry; the values are those of the Windows
// message-box flags, which callers and tests compare against.
enum class MessageIcon : int { kError = 16, kWarning = 48 };

using MessageSink = std::function<void(const std::string& text, MessageIcon icon)>;

// Shows a message through whatever front end is active: the dialog's message
// box, the command line's stderr, a test's recorder. With no front end
// installed the message goes to stderr.
void ShowMessage(const std::string& text, MessageIcon icon);

// Installs `sink` for the life of this object and restores the previous one
// afterwards. Sinks belong to the thread that installs them.
class ScopedMessageSink {
 public:
  explicit ScopedMessageSink(MessageSink sink);
  ~ScopedMessageSink();
  ScopedMessageSink(const ScopedMessageSink&) = delete;
  ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

 private:
  MessageSink previous_;
};

// The input a message is about while an engine works through several inputs
// at once (an icon merged from several pictures), so that a front end can name
// it. Set for the life of this object, per thread; empty when none is.
class ScopedMessageSubject {
 public:
  explicit ScopedMessageSubject(std::string subject);
  ~ScopedMessageSubject();
  ScopedMessageSubject(const ScopedMessageSubject&) = delete;
  ScopedMessageSubject& operator=(const ScopedMessageSubject&) = delete;

 private:
  std::string previous_;
};

const std::string& MessageSubject();

}  // namespace zelmor
