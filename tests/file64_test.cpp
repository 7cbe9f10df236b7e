#include "engine/file64.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::PathStyle;

std::string Utf8(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool OnWindows() { return platform::kNativePathStyle == PathStyle::windows; }

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("pw_file64_" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return Utf8(path_ / name); }

 private:
  fs::path path_;
};

void WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream(fs::u8path(path), std::ios::binary) << text;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void ExpectFileError(const CFileException& error, int cause, long code, const std::string& path) {
  EXPECT_EQ(error.cause, cause);
  EXPECT_EQ(error.osError, code);
  EXPECT_EQ(error.fileName, path);
}

// Another process holding a file open for writing, through the hold_for_writing tool,
// until this object closes its input.
class HeldByAnotherProcess {
 public:
  HeldByAnotherProcess(const std::string& path, const std::string& text) {
    std::string tool = std::string(PW_BIN_DIR) + "/hold_for_writing" + PW_EXE_SUFFIX;
    std::string command = "\"" + tool + "\" \"" + path + "\" " + text;
    // cmd /c drops the first and the last quote of its command line.
    if (OnWindows()) command = "\"" + command + "\"";
    pipe_ = popen(command.c_str(), "w");
    if (pipe_ == nullptr) throw std::runtime_error("cannot start " + tool);
    // The tool writes the text only once it holds the file.
    for (int tries = 0; tries < 6000; ++tries) {
      std::error_code error;
      if (fs::file_size(fs::u8path(path), error) == text.size() && !error) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pclose(pipe_);
    throw std::runtime_error("the tool did not take hold of " + path);
  }
  ~HeldByAnotherProcess() { Release(); }
  int Release() {
    int status = pipe_ != nullptr ? pclose(pipe_) : 0;
    pipe_ = nullptr;
    return status;
  }

 private:
  FILE* pipe_ = nullptr;
};

TEST(File64, NewObjectIsClosedAndClosingItDoesNothing) {
  CFile64 file;
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Handle(), platform::kInvalidFileHandle);
  EXPECT_NO_THROW(file.Close());
  EXPECT_TRUE(file.FileName().empty());
}

TEST(File64, OpenForWritingTruncatesAndCloseResetsTheObject) {
  TempFolder folder;
  std::string path = folder / "data.bin";
  WriteWholeFile(path, std::string(100, 'x'));
  CFile64 file;
  ASSERT_TRUE(file.Open(path, true));
  EXPECT_TRUE(file.IsOpen());
  EXPECT_EQ(file.FileName(), path);
  EXPECT_EQ(file.Length(), 0u);
  file.Write("abc", 3);
  EXPECT_EQ(file.Position(), 3u);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.FileName().empty());
  EXPECT_EQ(file.Handle(), platform::kInvalidFileHandle);
  EXPECT_EQ(ReadWholeFile(path), "abc");
}

