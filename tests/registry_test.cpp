#include "settings/settings_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/registry.h"
#include "platform/system_error.h"
#include "platform/unicode.h"
#include "tests/support/settings_sandbox.h"

namespace {

namespace fs = std::filesystem;
using platform::RegistryValue;

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFileText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

RegistryValue Raw(std::uint32_t type, std::vector<std::uint8_t> data) {
  return {type, std::move(data)};
}

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() { reg.BuildKeyPath(SettingsSandbox::kCompany, sandbox.Application()); }

  // Stores a value of any type and size, as another program or a damaged store might.
  void SetRaw(const std::string& subkey, const std::string& name, const RegistryValue& value) {
    platform::RegistryKey key;
    ASSERT_EQ(platform::CreateRegistryKey(reg.KeyPath() + subkey, key), 0u);
    ASSERT_EQ(key.SetValue(name, value), 0u);
  }

  RegistryValue GetRaw(const std::string& subkey, const std::string& name) {
    platform::RegistryKey key;
    RegistryValue value;
    EXPECT_EQ(
        platform::OpenRegistryKey(reg.KeyPath() + subkey, platform::RegistryAccess::query, key),
        0u);
    EXPECT_EQ(key.QueryValue(name, value), 0u);
    return value;
  }

  SettingsSandbox sandbox;
  SettingsKey reg;
};

TEST(RegistryKeyPath, IsNamedAfterCompanyAndProgram) {
  SettingsKey reg;
  reg.BuildKeyPath("Velmont Computing", "Partwell");
  EXPECT_EQ(reg.KeyPath(), "Software\\Velmont Computing\\Partwell\\");
  EXPECT_EQ(reg.KeyDescription("CurrentVersion"),
            "HKEY_CURRENT_USER\\Software\\Velmont Computing\\Partwell\\CurrentVersion");
  reg.BuildKeyPath("", "Partwell");
  EXPECT_EQ(reg.KeyPath(), "Software\\\\Partwell\\");
  reg.BuildKeyPath("Velmont Computing", "Partwell", "Software\\Elsewhere\\");
  EXPECT_EQ(reg.KeyPath(), "Software\\Elsewhere\\");
  reg.BuildKeyPath("Velmont Computing", "");
  EXPECT_EQ(reg.KeyPath(), "");
}

TEST_F(RegistryTest, TypedValuesRoundTripWithTheirStoredTypesAndSizes) {
  const std::string texts[] = {"",
                               "plain",
                               "C:\\Data\\\"quoted\" [x]",
                               "ünïcödé 日本 😀",
                               "line\nbreak\ttab\r",
                               "=dword:00000001",
                               "trailing \\"};
  for (const std::string& text : texts) {
    reg.WriteText("Test", "Text", text);
    EXPECT_EQ(reg.ReadText("Test", "Text", "default"), text);
    RegistryValue raw = GetRaw("Test", "Text");
    EXPECT_EQ(raw.type, platform::kRegistryText);
    EXPECT_EQ(raw.data.size(),
              2 * (platform::RegistryTextUnits(platform::RegistryTextValue(text)).size()));
  }
  for (std::uint32_t number : {0u, 1u, 0x40000000u, 0xFFFFFFFFu}) {
    reg.WriteDword("Test", "Dword", number);
    EXPECT_EQ(reg.ReadDword("Test", "Dword", 7), number);
    EXPECT_EQ(GetRaw("Test", "Dword").data.size(), 4u);
  }
  for (std::uint64_t number : {0ull, 0x40000000ull, 107374182400ull, ~0ull}) {
    reg.WriteQword("Test", "Qword", number);
    EXPECT_EQ(reg.ReadQword("Test", "Qword", 7), number);
    RegistryValue raw = GetRaw("Test", "Qword");
    EXPECT_EQ(raw.type, platform::kRegistryQword);
    EXPECT_EQ(raw.data.size(), 8u);
  }
  EXPECT_EQ(reg.ReadText("test", "TEXT"), "trailing \\") << "names ignore letter case";
}

TEST_F(RegistryTest, MissingKeysAndValuesGiveTheValueHandedIn) {
  EXPECT_EQ(reg.ReadDword("Test", "Dword", 42), 42u);
  EXPECT_NE(platform::LastSystemError(), 0u);
  EXPECT_EQ(reg.ReadQword("Test", "Qword", 43), 43u);
  EXPECT_EQ(reg.ReadText("Test", "Text", "fallback"), "fallback");
  reg.WriteDword("Test", "Other", 1);
  EXPECT_EQ(reg.ReadDword("Test", "Dword", 44), 44u);
  EXPECT_EQ(reg.ReadText("Test", "Text"), "");
}

