#include "platform/messages.h"

#include <cstdio>
#include <utility>

namespace zelmor {
namespace {

thread_local MessageSink current_sink;
thread_local std::string current_subject;

}  // namespace

void ShowMessage(const std::string& text, MessageIcon icon) {
  if (current_sink) {
    current_sink(text, icon);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", icon == MessageIcon::kError ? "error" : "warning", text.c_str());
}

ScopedMessageSink::ScopedMessageSink(MessageSink sink)
    : previous_(std::exchange(current_sink, std::move(sink))) {}

ScopedMessageSink::~ScopedMessageSink() {
  current_sink = std::move(previous_);
}

ScopedMessageSubject::ScopedMessageSubject(std::string subject)
    : previous_(std::exchange(current_subject, std::move(subject))) {}

ScopedMessageSubject::~ScopedMessageSubject() {
  current_subject = std::move(previous_);
}

const std::string& MessageSubject() {
  return current_subject;
}

}  // namespace zelmor
