#include "ui/console/progress_line.h"

#include <algorithm>
#include <string_view>

#include "base/text_format.h"

namespace {

constexpr int kWidestBar = 30;
constexpr int kNarrowestBar = 10;

std::string PercentText(int percent) {
  std::string text = std::to_string(std::clamp(percent, 0, 100)) + "%";
  return std::string(4 - std::min<std::size_t>(text.size(), 4), ' ') + text;
}

std::string Bar(int percent, int width) {
  const int filled = std::clamp(percent, 0, 100) * width / 100;
  return "[" + std::string(filled, '#') + std::string(width - filled, '-') + "]";
}

bool StartsCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }

// The text up to `columns` characters, never cutting a UTF-8 sequence.
std::string CutToColumns(std::string text, std::size_t columns) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (StartsCharacter(text[i]) && ++characters > columns) {
      text.resize(i);
      break;
    }
  }
  return text;
}

}  // namespace

std::uint64_t ElapsedMilliseconds(const OperationState& state, std::uint64_t now) {
  const std::uint64_t end = state.operationEndTick != 0 ? state.operationEndTick : now;
  return end - std::min(end, state.operationStartTick);
}

ProgressFigures CurrentProgressFigures(const OperationState& state, int percent,
                                       std::uint64_t now) {
  ProgressFigures figures;
  figures.percent = percent;
  figures.elapsedSeconds = ElapsedSeconds(state, now);
  const std::uint64_t done = state.bytesDone;
  // In the first second the bytes done are no rate.
  if (ElapsedMilliseconds(state, now) >= 1000) {
    figures.bytesPerSecond = done / std::max<std::uint64_t>(figures.elapsedSeconds, 1);
  }
  // Nothing can be projected before the first second, or before any data is done.
  if (done != 0 && state.bytesTotal != 0 && figures.elapsedSeconds != 0) {
    const std::uint64_t whole = (state.bytesTotal * figures.elapsedSeconds + done / 2) / done;
    figures.remainingSeconds = whole - std::min(whole, figures.elapsedSeconds);
  }
  return figures;
}

std::string ProgressLineText(const ProgressFigures& figures, std::optional<int> width) {
  const std::string remaining =
      figures.remainingSeconds ? SecondsText(*figures.remainingSeconds) : "--:--:--";
  std::string tail = " " + PercentText(figures.percent) + "  " +
                     SecondsText(figures.elapsedSeconds) + " elapsed  " + remaining + " left";
  if (figures.bytesPerSecond) tail += "  " + FormatByteSize(*figures.bytesPerSecond) + "/s";
  int barWidth = kWidestBar;
  if (width) {
    const int room = *width - 1 - 2 - static_cast<int>(TextColumns(tail));
    barWidth = std::clamp(room, kNarrowestBar, kWidestBar);
  }
  std::string line = Bar(figures.percent, barWidth) + tail;
  if (width)
    line = CutToColumns(std::move(line), static_cast<std::size_t>(std::max(*width - 1, 0)));
  return line;
}

std::size_t TextColumns(std::string_view text) {
  return static_cast<std::size_t>(std::ranges::count_if(text, StartsCharacter));
}