TEST_F(RegistryTest, ValueOfWrongTypeOrSizeKeepsTheValueHandedIn) {
  enum Read { dword, qword, text };
  struct Case {
    const char* what;
    RegistryValue stored;
    Read read;
  };
  const Case cases[] = {
      {"text for a number", platform::RegistryTextValue("5"), dword},
      {"binary of four bytes", Raw(platform::kRegistryBinary, {5, 0, 0, 0}), dword},
      {"short REG_DWORD", Raw(platform::kRegistryDword, {5, 0}), dword},
      {"long REG_DWORD", Raw(platform::kRegistryDword, {5, 0, 0, 0, 0, 0, 0, 0}), dword},
      {"REG_QWORD for a REG_DWORD", Raw(platform::kRegistryQword, {5, 0, 0, 0, 0, 0, 0, 0}), dword},
      {"REG_DWORD for a REG_QWORD", Raw(platform::kRegistryDword, {5, 0, 0, 0}), qword},
      {"short REG_QWORD", Raw(platform::kRegistryQword, {5, 0, 0, 0}), qword},
      {"binary of eight bytes", Raw(platform::kRegistryBinary, {5, 0, 0, 0, 0, 0, 0, 0}), qword},
      {"text for a REG_QWORD", platform::RegistryTextValue("5"), qword},
      {"REG_DWORD for a text", Raw(platform::kRegistryDword, {0x41, 0, 0, 0}), text},
      {"REG_EXPAND_SZ for a text", Raw(2, {0x41, 0, 0, 0}), text},
      {"binary for a text", Raw(platform::kRegistryBinary, {0x41, 0, 0, 0}), text},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetRaw("Test", "Value", c.stored);
    switch (c.read) {
      case dword:
        EXPECT_EQ(reg.ReadDword("Test", "Value", 9), 9u);
        break;
      case qword:
        EXPECT_EQ(reg.ReadQword("Test", "Value", 9), 9u);
        break;
      case text:
        EXPECT_EQ(reg.ReadText("Test", "Value", "nine"), "nine");
        break;
    }
  }
}

TEST_F(RegistryTest, TextWithoutClosingNullOrWithInnerNullIsCut) {
  SetRaw("Test", "Open", Raw(platform::kRegistryText, {'a', 0, 'b', 0}));
  EXPECT_EQ(reg.ReadText("Test", "Open"), "ab");
  SetRaw("Test", "Inner", Raw(platform::kRegistryText, {'a', 0, 0, 0, 'b', 0, 0, 0}));
  EXPECT_EQ(reg.ReadText("Test", "Inner"), "a");
}

TEST_F(RegistryTest, SubkeyNameIsRequiredAndOverlongPathsAreRefused) {
  EXPECT_FALSE(reg.OpenSubkey("", true).IsOpen());
  EXPECT_EQ(platform::LastSystemError(), platform::kErrorInvalidParameter);
  std::string longName(256 - reg.KeyPath().size(), 'k');
  reg.WriteDword(longName, "Value", 1);
  EXPECT_EQ(platform::LastSystemError(), platform::kErrorBufferOverflow);
  EXPECT_FALSE(reg.OpenSubkey(longName, false).IsOpen());
  longName.pop_back();
  EXPECT_TRUE(reg.OpenSubkey(longName, true).IsOpen());
  EXPECT_TRUE(reg.DeleteSubkey(longName));
}

TEST_F(RegistryTest, DeleteSubkeyRemovesKeysWithoutSubkeysOnly) {
  reg.WriteDword("Test", "Value", 1);
  reg.WriteDword("Test\\Deeper", "Value", 2);
  EXPECT_FALSE(reg.DeleteSubkey("Test"));
  EXPECT_EQ(reg.ReadDword("Test", "Value", 0), 1u);
  EXPECT_TRUE(reg.DeleteSubkey("Test\\Deeper"));
  EXPECT_TRUE(reg.DeleteSubkey("Test"));
  EXPECT_EQ(reg.ReadDword("Test", "Value", 0), 0u);
  EXPECT_FALSE(reg.DeleteSubkey("Test"));
  EXPECT_FALSE(reg.DeleteSubkey(""));
}