TEST(File64, ReadStopsShortOnlyAtTheEnd) {
  TempFolder folder;
  std::string path = folder / "data.bin";
  WriteWholeFile(path, "0123456789");
  CFile64 file;
  ASSERT_TRUE(file.Open(path, false));
  char buffer[64] = {};
  EXPECT_EQ(file.Read(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 6u);
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(file.SeekToBegin(2), 2u);
  EXPECT_EQ(file.Read(buffer, 1), 1u);
  EXPECT_EQ(buffer[0], '2');
}

TEST(File64, FailedOpenFillsTheErrorObjectOrThrows) {
  struct Case {
    const char* relativePath;  // under the test folder, which holds a folder "sub"
    bool forWriting;
    int cause;
    platform::ErrorCode code;  // 0: the platform's own
  };
  const Case cases[] = {
      {"missing.bin", false, CFileException::fileNotFound, platform::kErrorFileNotFound},
      {"nowhere/data.bin", false, CFileException::badPath, platform::kErrorPathNotFound},
      {"nowhere/data.bin", true, CFileException::badPath, platform::kErrorPathNotFound},
      {"sub", false, CFileException::accessDenied, 0},
      {"sub", true, CFileException::accessDenied, 0},
  };
  TempFolder folder;
  fs::create_directory(folder.Path() / "sub");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.relativePath) + (c.forWriting ? " for writing" : " for reading"));
    std::string path = folder / c.relativePath;
    CFile64 file;
    CFileException error;
    EXPECT_FALSE(file.Open(path, c.forWriting, &error));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(error.cause, c.cause);
    EXPECT_EQ(error.fileName, path);
    EXPECT_EQ(platform::FileErrorCauseFor(static_cast<platform::ErrorCode>(error.osError)),
              c.cause);
    if (c.code != 0) {
      EXPECT_EQ(error.osError, static_cast<long>(c.code));
    }
    try {
      file.Open(path, c.forWriting);
      ADD_FAILURE() << "no error thrown";
    } catch (const CFileException& thrown) {
      ExpectFileError(thrown, error.cause, error.osError, path);
    }
    EXPECT_FALSE(file.IsOpen());
  }
}

// A device, a pipe or the console opens like a file but may never answer a read; they are
// refused at once, for reading and for writing, and the error says what they are.
TEST(File64, DevicesAndPipesAreRefusedWithoutWaiting) {
  TempFolder folder;
  std::vector<std::string> paths = {"\\\\.\\NUL", "NUL", "CON", "CONIN$"};
  if (!OnWindows()) {
    paths = {"/dev/null", "/dev/tty", folder / "pipe"};
    ASSERT_EQ(std::system(("mkfifo '" + paths.back() + "'").c_str()), 0);
  }
  int refused = 0;
  for (const std::string& path : paths) {
    for (const bool forWriting : {false, true}) {
      SCOPED_TRACE(path + (forWriting ? " for writing" : " for reading"));
      CFile64 file;
      CFileException error;
      EXPECT_FALSE(file.Open(path, forWriting, &error));
      // Some have no device behind them here (no terminal, no console).
      if (error.cause == CFileException::fileNotFound) continue;
      EXPECT_EQ(error.cause, CFileException::notRegularFile);
      ++refused;
      std::string text;
      EXPECT_TRUE(error.GetErrorMessage(text, 512));
      EXPECT_EQ(text, path +
                          " is not a regular file: a device, pipe or socket cannot stand in "
                          "for one.");
    }
  }
  EXPECT_GE(refused, 4);
}

TEST(File64, OnlyReadersShareAFile) {
  struct Case {
    bool firstWrites;
    bool secondWrites;
    bool secondOpens;
  };
  const Case cases[] = {
      {false, false, true}, {false, true, false}, {true, false, false}, {true, true, false}};
  TempFolder folder;
  std::string path = folder / "shared.bin";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.firstWrites ? "writer" : "reader") + " then " +
                 (c.secondWrites ? "writer" : "reader"));
    WriteWholeFile(path, "kept");
    CFile64 first;
    ASSERT_TRUE(first.Open(path, c.firstWrites));
    if (c.firstWrites) first.Write("held", 4);

    CFile64 second;
    CFileException error;
    EXPECT_EQ(second.Open(path, c.secondWrites, &error), c.secondOpens);
    if (!c.secondOpens) {
      ExpectFileError(error, CFileException::sharingViolation,
                      static_cast<long>(platform::kErrorSharingViolation), path);
    }
    second.Close();
    first.Close();
    // A refused writer must not have emptied the file.
    EXPECT_EQ(ReadWholeFile(path), c.firstWrites ? "held" : "kept");
  }
}

