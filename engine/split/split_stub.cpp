#include "engine/split/split_stub.h"

#include <string_view>

#include "app/exceptions.h"
#include "app/message_format.h"
#include "app/path_text.h"
#include "engine/file64.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/version_info.h"
#include "res/resource.h"

std::string LiteProgramFileName() {
  std::string name = LoadMessage(IDS_LITE_PROGRAM_FILE).value_or("");
  constexpr std::string_view kWindowsProgramExtension = ".exe";
  if (platform::kNativePathStyle == platform::PathStyle::posix &&
      name.ends_with(kWindowsProgramExtension)) {
    name.resize(name.size() - kWindowsProgramExtension.size());
  }
  return name;
}

void LocateStub(StubRecord& stub) {
  std::string programPath;
  if (const platform::ErrorCode code = platform::ModuleFilePath(programPath)) {
    RaiseSystemFileError(code, LiteProgramFileName());
  }
  LocateStubIn(FolderPart(programPath), stub);
}

void LocateStubIn(const std::string& folder, StubRecord& stub) {
  const std::string path = folder + LiteProgramFileName();
  std::uint64_t size = 0;
  RaiseSystemFileError(platform::SizeFromDirectoryEntry(path, size), path);
  platform::VersionInfo version;
  if (const platform::ErrorCode code = platform::ReadVersionInfo(path, version)) {
    ThrowSystemError(code, path);
  }
  if (!version.fixed || version.fixed->productVersionMs < kOldestStubVersion) {
    ThrowAppException(IDS_STUB_TOO_OLD, {path});
  }
  stub.size = static_cast<std::uint32_t>(size);
  stub.path = path;
}
