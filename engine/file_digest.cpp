#include "engine/file_digest.h"

#include "engine/file64.h"

namespace {

// As often as the copy asks.
constexpr std::uint64_t kCancelPollInterval = 100;

}  // namespace

std::optional<Sha256Digest> DigestOfFile(OperationHost& host, const std::string& path,
                                         CopyBuffer& buffer) {
  CFile64 file;
  file.Open(path, false);
  Sha256 digest;
  CopyPacing& pacing = buffer.Pacing();
  for (;;) {
    const std::uint64_t now = host.TickCount();
    if (now - pacing.lastCancelPoll > kCancelPollInterval) {
      pacing.lastCancelPoll = now;
      if (PollCancel(host) || host.PumpMessages()) return std::nullopt;
    }
    const std::uint32_t read = file.Read(buffer.Data(), buffer.Size());
    if (read == 0) break;
    digest.Update(buffer.Data(), read);
  }
  file.Close();
  return digest.Finish();
}
