// Writes the seed packages of the fuzz targets that read package files, with the tests'
// package builder: every master form, alone and self-extracting, and pieces of both forms.
// Usage: make_seed_corpus CORPUS_FOLDER (the folder that holds one folder per target).

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/package_builder.h"
#include "tests/support/scratch_folder.h"

namespace {

// A short program in front of a self-extracting master: the reader only skips it.
ByteString Stub() {
  ByteString stub = PatternBytes(256, 7);
  const ByteString start = {0x7F, 'E', 'L', 'F'};
  std::copy(start.begin(), start.end(), stub.begin());
  return stub;
}

// Small pieces keep the seeds small; the readers look only at the headers.
TestPackage Package(std::uint32_t version, bool selfExtracting, const std::string& comments) {
  PackageOptions options;
  options.version = version;
  options.selfExtracting = selfExtracting;
  options.maxPieceDataSize = 40;
  options.comments = comments;
  if (selfExtracting) options.stub = Stub();
  return TestPackage(options, PatternBytes(100, version));
}

void Write(const std::filesystem::path& folder, const std::string& name, const ByteString& bytes) {
  std::filesystem::create_directories(folder);
  WriteWholeFile((folder / name).string(), bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seed_corpus CORPUS_FOLDER\n");
    return 2;
  }
  const std::filesystem::path corpus = argv[1];
  const std::filesystem::path masters = corpus / "master_file";
  const std::filesystem::path pieces = corpus / "piece_header";
  const struct {
    const char* name;
    std::uint32_t version;
  } versions[] = {{"current", kTestCurrentVersion},
                  {"early_1", kTestVersion1},
                  {"early_1_2", kTestVersion1_2},
                  {"early_2", kTestVersion2}};
  for (const auto& [name, version] : versions) {
    const std::string base = name;
    Write(masters, base + ".fsm", Package(version, false, "").MasterFileBytes());
    Write(masters, base + "_self_extracting.exe", Package(version, true, "").MasterFileBytes());
    const TestPackage package = Package(version, false, "");
    Write(pieces, base + "_first.fss", package.PieceFileBytes(0));
    Write(pieces, base + "_last.fss", package.PieceFileBytes(package.pieces.size() - 1));
  }
  // Texts beyond ASCII, up to the end of their fields.
  Write(masters, "current_comments.fsm",
        Package(kTestCurrentVersion, false, "Grüße, 日本語 \U0001F600" + std::string(600, 'x'))
            .MasterFileBytes());
  return 0;
}
