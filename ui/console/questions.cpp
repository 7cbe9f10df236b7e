#include "ui/console/questions.h"

#include <algorithm>
#include <array>
#include <span>

#include "engine/operation_host.h"
#include "platform/plain_text.h"

namespace {

// The buttons of the platform's message box beyond those the engine names.
constexpr int kButtonAbort = 3;
constexpr int kButtonIgnore = 5;

struct Answer {
  int button;
  std::string_view word;
};

struct BoxKind {
  std::span<const Answer> answers;
  int safeButton;
};

constexpr Answer kOk[] = {{kButtonOk, "ok"}};
constexpr Answer kOkCancel[] = {{kButtonOk, "ok"}, {kButtonCancel, "cancel"}};
constexpr Answer kAbortRetryIgnore[] = {
    {kButtonAbort, "abort"}, {kButtonRetry, "retry"}, {kButtonIgnore, "ignore"}};
constexpr Answer kYesNoCancel[] = {
    {kButtonYes, "yes"}, {kButtonNo, "no"}, {kButtonCancel, "cancel"}};
constexpr Answer kYesNo[] = {{kButtonYes, "yes"}, {kButtonNo, "no"}};
constexpr Answer kRetryCancel[] = {{kButtonRetry, "retry"}, {kButtonCancel, "cancel"}};

// Indexed by the low four bits of the box type, as the platform's message box numbers them.
constexpr std::array<BoxKind, 6> kBoxKinds = {{
    {kOk, kButtonOk},
    {kOkCancel, kButtonCancel},
    {kAbortRetryIgnore, kButtonAbort},
    {kYesNoCancel, kButtonCancel},
    {kYesNo, kButtonNo},
    {kRetryCancel, kButtonCancel},
}};

const BoxKind& KindOf(unsigned boxType) {
  const unsigned index = boxType & 0xF;
  return index < kBoxKinds.size() ? kBoxKinds[index] : kBoxKinds[0];
}

bool HasYesAndNo(const BoxKind& kind) {
  const auto offers = [&kind](int button) {
    return std::ranges::any_of(kind.answers,
                               [button](const Answer& a) { return a.button == button; });
  };
  return offers(kButtonYes) && offers(kButtonNo);
}

}  // namespace

std::string AnswerKeys(unsigned boxType) {
  const BoxKind& kind = KindOf(boxType);
  if (kind.answers.size() == 1) return "Enter";
  std::string keys;
  for (const Answer& answer : kind.answers) {
    if (!keys.empty()) keys += '/';
    keys += answer.word.front();
  }
  return keys;
}

std::optional<int> ButtonForAnswer(unsigned boxType, std::string_view typed) {
  const BoxKind& kind = KindOf(boxType);
  const std::string answer = platform::LowerAscii(platform::Trim(typed));
  // A box with one button is answered by pressing Enter.
  if (answer.empty() && kind.answers.size() == 1) return kind.answers.front().button;
  for (const Answer& offered : kind.answers) {
    if (answer == offered.word || answer == offered.word.substr(0, 1)) return offered.button;
  }
  return std::nullopt;
}

std::optional<int> PresetButton(unsigned boxType, PresetAnswer preset) {
  if (preset == PresetAnswer::none || !HasYesAndNo(KindOf(boxType))) return std::nullopt;
  return preset == PresetAnswer::yes ? kButtonYes : kButtonNo;
}

int SafeButton(unsigned boxType) { return KindOf(boxType).safeButton; }

std::string_view AnswerWord(int button) {
  for (const BoxKind& kind : kBoxKinds) {
    for (const Answer& answer : kind.answers) {
      if (answer.button == button) return answer.word;
    }
  }
  return {};
}
