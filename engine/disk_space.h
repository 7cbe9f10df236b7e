#pragma once
// Free space, the fixed-drive test, the "Select Another Location" prompt as the operations use
// it, the relocation of a package's file names after it, and the overwrite question.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/operation_host.h"

class CException;

// The reason text of a prompt holds at most this many UTF-16 units with its terminator.
inline constexpr std::size_t kReasonCapacity = 520;

// The error's message cut to kReasonCapacity: the reason of a prompt, or of a message that
// quotes it.
std::string ReasonOf(const CException& error);

// Bytes available to the user on the volume that holds the path's drive and folder (the file
// name part is dropped; with `isFolder` the whole path names the folder). Nothing when the
// platform cannot answer, for instance for a missing folder or an empty drive: the caller then
// skips its check. (Not named GetFreeSpace: that is a macro of <windows.h>.)
std::optional<std::uint64_t> GetFreeSpaceAt(const std::string& path, bool isFolder);

// Whether the folder lies on a fixed (local, non-removable) drive; only then does the split
// warn about a shortage of space before it starts.
bool IsFixedDriveFolder(const std::string& folder);

// The location prompt in folder mode. The folder field starts with `folder`; on OK `folder`
// receives the chosen folder, ending with a separator. A chosen path of 260 UTF-16 units or
// more gives pathTooLong and leaves `folder` alone.
LocationAnswer PromptFolder(OperationHost& host, std::string& folder, const std::string& reason);
// The location prompt in file mode, for a missing package piece; same answers.
LocationAnswer PromptFile(OperationHost& host, std::string& path, const std::string& reason);

// Asks for another folder for `path` after `error`, whose own text (at most 519 units) is the
// reason. The prompt starts at the path's drive and folder; on OK the path moves into the
// chosen folder and keeps its file name.
LocationAnswer RelocateAfterError(OperationHost& host, std::string& path, const CException& error);
// The same for a whole package: the master (index 0) is relocated, and on OK every other file
// name follows it into the chosen folder, keeping its own name.
LocationAnswer RelocatePackage(OperationHost& host, std::vector<std::string>& names,
                               const CException& error);

// When a file exists at `path`, asks the message `messageId` (%1 = the path) with Yes and No:
// Yes returns true, No raises the silent abort. A missing file returns false without asking.
bool ConfirmOverwrite(OperationHost& host, const std::string& path, unsigned messageId);