TEST(File64, FileHeldForWritingByAnotherProcessIsASharingViolation) {
  TempFolder folder;
  std::string path = folder / "held.bin";
  HeldByAnotherProcess holder(path, "held");
  for (bool forWriting : {false, true}) {
    CFile64 file;
    CFileException error;
    EXPECT_FALSE(file.Open(path, forWriting, &error)) << "for writing: " << forWriting;
    ExpectFileError(error, CFileException::sharingViolation,
                    static_cast<long>(platform::kErrorSharingViolation), path);
  }
  EXPECT_EQ(holder.Release(), 0);
  EXPECT_EQ(ReadWholeFile(path), "held");
  CFile64 file;
  EXPECT_TRUE(file.Open(path, false));
}

TEST(File64, SeeksAndLengthsBeyondFourGibibytes) {
  TempFolder folder;
  std::string path = folder / "sparse.bin";
  constexpr std::uint64_t kLowHalfAllOnes = 0x1FFFFFFFFull;
  CFile64 file;
  ASSERT_TRUE(file.Open(path, true));
  // The low 32 bits are the value a 32-bit seek reports failure with.
  EXPECT_EQ(file.SeekToBegin(0xFFFFFFFFull), 0xFFFFFFFFull);
  EXPECT_EQ(file.SeekToBegin(kLowHalfAllOnes), kLowHalfAllOnes);
  file.Write("z", 1);
  EXPECT_EQ(file.Length(), kLowHalfAllOnes + 1);
  file.Close();

  std::uint64_t size = 0;
  EXPECT_TRUE(FileSizeByName(path, size));
  EXPECT_EQ(size, kLowHalfAllOnes + 1);

  ASSERT_TRUE(file.Open(path, false));
  EXPECT_EQ(file.Seek(0, platform::SeekOrigin::End), kLowHalfAllOnes + 1);
  EXPECT_EQ(file.Seek(-1, platform::SeekOrigin::Current), kLowHalfAllOnes);
  char byte = 0;
  EXPECT_EQ(file.Read(&byte, 1), 1u);
  EXPECT_EQ(byte, 'z');
  EXPECT_EQ(file.Position(), kLowHalfAllOnes + 1);
}

TEST(File64, SeekBeforeTheStartIsABadSeek) {
  TempFolder folder;
  std::string path = folder / "data.bin";
  CFile64 file;
  ASSERT_TRUE(file.Open(path, true));
  try {
    file.Seek(-1, platform::SeekOrigin::Begin);
    ADD_FAILURE() << "no error thrown";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.cause, CFileException::badSeek);
    EXPECT_EQ(error.fileName, path);
  }
}

TEST(File64, OperationsOnAFileOpenForReadingOnlyFailWithItsName) {
  TempFolder folder;
  std::string path = folder / "data.bin";
  WriteWholeFile(path, "abc");
  CFile64 file;
  ASSERT_TRUE(file.Open(path, false));
  try {
    file.Write("x", 1);
    ADD_FAILURE() << "no error thrown";
  } catch (const CFileException& error) {
    EXPECT_NE(error.cause, CFileException::none);
    EXPECT_NE(error.osError, -1);
    EXPECT_EQ(error.fileName, path);
  }
}

// Closes the handle behind the object's back, so that its own close fails.
void LoseHandle(CFile64& file) { ASSERT_EQ(platform::CloseFileHandle(file.Handle()), 0u); }

TEST(File64, FailedCloseResetsTheObjectThenThrows) {
  TempFolder folder;
  std::string path = folder / "data.bin";
  CFile64 file;
  ASSERT_TRUE(file.Open(path, true));
  LoseHandle(file);
  try {
    file.Close();
    ADD_FAILURE() << "no error thrown";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.fileName, path);
    EXPECT_NE(error.osError, -1);
  }
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.FileName().empty());
}

