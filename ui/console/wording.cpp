#include "ui/console/wording.h"

#include <optional>
#include <vector>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

// Whole messages said otherwise, with the same inserts.
struct Rewording {
  unsigned id;
  std::string_view words;
};
constexpr Rewording kRewordings[] = {
    {IDS_FILE_ERROR_BASE + CFileException::sharingViolation, "Another program is using %1."},
    // The window's text asks to clear a check box.
    {IDS_STUB_TOO_OLD,
     "Your version of PartwellLite doesn't support self-extraction: update your copy of "
     "PartwellLite, or split with --data-only. File location: %1"},
};
constexpr std::string_view kVerifying = "Verifying the split files of %1...";
constexpr std::string_view kTransferWithoutRate = "Data processed: %1";
constexpr std::string_view kPieceNamed = "%1 (disk #%2).";
constexpr std::string_view kPieceUnnamed = "%1 in %2 (disk #%3).";
constexpr std::string_view kMergeMediaHint =
    "If you are merging from removable media, insert disk #%1, then press Enter.";
constexpr std::string_view kShortOfSpace = "Not enough space to store %1 (disk #%2).";
constexpr std::string_view kSplitMediaHint =
    "If you are splitting to removable media, insert a new disk labeled #%1, then press Enter.";

// The inserts %1, %2... that made `text` from the string-table entry `id`, in the order
// they stand in it; nothing when the text was not made from it. An insert runs to the first
// place where the entry's next words follow, the last one to those that close the entry.
std::optional<std::vector<std::string>> InsertsOf(unsigned id, std::string_view text) {
  const std::optional<std::string> entry = StringTableText(id);
  if (!entry) return std::nullopt;
  // The entry's words between its inserts.
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < entry->size(); ++i) {
    const char next = i + 1 < entry->size() ? (*entry)[i + 1] : '\0';
    if ((*entry)[i] == '%' && next >= '1' && next <= '9') {
      words.emplace_back();
      ++i;
    } else {
      words.back() += (*entry)[i];
      if ((*entry)[i] == '%' && next == '%') ++i;
    }
  }
  if (!text.starts_with(words.front())) return std::nullopt;
  text.remove_prefix(words.front().size());
  std::vector<std::string> inserts;
  for (std::size_t word = 1; word < words.size(); ++word) {
    const std::string& after = words[word];
    const bool last = word + 1 == words.size();
    const std::size_t at =
        last ? (text.ends_with(after) ? text.size() - after.size() : std::string_view::npos)
             : text.find(after);
    if (at == std::string_view::npos) return std::nullopt;
    inserts.emplace_back(text.substr(0, at));
    text.remove_prefix(at + after.size());
  }
  if (words.size() == 1 && !text.empty()) return std::nullopt;
  return inserts;
}

// The words filled with the inserts that made `text` from the entry `id`; nothing when the
// text was not made from it. The table's texts have three inserts at most.
std::optional<std::string> Reworded(unsigned id, std::string_view text, std::string_view words) {
  const std::optional<std::vector<std::string>> inserts = InsertsOf(id, text);
  if (!inserts) return std::nullopt;
  const auto insert = [&inserts](std::size_t index) {
    return index < inserts->size() ? std::string_view((*inserts)[index]) : std::string_view();
  };
  return FormatMessageText(words, {insert(0), insert(1), insert(2)});
}

std::string WithoutClosingPeriod(std::string text) {
  if (text.ends_with('.')) text.pop_back();
  return text;
}

}  // namespace

std::string ConsoleWording(std::string_view text) {
  for (const Rewording& rewording : kRewordings) {
    if (std::optional<std::string> shown = Reworded(rewording.id, text, rewording.words)) {
      return *shown;
    }
  }
  return std::string(text);
}

std::string VerifyStatusText(std::string_view text) {
  return Reworded(IDS_CREATING_FILE, text, kVerifying).value_or(std::string(text));
}

std::string TransferLineText(std::string_view text, std::uint64_t elapsedMilliseconds) {
  if (elapsedMilliseconds >= 1000) return std::string(text);
  return Reworded(IDS_DATA_PROCESSED, text, kTransferWithoutRate).value_or(std::string(text));
}

LocationReason ConsoleLocationReason(std::string_view reason, std::string_view path) {
  if (const auto inserts = InsertsOf(IDS_INSERT_MERGE_DISK, reason)) {
    const std::string problem = WithoutClosingPeriod(ConsoleWording((*inserts)[0]));
    const std::string& disk = (*inserts)[1];
    return {problem.find(path) != std::string::npos
                ? FormatMessageText(kPieceNamed, {problem, disk})
                : FormatMessageText(kPieceUnnamed, {problem, path, disk}),
            FormatMessageText(kMergeMediaHint, {disk})};
  }
  if (const auto inserts = InsertsOf(IDS_NOT_ENOUGH_SPACE_DISK, reason)) {
    const std::string& disk = (*inserts)[1];
    return {FormatMessageText(kShortOfSpace, {(*inserts)[0], disk}),
            FormatMessageText(kSplitMediaHint, {disk})};
  }
  return {ConsoleWording(reason), {}};
}
