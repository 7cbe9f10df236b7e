#include "engine/recovery/recovery_input.h"

#include <algorithm>
#include <cstring>

#include "base/path_text.h"

RecoveryInput RecoveryInput::OfFile(const std::string& path) {
  RecoveryInput input(FileNamePart(path));
  input.parts_.push_back({{}, path, 0, UINT64_MAX});
  return input;
}

void RecoveryInput::AddBytes(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::byte*>(data);
  parts_.push_back({std::vector<std::byte>(bytes, bytes + size), {}, 0, size});
}

void RecoveryInput::AddFileRun(const std::string& path, std::uint64_t offset, std::uint64_t size) {
  parts_.push_back({{}, path, offset, size});
}

const std::string& RecoveryInput::ErrorPath() const {
  for (const Part& part : parts_) {
    if (!part.path.empty()) return part.path;
  }
  return name_;
}

RecoveryInput::Reader::Reader(const RecoveryInput& input) : input_(input) {
  for (const Part& part : input.parts_) {
    std::unique_ptr<CFile64>& file = files_.emplace_back();
    std::uint64_t size = part.size;
    if (!part.path.empty()) {
      file = std::make_unique<CFile64>();
      file->Open(part.path, false);
      if (size == UINT64_MAX) size = file->Length() - std::min(part.offset, file->Length());
    }
    sizes_.push_back(size);
    length_ += size;
  }
}

void RecoveryInput::Reader::ReadAt(std::uint64_t offset, std::byte* buffer, std::uint32_t size) {
  std::uint64_t partStart = 0;
  for (std::size_t i = 0; i < input_.parts_.size() && size > 0; ++i) {
    const Part& part = input_.parts_[i];
    const std::uint64_t partEnd = partStart + sizes_[i];
    if (offset < partEnd) {
      const std::uint64_t within = offset - partStart;
      const auto run = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, partEnd - offset));
      if (files_[i]) {
        ReadExactlyAt(*files_[i], part.offset + within, buffer, run);
      } else {
        std::memcpy(buffer, part.bytes.data() + within, run);
      }
      buffer += run;
      offset += run;
      size -= run;
    }
    partStart = partEnd;
  }
  if (size > 0) RaiseFileError(CFileException::endOfFile, input_.ErrorPath());
}