// A close that fails in the destructor is thrown, unless an error is already on its way:
// then that error must arrive, and the program must not end.
TEST(File64, DestructionAfterAFailedClose) {
  TempFolder folder;
  std::string path = folder / "data.bin";
  for (bool propagating : {true, false}) {
    SCOPED_TRACE(propagating ? "while an error propagates" : "on a normal exit");
    try {
      CFile64 file;
      file.Open(path, true);
      LoseHandle(file);
      if (propagating) throw std::runtime_error("first");
    } catch (const std::runtime_error& error) {
      EXPECT_TRUE(propagating);
      EXPECT_STREQ(error.what(), "first");
      continue;
    } catch (const CFileException& error) {
      EXPECT_FALSE(propagating);
      EXPECT_EQ(error.fileName, path);
      continue;
    }
    ADD_FAILURE() << "no error thrown";
  }
}

TEST(File64, RaiseHelpers) {
  EXPECT_NO_THROW(RaiseSystemFileError(0, "a.bin"));
  try {
    RaiseSystemFileError(platform::kErrorDiskFull, "a.bin");
    ADD_FAILURE() << "no error thrown";
  } catch (const CFileException& error) {
    ExpectFileError(error, CFileException::diskFull, static_cast<long>(platform::kErrorDiskFull),
                    "a.bin");
  }
  try {
    RaiseFileError(CFileException::endOfFile, "b.bin");
  } catch (const CFileException& error) {
    ExpectFileError(error, CFileException::endOfFile, -1, "b.bin");
    EXPECT_STREQ(error.what(), "Attempted to access b.bin past its end.");
  }
}

TEST(File64, ExistenceTestsOnRealPaths) {
  TempFolder folder;
  std::string file = folder / "data.bin";
  WriteWholeFile(file, "abc");
  std::string sub = folder / "sub";
  fs::create_directory(fs::u8path(sub));
  std::string separator = OnWindows() ? "\\" : "/";

  EXPECT_TRUE(platform::FileExists(file));
  EXPECT_FALSE(platform::FolderExists(file));
  EXPECT_FALSE(platform::FileExists(sub));
  EXPECT_TRUE(platform::FolderExists(sub));
  EXPECT_TRUE(platform::FolderExists(sub + separator));
  EXPECT_FALSE(platform::FileExists(folder / "missing"));
  EXPECT_FALSE(platform::FolderExists(folder / "missing"));
  EXPECT_FALSE(platform::FileExists(""));
  EXPECT_FALSE(platform::FolderExists(""));
  std::uint64_t size = 0;
  EXPECT_TRUE(FileSizeByName(file, size));
  EXPECT_EQ(size, 3u);
  EXPECT_FALSE(FileSizeByName(folder / "missing", size));

  DeleteFileByName(file);
  EXPECT_FALSE(platform::FileExists(file));
  DeleteFileByName(file);  // a missing file is no error
}

TEST(File64, DriveRootFolder) {
  if (!OnWindows()) GTEST_SKIP() << "drive letters are Windows paths";
  EXPECT_TRUE(platform::FolderExists("C:"));
  EXPECT_TRUE(platform::FolderExists("C:\\"));
  EXPECT_FALSE(platform::FolderExists("\\"));
  EXPECT_FALSE(platform::FileExists("C:"));
}

TEST(File64, PathsLongerThanTheClassicLimit) {
  TempFolder folder;
  fs::path deep = folder.Path();
  while (Utf8(deep).size() < 300) deep /= std::string(60, 'd');
  std::error_code error;
  fs::create_directories(deep, error);
  if (error) GTEST_SKIP() << "the system cannot create a 300-character path: " << error.message();
  std::string file = Utf8(deep / "data.bin");
  ASSERT_GE(file.size(), 300u);
  {
    std::ofstream out(deep / "data.bin", std::ios::binary);
    out << "12345";
    if (!out) GTEST_SKIP() << "the system cannot create a file on a 300-character path";
  }
  EXPECT_TRUE(platform::FileExists(file));
  EXPECT_TRUE(platform::FolderExists(Utf8(deep)));
  EXPECT_FALSE(platform::FileExists(Utf8(deep / "missing")));
  std::uint64_t size = 0;
  EXPECT_TRUE(FileSizeByName(file, size));
  EXPECT_EQ(size, 5u);
}

