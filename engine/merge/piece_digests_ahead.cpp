#include "engine/merge/piece_digests_ahead.h"

#include <algorithm>
#include <array>
#include <memory>

#include "base/exceptions.h"
#include "engine/file64.h"
#include "engine/recovery/crc32.h"

namespace {

constexpr std::uint32_t kReadSize = 128 * 1024;

// Raised inside the reading once the merge has gone on without it.
struct Stopped {};

// One piece file as it is read: its digest, its CRC-32 and its length so far.
class PieceRead {
 public:
  explicit PieceRead(const std::string& path) : buffer_(kReadSize) { file_.Open(path, false); }

  // The next run; 0 at the end.
  std::uint32_t Next() {
    const std::uint32_t size = file_.Read(buffer_.data(), kReadSize);
    taken_.crc = Crc32(taken_.crc, buffer_.data(), size);
    taken_.length += size;
    return size;
  }
  const std::uint8_t* Data() const { return buffer_.data(); }
  Sha256& Digest() { return digest_; }
  FileDigestAndCrc Finish() {
    file_.Close();
    taken_.digest = digest_.Finish();
    return taken_;
  }

 private:
  CFile64 file_;
  std::vector<std::uint8_t> buffer_;
  Sha256 digest_;
  FileDigestAndCrc taken_;
};

// A piece whose file cannot be opened is left to the merge, which reports it as it reads it.
std::unique_ptr<PieceRead> OpenPiece(const std::string& path) {
  try {
    return std::make_unique<PieceRead>(path);
  } catch (const CException&) {
    return nullptr;
  }
}

}  // namespace

FileDigestAndCrc DigestAndCrcOfFile(const std::string& path) {
  PieceRead read(path);
  while (const std::uint32_t size = read.Next()) read.Digest().Update(read.Data(), size);
  return read.Finish();
}

PieceDigestsAhead::PieceDigestsAhead(std::vector<std::string> paths)
    : paths_(std::move(paths)), ended_(paths_.size()), taken_(paths_.size()) {
  work_.Hand([this] { DigestAll(); });
}

PieceDigestsAhead::~PieceDigestsAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }
  work_.Stop();
}

void PieceDigestsAhead::Reached(std::uint32_t index) {
  std::lock_guard lock(mutex_);
  reached_ = std::max(reached_, index);
  changed_.notify_all();
}

std::optional<FileDigestAndCrc> PieceDigestsAhead::Wait(std::uint32_t index) {
  if (paths_.at(index).empty()) return std::nullopt;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return ended_.at(index); });
  return taken_[index];
}

void PieceDigestsAhead::DigestAll() {
  try {
    std::vector<std::uint32_t> listed;
    for (std::uint32_t index = 0; index < paths_.size(); ++index) {
      if (!paths_[index].empty()) listed.push_back(index);
    }
    for (std::size_t k = 0; k < listed.size(); k += 2) {
      {
        // Each pair once the merge is in the pair before it.
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || k == 0 || reached_ >= listed[k - 2]; });
        if (stopping_) return;
      }
      DigestPair(listed[k], k + 1 < listed.size() ? listed[k + 1] : UINT32_MAX);
    }
  } catch (const Stopped&) {
  } catch (...) {
    // The merge then reads for itself the pieces still to come; none is left waited for. Only
    // this thread marks a piece ended: no lock is needed to tell which are.
    for (std::uint32_t index = 0; index < paths_.size(); ++index) {
      if (!paths_[index].empty() && !ended_[index]) Publish(index, std::nullopt);
    }
  }
}

void PieceDigestsAhead::DigestPair(std::uint32_t first, std::uint32_t second) {
  std::array<std::unique_ptr<PieceRead>, 2> reads = {
      OpenPiece(paths_[first]), second == UINT32_MAX ? nullptr : OpenPiece(paths_[second])};
  const std::array<std::uint32_t, 2> indexes = {first, second};
  for (std::size_t i = 0; i < 2; ++i) {
    if (!reads[i] && indexes[i] != UINT32_MAX) Publish(indexes[i], std::nullopt);
  }
  std::array<std::uint32_t, 2> sizes{};
  while (reads[0] || reads[1]) {
    if (work_.Stopping()) throw Stopped{};
    for (std::size_t i = 0; i < 2; ++i) {
      if (!reads[i]) continue;
      try {
        sizes[i] = reads[i]->Next();
        if (sizes[i] > 0) continue;
        Publish(indexes[i], reads[i]->Finish());
      } catch (const CException&) {
        Publish(indexes[i], std::nullopt);
      }
      reads[i].reset();
    }
    if (reads[0] && reads[1] && sizes[0] == sizes[1]) {
      Sha256::UpdateTwo(reads[0]->Digest(), reads[0]->Data(), reads[1]->Digest(), reads[1]->Data(),
                        sizes[0]);
      continue;
    }
    for (std::size_t i = 0; i < 2; ++i) {
      if (reads[i]) reads[i]->Digest().Update(reads[i]->Data(), sizes[i]);
    }
  }
}

void PieceDigestsAhead::Publish(std::uint32_t index, std::optional<FileDigestAndCrc> taken) {
  std::lock_guard lock(mutex_);
  taken_[index] = std::move(taken);
  ended_[index] = true;
  changed_.notify_all();
}
