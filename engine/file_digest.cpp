#include "engine/file_digest.h"

#include <algorithm>

#include "engine/file64.h"

std::optional<Sha256Digest> DigestOfPackageFile(const std::string& path,
                                                std::span<std::byte> buffer, Sha256* original,
                                                std::uint64_t originalFrom,
                                                const BackgroundWork& work) {
  CFile64 file;
  file.Open(path, false);
  Sha256 digest;
  std::uint64_t position = 0;
  while (!work.Stopping()) {
    const std::uint32_t read = file.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    if (read == 0) {
      file.Close();
      return digest.Finish();
    }
    // The part before the original's bytes, a piece's header, is the file's alone.
    const std::uint64_t ownLeft =
        original == nullptr ? read : originalFrom - std::min(originalFrom, position);
    const auto own = static_cast<std::uint32_t>(std::min<std::uint64_t>(ownLeft, read));
    digest.Update(buffer.data(), own);
    if (own < read) Sha256::UpdateBoth(digest, *original, buffer.data() + own, read - own);
    position += read;
  }
  return std::nullopt;
}