// A tmpfs of 64 KiB stands for a full disk; mounting one needs root on Linux.
class SmallTmpfs {
 public:
  explicit SmallTmpfs(const std::string& folder) : folder_(folder) {
    std::string command = "mount -t tmpfs -o size=64k tmpfs '" + folder_ + "' 2>/dev/null";
    mounted_ = std::system(command.c_str()) == 0;
  }
  ~SmallTmpfs() {
    if (mounted_) std::system(("umount '" + folder_ + "'").c_str());
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

TEST(File64, FullDiskIsADiskFullError) {
  if (OnWindows()) GTEST_SKIP() << "needs a Linux tmpfs";
  TempFolder folder;
  SmallTmpfs disk(Utf8(folder.Path()));
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs (not root?)";
  std::string path = folder / "full.bin";
  std::string block(128 * 1024, 'f');
  CFile64 file;
  ASSERT_TRUE(file.Open(path, true));
  try {
    file.Write(block.data(), static_cast<std::uint32_t>(block.size()));
    ADD_FAILURE() << "no error thrown";
  } catch (const CFileException& error) {
    ExpectFileError(error, CFileException::diskFull, static_cast<long>(platform::kErrorDiskFull),
                    path);
  }
  file.Close();
}

struct FolderQueryCase {
  const char* path;
  PathStyle style;
  const char* query;  // nullptr: no folder, without asking
};

TEST(PathRules, FolderQueryPath) {
  const FolderQueryCase cases[] = {
      {"C:", PathStyle::windows, "C:\\"},
      {"C:\\data", PathStyle::windows, "C:\\data\\"},
      {"C:\\data\\", PathStyle::windows, "C:\\data\\"},
      {"C:/data", PathStyle::windows, "C:/data/"},
      {"C:\\data/", PathStyle::windows, "C:\\data/"},
      {"", PathStyle::windows, nullptr},
      {"\\", PathStyle::windows, nullptr},
      {"/", PathStyle::windows, nullptr},
      {"\\\\?", PathStyle::windows, nullptr},
      {"\\\\?\\", PathStyle::windows, nullptr},
      {"\\\\?\\C:", PathStyle::windows, "\\\\?\\C:\\"},
      {"", PathStyle::posix, nullptr},
      {"/", PathStyle::posix, "/"},
      {"data", PathStyle::posix, "data/"},
      {"a\\b", PathStyle::posix, "a\\b/"},
      {"/tmp/", PathStyle::posix, "/tmp/"},
  };
  for (const FolderQueryCase& c : cases) {
    std::optional<std::string> query = platform::FolderQueryPath(c.path, c.style);
    if (c.query == nullptr) {
      EXPECT_FALSE(query.has_value()) << c.path;
    } else {
      EXPECT_EQ(query.value_or("(none)"), c.query) << c.path;
    }
  }
}

TEST(PathRules, ExtendedLengthPath) {
  std::string folder259 = "C:\\" + std::string(256, 'a');  // 259 units
  EXPECT_EQ(platform::ExtendedLengthPath(folder259), folder259);
  EXPECT_EQ(platform::ExtendedLengthPath(folder259 + "b"), "\\\\?\\" + folder259 + "b");
  std::string prefixed = "\\\\?\\" + folder259 + "b";
  EXPECT_EQ(platform::ExtendedLengthPath(prefixed), prefixed);
  std::string network = "\\\\server\\share\\" + std::string(300, 'n');
  EXPECT_EQ(platform::ExtendedLengthPath(network),
            "\\\\?\\UNC\\server\\share\\" + std::string(300, 'n'));
  // The limit counts UTF-16 units: 200 two-byte characters are 200 units, not 400 bytes.
  std::string accented = "C:\\";
  for (int i = 0; i < 200; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(platform::ExtendedLengthPath(accented), accented);
}

}  // namespace
