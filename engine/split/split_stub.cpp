#include "engine/split/split_stub.h"

#include <string_view>

#include "base/exceptions.h"
#include "base/message_format.h"
#include "base/path_text.h"
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
  LocateStubAt(folder + LiteProgramFileName(), stub);
}

void LocateStubAt(const std::string& path, StubRecord& stub) {
  std::uint64_t size = 0;
  RaiseSystemFileError(platform::SizeFromDirectoryEntry(path, size), path);
  platform::VersionInfo version;
  if (const platform::ErrorCode code = platform::ReadVersionInfo(path, version)) {
    ThrowSystemError(code, path);
  }
  if (!version.fixed || version.fixed->productVersionMs < kOldestStubVersion) {
    ThrowAppException(IDS_STUB_TOO_OLD, {path});
  }
  // A stub given by its path may be any of our programs; only the lite one merges when run.
  if (version.productName != kLiteProductName) {
    throw CAppException(path + " is not " + std::string(kLiteProductName) +
                        ": only the lite program can head a self-extracting package.");
  }
  stub.size = static_cast<std::uint32_t>(size);
  stub.path = path;
}
