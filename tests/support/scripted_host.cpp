#include "tests/support/scripted_host.h"

#include <gtest/gtest.h>

std::vector<std::string> ScriptedHost::LogOf(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& entry : log) {
    if (entry.starts_with(prefix)) found.push_back(entry);
  }
  return found;
}

void ScriptedHost::SetStatusText(const std::string& text) {
  statusText = text;
  log.push_back("status: " + text);
}

void ScriptedHost::SetProgress(int percent) {
  progress = percent;
  log.push_back("progress: " + std::to_string(percent));
}

void ScriptedHost::SetCaption(const std::string& text) {
  caption = text;
  log.push_back("caption: " + text);
}

void ScriptedHost::SetTimingLine(const std::string& text) {
  timingLine = text;
  log.push_back("timing: " + text);
}

void ScriptedHost::SetTransferLine(const std::string& text) {
  transferLine = text;
  log.push_back("transfer: " + text);
}

int ScriptedHost::AskQuestion(const std::string& text, unsigned boxType) {
  questions.push_back({text, boxType});
  log.push_back("question: " + text);
  if (answers.empty()) {
    ADD_FAILURE() << "Unexpected question: " << text;
    return kButtonCancel;
  }
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

LocationAnswer ScriptedHost::PromptLocation(LocationMode mode, std::string& path,
                                            const std::string& reason) {
  prompts.push_back({mode, path, reason});
  log.push_back("prompt: " + reason);
  if (promptReplies.empty()) {
    ADD_FAILURE() << "Unexpected location prompt: " << reason;
    return LocationAnswer::cancel;
  }
  PromptReply reply = promptReplies.front();
  promptReplies.pop_front();
  if (reply.answer == LocationAnswer::ok) path = reply.path;
  return reply.answer;
}

bool ScriptedHost::PumpMessages() {
  ++pumpCount;
  return onPump && onPump();
}

std::uint64_t ScriptedHost::TickCount() {
  ++tickReads;
  const std::uint64_t tick = now;
  now += tickStep;
  return tick;
}
