#pragma once
// Message-box questions as the console asks them: the answers it offers for each kind of box,
// the button a typed answer stands for, and the answer given when nobody can be asked.

#include <optional>
#include <string>
#include <string_view>

// What --yes or --no says about Yes/No questions.
enum class PresetAnswer { none, yes, no };

// The answers offered for a message-box type, for the end of the question: "y/n", "r/c"...
std::string AnswerKeys(unsigned boxType);

// The button (kButton* or the Abort and Ignore ids) a typed answer stands for: the answer's
// word or its first letter, in any letter case, blanks around it ignored. Nothing when the
// text is none of the answers the box offers.
std::optional<int> ButtonForAnswer(unsigned boxType, std::string_view typed);

// The answer --yes or --no gives, for a question with Yes and No only.
std::optional<int> PresetButton(unsigned boxType, PresetAnswer preset);

// The answer when nobody can be asked: the one that changes least (No, Cancel, Abort; OK when
// that is the only button).
int SafeButton(unsigned boxType);

// "yes", "no", "retry"... as printed after a question that was answered without asking.
std::string_view AnswerWord(int button);