TEST_F(RegistryTest, StoreWithoutRootReadsDefaultsAndWritesNothing) {
  SettingsKey none(SettingsKey::Root::none);
  none.BuildKeyPath(SettingsSandbox::kCompany, sandbox.Application());
  none.WriteDword("Test", "Value", 1);
  none.WriteText("Test", "Text", "x");
  EXPECT_EQ(none.ReadDword("Test", "Value", 5), 5u);
  EXPECT_FALSE(none.DeleteSubkey("Test"));
  platform::RegistryKey key;
  EXPECT_NE(platform::OpenRegistryKey(reg.KeyPath(), platform::RegistryAccess::query, key), 0u);
  if (platform::kRegistryIsFile) {
    EXPECT_FALSE(fs::exists(sandbox.StoreFile()));
  }
}

TEST_F(RegistryTest, BatchShowsItsChangesToReadsBeforeTheyAreWritten) {
  reg.WriteDword("Test", "Before", 1);
  {
    platform::RegistryBatch batch;
    reg.WriteDword("Test", "Inside", 2);
    reg.WriteText("Test", "Text", "new");
    EXPECT_EQ(reg.ReadDword("Test", "Inside", 0), 2u);
    EXPECT_EQ(reg.ReadText("Test", "Text"), "new");
    if (platform::kRegistryIsFile) {
      EXPECT_EQ(FileText(sandbox.StoreFile()).find("Inside"), std::string::npos);
    }
    EXPECT_EQ(batch.Commit(), 0u);
  }
  EXPECT_EQ(reg.ReadDword("Test", "Before", 0), 1u);
  EXPECT_EQ(reg.ReadDword("Test", "Inside", 0), 2u);
}

// The POSIX settings file.
class RegistryFileTest : public RegistryTest {
 protected:
  void SetUp() override {
    if (!platform::kRegistryIsFile) GTEST_SKIP() << "the registry is the system's here";
    file = sandbox.StoreFile();
    section = "[HKEY_CURRENT_USER\\" + reg.KeyPath() + "Test]\n";
  }

  std::vector<std::string> FolderEntries() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(file).parent_path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  fs::path file;
  std::string section;
};

TEST_F(RegistryFileTest, LivesUnderTheConfigurationFolderNamedAfterCompanyAndProgram) {
  EXPECT_EQ(file, sandbox.Folder() / "config" / SettingsSandbox::kCompany /
                      (sandbox.Application() + ".reg"));
  EXPECT_EQ(platform::RegistryStoreLocation("Software\\\\Partwell\\"),
            (sandbox.Folder() / "config" / "Partwell.reg").string());
  EXPECT_EQ(platform::RegistryStoreLocation("Software\\..\\Partwell\\"), "");
  EXPECT_EQ(platform::RegistryStoreLocation("Software\\Velmont Computing"), "");
}

