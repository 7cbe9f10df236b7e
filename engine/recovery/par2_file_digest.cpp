#include "engine/recovery/par2_file_digest.h"

#include <algorithm>
#include <vector>

#include "engine/file64.h"
#include "engine/recovery/crc32.h"

namespace {

constexpr std::uint32_t kReadSize = 128 * 1024;
constexpr std::uint64_t kHash16kSize = 16 * 1024;

// The digests of one slice as its bytes pass.
struct SliceDigest {
  Md5 md5;
  std::uint32_t crc = 0;
  std::uint64_t taken = 0;

  Par2SliceCheck Finish(std::uint64_t sliceSize) {
    // The zeros that pad a short last slice.
    static const std::vector<std::uint8_t> zeros(kReadSize, 0);
    for (std::uint64_t left = sliceSize - taken; left > 0;) {
      const std::uint64_t run = std::min<std::uint64_t>(left, zeros.size());
      md5.Update(zeros.data(), run);
      left -= run;
    }
    return {md5.Finish(), Crc32Zeros(crc, sliceSize - taken)};
  }
};

}  // namespace

Par2File DigestPar2Data(CFile64& input, std::uint64_t sliceSize, std::uint64_t sliceLimit,
                        const std::function<void(std::uint64_t)>& onRead) {
  Par2File file;
  Md5 whole;
  Md5 first16k;
  SliceDigest slice;
  std::vector<std::uint8_t> buffer(kReadSize);
  std::uint64_t position = 0;
  for (;;) {
    const std::uint32_t read = input.Read(buffer.data(), kReadSize);
    if (read == 0) break;
    if (onRead) onRead(read);
    for (std::uint32_t offset = 0; offset < read;) {
      const std::uint8_t* data = buffer.data() + offset;
      const bool inSlices = position < sliceLimit;
      const auto run = static_cast<std::uint32_t>(
          inSlices ? std::min<std::uint64_t>(
                         {read - offset, sliceSize - slice.taken, sliceLimit - position})
                   : read - offset);
      if (position < kHash16kSize) {
        first16k.Update(data, std::min<std::uint64_t>(run, kHash16kSize - position));
      }
      position += run;
      offset += run;
      if (!inSlices) {
        whole.Update(data, run);
        continue;
      }
      Md5::UpdateBoth(whole, slice.md5, data, run);
      slice.crc = Crc32(slice.crc, data, run);
      slice.taken += run;
      if (slice.taken == sliceSize) {
        file.slices.push_back(slice.Finish(sliceSize));
        slice = SliceDigest{};
      }
    }
  }
  if (slice.taken > 0) file.slices.push_back(slice.Finish(sliceSize));
  file.length = position;
  file.hash = whole.Finish();
  file.hash16k = first16k.Finish();
  return file;
}

Par2File DigestPar2File(const std::string& path, const std::string& name, std::uint64_t sliceSize) {
  CFile64 input;
  CFileException error;
  if (!input.Open(path, false, &error)) RaiseFileError(error.m_cause, path);
  Par2File file = DigestPar2Data(input, sliceSize, UINT64_MAX);
  input.Close();
  file.name = name;
  file.id = Par2FileId(file.hash16k, file.length, file.name);
  return file;
}
