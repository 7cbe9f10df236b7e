#include "engine/split/split_plan.h"

#include <algorithm>

#include "base/exceptions.h"
#include "base/text_format.h"
#include "engine/file64.h"
#include "platform/unicode.h"
#include "res/resource.h"

namespace {

constexpr std::uint64_t kPieceHeaderBytes = kPieceHeaderSize;

std::uint64_t CeilDivide(std::uint64_t dividend, std::uint64_t divisor) {
  return dividend / divisor + (dividend % divisor != 0 ? 1 : 0);
}

[[noreturn]] void ThrowSplitSizeRange() {
  ThrowAppException(IDS_SPLIT_SIZE_RANGE,
                    {FormatInteger(kMinSplitFileSize), FormatInteger(kMaxSplitFileSize),
                     FormatByteSize(kMaxSplitFileSize)});
}

void CheckSourcePath(const std::string& sourcePath) {
  if (sourcePath.empty()) ThrowAppException(IDS_NO_FILE_NAME);
  if (!platform::FileExists(sourcePath)) ThrowAppException(IDS_FILE_NOT_FOUND, {sourcePath});
  if (platform::Utf16Length(sourcePath) > kMaxSourcePathChars) {
    ThrowAppException(IDS_SOURCE_PATH_TOO_LONG, {FormatInteger(kMaxSourcePathChars)});
  }
}

std::uint64_t CheckedSourceSize(const std::string& sourcePath) {
  std::uint64_t size = 0;
  RaiseSystemFileError(platform::SizeFromDirectoryEntry(sourcePath, size), sourcePath);
  if (size < kMinOriginalSize || size > kMaxOriginalSize) {
    ThrowAppException(IDS_SOURCE_SIZE_RANGE,
                      {FormatInteger(kMinOriginalSize), FormatInteger(kMaxOriginalSize),
                       FormatByteSize(kMaxOriginalSize)});
  }
  return size;
}

// Count mode: the split file size that divides the source into the wanted number of files.
std::uint64_t SplitFileSizeForWantedCount(std::uint64_t sourceSize, std::uint32_t fileCount) {
  // The page keeps the count in range; a count below 2 would leave no data split file.
  if (fileCount < kMinFileCount || fileCount > kMaxFileCount) {
    ThrowAppException(IDS_SPLIT_COUNT_RANGE,
                      {FormatInteger(kMinFileCount), FormatInteger(kMaxFileCount)});
  }
  const std::uint64_t size = SplitFileSizeForCount(sourceSize, fileCount);
  if (size < kMinSplitFileSize) {
    ThrowAppException(IDS_SPLIT_COUNT_RANGE,
                      {FormatInteger(kMinFileCount), FormatInteger(MaxSplitFileCount(sourceSize))});
  }
  if (size > kMaxSplitFileSize) ThrowSplitSizeRange();
  return size;
}

}  // namespace

std::uint64_t SplitFileSizeForCount(std::uint64_t sourceSize, std::uint32_t fileCount) {
  return CeilDivide(sourceSize, fileCount - 1) + kPieceHeaderBytes;
}

std::uint64_t MaxSplitFileCount(std::uint64_t sourceSize) {
  // ceil(size / m) >= smallest data share exactly when m <= (size - 1) / (share - 1).
  const std::uint64_t smallestShare = kMinSplitFileSize - kPieceHeaderBytes;
  return sourceSize == 0 ? 1 : (sourceSize - 1) / (smallestShare - 1) + 1;
}

std::uint64_t EstimatePackageSize(std::uint32_t fileCount, std::uint64_t sourceSize,
                                  std::uint32_t stubSize) {
  return stubSize + kMasterHeaderSize +
         (fileCount - 1) * SplitFileSizeForCount(sourceSize, fileCount);
}

void PlanSplit(const std::string& sourcePath, const std::string& destinationPrefix,
               SplitOptions& options, MasterHeader& header, StubRecord* stub) {
  CheckSourcePath(sourcePath);
  const std::uint64_t sourceSize = CheckedSourceSize(sourcePath);
  if (platform::Utf16Length(destinationPrefix) > kMaxPathPrefixChars) {
    ThrowAppException(IDS_PREFIX_PATH_TOO_LONG, {FormatInteger(kMaxPathPrefixChars)});
  }
  if (!options.bySize) {
    options.maxSplitFileSize = SplitFileSizeForWantedCount(sourceSize, options.fileCount);
  }
  if (options.maxSplitFileSize < kMinSplitFileSize ||
      options.maxSplitFileSize > kMaxSplitFileSize) {
    ThrowSplitSizeRange();
  }
  const std::uint64_t pieceDataSize =
      std::min(options.maxSplitFileSize, sourceSize + kPieceHeaderBytes) - kPieceHeaderBytes;
  const std::uint64_t fileCount = CeilDivide(sourceSize, pieceDataSize) + 1;
  if (fileCount > kMaxFileCount) ThrowAppException(IDS_TOO_MANY_SPLIT_FILES);
  if (options.selfExtracting && stub != nullptr) {
    if (options.stubPath.empty()) {
      LocateStub(*stub);
    } else {
      LocateStubAt(options.stubPath, *stub);
    }
    const std::uint64_t smallest = std::uint64_t{stub->size} + kPieceHeaderBytes;
    if (options.maxSplitFileSize < smallest) {
      ThrowAppException(IDS_SPLIT_SIZE_BELOW_STUB, {FormatInteger(smallest)});
    }
  }
  header = NewMasterHeader();
  header.maxPieceDataSize = pieceDataSize;
  header.fileCount = static_cast<std::uint32_t>(fileCount);
  header.originalSize = sourceSize;
  header.pathPrefix = destinationPrefix;
  header.sourcePath = sourcePath;
  header.comments = options.comments;
}