TEST_F(RegistryFileTest, IsWrittenInTheRegistryExportStyle) {
  reg.WriteDword("Test", "Files", 3);
  reg.WriteQword("Test", "Max. file size", 0x40000000);
  reg.WriteText("Test", "Folder", "/home/ann/\"My\" Documents\\");
  reg.WriteText("Test", "Two lines", "a\nb");
  SetRaw("Test", "Binary", Raw(platform::kRegistryBinary, {1, 0xAB}));
  EXPECT_EQ(FileText(file),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Velmont Computing\\" +
                sandbox.Application() + "]\n\n" + section +
                "\"Files\"=dword:00000003\n"
                "\"Max. file size\"=hex(b):00,00,00,40,00,00,00,00\n"
                "\"Folder\"=\"/home/ann/\\\"My\\\" Documents\\\\\"\n"
                "\"Two lines\"=hex(1):61,00,0a,00,62,00,00,00\n"
                "\"Binary\"=hex:01,ab\n");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(RegistryFileTest, DamagedLinesAreSkippedAndTheOthersKept) {
  WriteFileText(file, "garbage before any section\n" + section +
                          "\"A\"=dword:00000001\r\n"
                          "\"B\"=dword:0000002\n"  // a digit short
                          "\"C\"=dword:00000003\n"
                          "\"D\"=\"not closed\n"
                          "\"E\"=hex(b):01,00,00,00,00,00,00,00\n"
                          "\"F\"=hex(b):01,00,00,00,00,00,00,0\n"  // half a byte
                          "\"G\"=\"text\" trailing\n"
                          "no equals sign\n"
                          "\"H\"=unknown:1\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
                          "\"A\"=dword:00000009\n"
                          "[HKEY_CURRENT_USER\\Software\\Velmont Computing\\" +
                          sandbox.Application() +
                          "\\Test\n"  // no closing bracket
                          "\"I\"=dword:00000009\n" +
                          section +
                          "  ; a comment\n"
                          "\"J\"  =  \"spaced\"\n"
                          "\"K\"=hex(b):02,00,00,00,00,00,00,00,\\\n"
                          "  \n");
  EXPECT_EQ(reg.ReadDword("Test", "A", 0), 1u);
  EXPECT_EQ(reg.ReadDword("Test", "B", 0), 0u);
  EXPECT_EQ(reg.ReadDword("Test", "C", 0), 3u);
  EXPECT_EQ(reg.ReadText("Test", "D", "none"), "none");
  EXPECT_EQ(reg.ReadQword("Test", "E", 0), 1u);
  EXPECT_EQ(reg.ReadQword("Test", "F", 0), 0u);
  EXPECT_EQ(reg.ReadText("Test", "G", "none"), "none");
  EXPECT_EQ(reg.ReadDword("Test", "H", 0), 0u);
  EXPECT_EQ(reg.ReadDword("Test", "I", 0), 0u);
  EXPECT_EQ(reg.ReadText("Test", "J"), "spaced");
  EXPECT_EQ(reg.ReadQword("Test", "K", 0), 0u) << "a continuation that never comes";
  // A change keeps every value, and every line it cannot read as it was.
  reg.WriteDword("Test", "L", 12);
  EXPECT_EQ(reg.ReadDword("Test", "A", 0), 1u);
  EXPECT_EQ(reg.ReadText("Test", "J"), "spaced");
  EXPECT_EQ(reg.ReadDword("Test", "L", 0), 12u);
  EXPECT_EQ(FileText(file).find("garbage before any section\n"), 0u);
}

TEST_F(RegistryFileTest, LongHexValuesMayGoOnOverSeveralLines) {
  WriteFileText(file,
                section + "\"Q\"=hex(b):01,02,03,04,\\\n    05,06,07,08\n\"A\"=dword:00000001\n");
  EXPECT_EQ(reg.ReadQword("Test", "Q", 0), 0x0807060504030201u);
  EXPECT_EQ(reg.ReadDword("Test", "A", 0), 1u);
  // One left unfinished before a blank line does not swallow a key written after it.
  WriteFileText(file, section + "\"Q\"=hex(b):01,\\\\\n");
  reg.WriteDword("Other", "A", 7);
  WriteFileText(file, FileText(file) + "\n");  // read afresh, as the next run reads it
  EXPECT_EQ(reg.ReadDword("Other", "A", 0), 7u);
}

// Whatever point a write stopped at, every line written whole reads back right and no line
// cut short passes for another value.
TEST_F(RegistryFileTest, FileCutAnywhereKeepsItsWholeLines) {
  reg.WriteDword("Test", "Dword", 0x12345678);
  reg.WriteQword("Test", "Qword", 0x1122334455667788);
  reg.WriteText("Test", "Text", "some text");
  reg.WriteText("Test", "Unicode", "日本");
  const std::string whole = FileText(file);
  struct Expected {
    std::string line;
    std::function<bool()> readsRight;
    std::function<bool()> readsDefault;
  };
  const Expected values[] = {
      {"\"Dword\"=", [&] { return reg.ReadDword("Test", "Dword", 0) == 0x12345678; },
       [&] { return reg.ReadDword("Test", "Dword", 0) == 0; }},
      {"\"Qword\"=", [&] { return reg.ReadQword("Test", "Qword", 0) == 0x1122334455667788; },
       [&] { return reg.ReadQword("Test", "Qword", 0) == 0; }},
      {"\"Text\"=", [&] { return reg.ReadText("Test", "Text") == "some text"; },
       [&] { return reg.ReadText("Test", "Text", "-") == "-"; }},
      {"\"Unicode\"=", [&] { return reg.ReadText("Test", "Unicode") == "日本"; },
       [&] { return reg.ReadText("Test", "Unicode", "-") == "-"; }},
  };
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    WriteFileText(file, whole.substr(0, cut));
    for (const Expected& value : values) {
      std::size_t lineEnd = whole.find('\n', whole.find(value.line));
      if (lineEnd <= cut) {
        EXPECT_TRUE(value.readsRight()) << value.line;
      } else {
        EXPECT_TRUE(value.readsDefault()) << value.line;
      }
    }
  }
}

