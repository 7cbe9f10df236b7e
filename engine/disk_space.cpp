#include "engine/disk_space.h"

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/path_text.h"
#include "engine/file64.h"
#include "engine/operation_host.h"
#include "platform/files.h"
#include "platform/unicode.h"
#include "platform/volumes.h"

namespace {

// The folder with a separator at its end, as the platform writes one; an empty path stays
// empty (the current folder).
std::string WithTrailingSeparator(const std::string& folder) {
  return platform::FolderQueryPath(folder).value_or(folder);
}

LocationAnswer PromptForLocation(OperationHost& host, LocationMode mode, std::string& path,
                                 const std::string& reason) {
  std::string chosen = path;
  const LocationAnswer answer = host.PromptLocation(mode, chosen, reason);
  if (answer != LocationAnswer::ok) return answer;
  if (mode == LocationMode::folder) chosen = WithTrailingSeparator(chosen);
  // The operations store names built from this path in fields of 260 units.
  if (platform::Utf16Length(chosen) >= platform::kLongPathLength) {
    return LocationAnswer::pathTooLong;
  }
  path = std::move(chosen);
  return LocationAnswer::ok;
}

}  // namespace

std::optional<std::uint64_t> GetFreeSpaceAt(const std::string& path, bool isFolder) {
  return platform::FreeBytesAvailable(FolderPart(isFolder ? WithTrailingSeparator(path) : path));
}

bool IsFixedDriveFolder(const std::string& folder) { return platform::IsOnFixedDrive(folder); }

LocationAnswer PromptFolder(OperationHost& host, std::string& folder, const std::string& reason) {
  return PromptForLocation(host, LocationMode::folder, folder, reason);
}

std::string ReasonOf(const CException& error) {
  std::string text;
  error.GetErrorMessage(text, kReasonCapacity);
  return text;
}

LocationAnswer PromptFile(OperationHost& host, std::string& path, const std::string& reason) {
  return PromptForLocation(host, LocationMode::file, path, reason);
}

LocationAnswer RelocateAfterError(OperationHost& host, std::string& path, const CException& error) {
  std::string folder = FolderPart(path);
  const LocationAnswer answer = PromptFolder(host, folder, ReasonOf(error));
  if (answer == LocationAnswer::ok) path = folder + FileNamePart(path);
  return answer;
}

LocationAnswer RelocatePackage(OperationHost& host, std::vector<std::string>& names,
                               const CException& error) {
  const LocationAnswer answer = RelocateAfterError(host, names.at(0), error);
  if (answer != LocationAnswer::ok) return answer;
  const std::string folder = FolderPart(names[0]);
  for (std::size_t index = 1; index < names.size(); ++index) {
    names[index] = folder + FileNamePart(names[index]);
  }
  return answer;
}

bool ConfirmOverwrite(OperationHost& host, const std::string& path, unsigned messageId) {
  if (!platform::FileExists(path)) return false;
  const std::string question = LoadMessage(messageId, {path}).value_or("");
  if (host.AskQuestion(question, kBoxYesNo) != kButtonYes) ThrowUserAbort();
  return true;
}
