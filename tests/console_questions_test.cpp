#include "ui/console/questions.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/operation_host.h"

namespace {

constexpr unsigned kBoxOkCancel = 0x01;
constexpr unsigned kBoxAbortRetryIgnore = 0x02;
constexpr unsigned kBoxYesNoCancel = 0x03;

TEST(ConsoleQuestions, ReadsTypedAnswersAsTheBoxOffersThem) {
  const struct {
    unsigned boxType;
    std::string typed;
    std::optional<int> button;
  } cases[] = {
      {kBoxYesNo | kBoxIconQuestion, "y", kButtonYes},
      {kBoxYesNo, " YES ", kButtonYes},
      {kBoxYesNo, "n", kButtonNo},
      {kBoxYesNo, "No", kButtonNo},
      {kBoxYesNo, "", std::nullopt},
      {kBoxYesNo, "ye", std::nullopt},
      {kBoxYesNo, "c", std::nullopt},
      {kBoxRetryCancel, "r", kButtonRetry},
      {kBoxRetryCancel, "cancel", kButtonCancel},
      {kBoxRetryCancel, "y", std::nullopt},
      {kBoxOk, "", kButtonOk},
      {kBoxOk, "ok", kButtonOk},
      {kBoxOkCancel, "", std::nullopt},
      {kBoxOkCancel, "o", kButtonOk},
      {kBoxYesNoCancel, "C", kButtonCancel},
      {kBoxAbortRetryIgnore, "i", 5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ButtonForAnswer(c.boxType, c.typed), c.button)
        << "box " << c.boxType << " typed '" << c.typed << "'";
  }
}

TEST(ConsoleQuestions, OffersTheKeysOfEachBox) {
  EXPECT_EQ(AnswerKeys(kBoxYesNo | kBoxIconQuestion), "y/n");
  EXPECT_EQ(AnswerKeys(kBoxRetryCancel), "r/c");
  EXPECT_EQ(AnswerKeys(kBoxYesNoCancel), "y/n/c");
  EXPECT_EQ(AnswerKeys(kBoxOk | kBoxIconExclamation), "Enter");
}

TEST(ConsoleQuestions, AnswersWithoutAskingOnlyWhatIsSafeOrWasSaid) {
  // --yes never turns into a Retry, which could repeat a failing step for ever.
  EXPECT_EQ(PresetButton(kBoxYesNo, PresetAnswer::yes), kButtonYes);
  EXPECT_EQ(PresetButton(kBoxYesNo, PresetAnswer::no), kButtonNo);
  EXPECT_EQ(PresetButton(kBoxYesNoCancel, PresetAnswer::yes), kButtonYes);
  EXPECT_EQ(PresetButton(kBoxYesNo, PresetAnswer::none), std::nullopt);
  EXPECT_EQ(PresetButton(kBoxRetryCancel, PresetAnswer::yes), std::nullopt);
  EXPECT_EQ(PresetButton(kBoxOkCancel, PresetAnswer::yes), std::nullopt);

  EXPECT_EQ(SafeButton(kBoxYesNo | kBoxIconQuestion), kButtonNo);
  EXPECT_EQ(SafeButton(kBoxRetryCancel), kButtonCancel);
  EXPECT_EQ(SafeButton(kBoxOkCancel), kButtonCancel);
  EXPECT_EQ(SafeButton(kBoxYesNoCancel), kButtonCancel);
  EXPECT_EQ(SafeButton(kBoxOk), kButtonOk);
  EXPECT_EQ(AnswerWord(kButtonNo), "no");
  EXPECT_EQ(AnswerWord(kButtonRetry), "retry");
}

}  // namespace