TEST_F(RegistryFileTest, FailedWriteOrRenameLeavesThePreviousFileWhole) {
  for (platform::SettingsFileFault fault :
       {platform::SettingsFileFault::write, platform::SettingsFileFault::rename}) {
    reg.WriteDword("Test", "Value", 1);
    reg.WriteText("Test", "Text", "kept");
    const std::string before = FileText(file);
    platform::InjectSettingsFileFault(fault);
    reg.WriteDword("Test", "Value", 2);
    platform::ErrorCode code = platform::LastSystemError();
    {
      platform::RegistryBatch batch;
      reg.WriteText("Test", "Text", "lost");
      EXPECT_NE(batch.Commit(), 0u);
    }
    platform::InjectSettingsFileFault(platform::SettingsFileFault::none);
    EXPECT_NE(code, 0u);
    EXPECT_EQ(FileText(file), before);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{file.filename().string()})
        << "no temporary copy is left";
    EXPECT_EQ(reg.ReadDword("Test", "Value", 0), 1u);
    EXPECT_EQ(reg.ReadText("Test", "Text"), "kept");
  }
}

// The copy of a replacement killed before its rename is never read, and the next replacement
// removes it; a file of the user's beside it stays.
TEST_F(RegistryFileTest, CopyLeftHalfWrittenByACrashIsIgnoredAndRemoved) {
  reg.WriteDword("Test", "Value", 1);
  const std::string name = file.filename().string();
  WriteFileText(file.parent_path() / ("." + name + ".partwell-Ab12Cd"),
                section + "\"Value\"=dword:0000");
  WriteFileText(file.string() + ".backup", "the user's");
  EXPECT_EQ(reg.ReadDword("Test", "Value", 0), 1u);
  reg.WriteDword("Test", "Value", 2);
  EXPECT_EQ(reg.ReadDword("Test", "Value", 0), 2u);
  std::vector<std::string> entries = FolderEntries();
  std::ranges::sort(entries);
  EXPECT_EQ(entries, (std::vector<std::string>{name, name + ".backup"}));
}

TEST_F(RegistryFileTest, FileThatCannotBeReadIsNeverReplaced) {
  fs::create_directories(file);
  WriteFileText(file / "inside", "x");
  reg.WriteDword("Test", "Value", 1);
  EXPECT_NE(platform::LastSystemError(), 0u);
  EXPECT_EQ(reg.ReadDword("Test", "Value", 5), 5u);
  EXPECT_TRUE(fs::exists(file / "inside"));
}

TEST_F(RegistryFileTest, FolderThatRefusesNewFilesKeepsThePreviousFile) {
  reg.WriteDword("Test", "Value", 1);
  const std::string before = FileText(file);
  const fs::path folder = file.parent_path();
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  bool enforced = !std::ofstream(folder / "probe");
  if (enforced) {
    reg.WriteDword("Test", "Value", 2);
    EXPECT_EQ(platform::LastSystemError(), platform::kErrorAccessDenied);
  }
  fs::remove(folder / "probe");
  fs::permissions(folder, fs::perms::owner_all);
  if (!enforced) GTEST_SKIP() << "permissions do not bind this user";
  EXPECT_EQ(FileText(file), before);
}

TEST_F(RegistryFileTest, ChangesOfAnotherProgramMadeDuringABatchAreKept) {
  reg.WriteDword("Test", "Ours", 1);
  platform::RegistryBatch batch;
  reg.WriteDword("Test", "Ours", 2);
  // Another program saves its value meanwhile.
  std::string text = FileText(file);
  WriteFileText(file, text + "\"Theirs\"=dword:00000007\n");
  EXPECT_EQ(batch.Commit(), 0u);
  EXPECT_EQ(reg.ReadDword("Test", "Ours", 0), 2u);
  EXPECT_EQ(reg.ReadDword("Test", "Theirs", 0), 7u);
}

TEST_F(RegistryFileTest, RewriteChangesOnlyItsValuesAndGoesThroughALinkKeepingTheMode) {
  const fs::path target = sandbox.Folder() / "elsewhere" / "settings.reg";
  const std::string top = "Windows Registry Editor Version 5.00\n; written by hand\n\n" + section;
  const std::string other = "\n[HKEY_CURRENT_USER\\Software\\Someone Else]\n\"X\"=dword:1\n";
  WriteFileText(target,
                top + "\"Files\"=dword:00000003\nno value here\n\"Kept\"=\"as it was\"\n" + other);
  const fs::perms shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::others_read;
  fs::permissions(target, shared);
  fs::create_directories(file.parent_path());
  fs::create_symlink(target, file);

  reg.WriteDword("Test", "files", 4);
  reg.WriteText("Test", "New", "value");
  reg.WriteText("Test", "Kept", "as it was");
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(FileText(target),
            top +
                "\"Files\"=dword:00000004\nno value here\n\"Kept\"=\"as it was\"\n"
                "\"New\"=\"value\"\n" +
                other);
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, shared);
  EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()),
            1)
      << "nothing left beside";
}

TEST_F(RegistryFileTest, RegistryEditorExportInUtf16IsReadAndWrittenBackSo) {
  auto utf16 = [](const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : platform::Utf8ToUtf16(text)) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
  };
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n" +
                           section.substr(0, section.size() - 1) +
                           "\r\n\"Folder\"=\"C:\\\\Users\\\\Zoë\"\r\n";
  WriteFileText(file, utf16(head + "\"Files\"=dword:00000009\r\n"));
  EXPECT_EQ(reg.ReadText("Test", "Folder"), "C:\\Users\\Zoë");
  EXPECT_EQ(reg.ReadDword("Test", "Files", 0), 9u);
  reg.WriteDword("Test", "Files", 10);
  EXPECT_EQ(FileText(file), utf16(head + "\"Files\"=dword:0000000a\r\n"));

  WriteFileText(file, "\xEF\xBB\xBF" + section + "\"Files\"=dword:00000002\n");
  EXPECT_EQ(reg.ReadDword("Test", "Files", 0), 2u);
}

// A file as large as may be read, of many small keys and one very deep one, is read in time
// linear in its size: read in quadratic time, these reads would take hours.
TEST_F(RegistryFileTest, LargestFileOfManyKeysIsReadAtOnce) {
  const std::string program = "[HKEY_CURRENT_USER\\" + reg.KeyPath();
  std::string text =
      program + std::string(100'000, 'k') + "\\" + std::string(100'000, '\\') + "]\n";
  int keys = 0;
  while (text.size() < platform::kRegistryStoreLimit - 100) {
    text += program + "K" + std::to_string(keys) + "]\n\"V\"=dword:0000000" +
            std::to_string(keys % 10) + "\n";
    ++keys;
  }
  WriteFileText(file, text);
  for (int key = 0; key < keys; key += keys / 20) {
    EXPECT_EQ(reg.ReadDword("K" + std::to_string(key), "v", 99), static_cast<unsigned>(key % 10));
  }
}

TEST_F(RegistryFileTest, FifoOrOversizeFileIsSetAsideAndNeverReplaced) {
  platform::ErrorCode code = 0;
  fs::create_directories(file.parent_path());
  ASSERT_EQ(std::system(("mkfifo '" + file.string() + "'").c_str()), 0);
  EXPECT_EQ(reg.ReadDword("Test", "Value", 5), 5u) << "read without blocking";
  reg.WriteDword("Test", "Value", 1);
  EXPECT_NE(platform::LastSystemError(), 0u);
  EXPECT_EQ(platform::CheckRegistryStore(reg.KeyPath(), code),
            platform::RegistryStoreProblem::notAFile);
  EXPECT_TRUE(fs::is_fifo(file));

  fs::remove(file);
  const std::string large = section + "\"Value\"=dword:00000007\n" +
                            std::string(platform::kRegistryStoreLimit, ';') + "\n";
  WriteFileText(file, large);
  EXPECT_EQ(reg.ReadDword("Test", "Value", 5), 5u);
  reg.WriteDword("Test", "Value", 1);
  EXPECT_EQ(platform::CheckRegistryStore(reg.KeyPath(), code),
            platform::RegistryStoreProblem::tooLarge);
  EXPECT_EQ(FileText(file), large);
}

}  // namespace
