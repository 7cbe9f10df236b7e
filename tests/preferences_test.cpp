#include "settings/app_preferences.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/exceptions.h"
#include "base/path_text.h"
#include "platform/documents_folder.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "tests/support/settings_sandbox.h"
#include "ui/console/settings_commands.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kVersion = 0x00030001;
constexpr bool kWindowsStyle = platform::kNativePathStyle == platform::PathStyle::windows;

std::string ProgramPath() {
  std::string path;
  EXPECT_EQ(platform::ModuleFilePath(path), 0u);
  return path;
}

// Every stored preference with its value, as the settings command lists them.
std::vector<std::string> Shown(AppPreferences& prefs) {
  std::vector<std::string> lines;
  for (const PreferenceLine& line : ListPreferences(prefs).preferences) {
    lines.push_back(line.name + " = " + line.value);
  }
  return lines;
}

class PrefsTest : public ::testing::Test {
 protected:
  PrefsTest() { store.BuildKeyPath(SettingsSandbox::kCompany, sandbox.Application()); }

  // The preferences of a program started with these arguments, as start-up loads them.
  std::unique_ptr<AppPreferences> Start(std::vector<std::string> arguments = {},
                                        SettingsKey::Root root = SettingsKey::Root::currentUser) {
    auto prefs = std::make_unique<AppPreferences>(root);
    prefs->BuildKeyPath(SettingsSandbox::kCompany, sandbox.Application());
    prefs->currentVersion = kVersion;
    prefs->SetCommandLine(std::move(arguments));
    prefs->LoadAtStart();
    return prefs;
  }

  bool IsStored(const std::string& subkey, const std::string& name) {
    platform::RegistryKey key;
    platform::RegistryValue value;
    return platform::OpenRegistryKey(store.KeyPath() + subkey, platform::RegistryAccess::query,
                                     key) == 0 &&
           key.QueryValue(name, value) == 0;
  }

  SettingsSandbox sandbox;
  SettingsKey store;
};

TEST_F(PrefsTest, FirstRunGivesEveryDefault) {
  auto prefs = Start();
  const std::string documents = platform::DocumentsFolder();
  EXPECT_EQ(prefs->page, 0);
  EXPECT_FALSE(prefs->beep);
  EXPECT_EQ(prefs->splitMaxFileSize, 1073741824u);
  EXPECT_EQ(prefs->splitFileCount, 3);
  EXPECT_EQ(prefs->splitBySize, 0);
  EXPECT_TRUE(prefs->splitAutoFolder);
  EXPECT_EQ(prefs->splitFolder, documents);
  EXPECT_TRUE(prefs->splitAutoFiles);
  EXPECT_EQ(prefs->splitFilePrefix, "");
  EXPECT_TRUE(prefs->splitPromptOnOverwrite);
  EXPECT_FALSE(prefs->selfExtracting);
  EXPECT_TRUE(prefs->mergeAutoFolder);
  EXPECT_EQ(prefs->mergeFolder, documents);
  EXPECT_TRUE(prefs->mergeAutoFiles);
  EXPECT_EQ(prefs->mergeFileName, "");
  EXPECT_FALSE(prefs->deleteWhenDone);
  EXPECT_TRUE(prefs->mergePromptOnOverwrite);
  EXPECT_EQ(prefs->windowState, 1);
  EXPECT_FALSE(prefs->onTop);
  EXPECT_TRUE(prefs->windowBounds.IsEmpty());
  EXPECT_EQ(prefs->previousVersion, 0u);
  EXPECT_EQ(prefs->userDataFolder, "");
  EXPECT_EQ(prefs->userDataFilePath, "");
  EXPECT_TRUE(prefs->IsLoaded());
  EXPECT_FALSE(prefs->IsModified());
  // Starting stores nothing; the installation information goes with the first save.
  platform::RegistryKey key;
  EXPECT_NE(platform::OpenRegistryKey(store.KeyPath(), platform::RegistryAccess::query, key), 0u);
  prefs->SaveAtExit();
  EXPECT_EQ(store.ReadText("CurrentVersion", "Path"), ProgramPath());
  EXPECT_EQ(store.ReadDword("CurrentVersion", "Version", 0), kVersion);
}

TEST_F(PrefsTest, EveryValueIsStoredUnderItsNameAndTypeAndComesBack) {
  auto prefs = Start();
  prefs->page = 1;
  prefs->beep = true;
  prefs->splitMaxFileSize = 0x123456789A;
  prefs->splitFileCount = 17;
  prefs->splitBySize = 1;
  prefs->splitAutoFolder = false;
  prefs->splitFolder = "/split folder";
  prefs->splitAutoFiles = false;
  prefs->splitFilePrefix = "prefix";
  prefs->splitPromptOnOverwrite = false;
  prefs->selfExtracting = true;
  prefs->splitChecksums = true;
  prefs->splitRecovery = true;
  prefs->splitRecoveryPercent = 25;
  prefs->mergeAutoFolder = false;
  prefs->mergeFolder = "/merge folder";
  prefs->mergeAutoFiles = false;
  prefs->mergeFileName = "merged.bin";
  prefs->deleteWhenDone = true;
  prefs->mergePromptOnOverwrite = false;
  prefs->onTop = true;
  WindowPlacement placement{3, {-10, 20, 810, 620}};
  prefs->RecordWindowPlacement(&placement);
  prefs->SaveAtExit();
  EXPECT_FALSE(prefs->IsModified());

  struct Stored {
    const char* subkey;
    const char* name;
    std::uint32_t type;
    std::uint64_t number;
    const char* text;
  };
  const Stored expected[] = {
      {"View", "Page", platform::kRegistryDword, 1, nullptr},
      {"View", "Beep", platform::kRegistryDword, 1, nullptr},
      {"Split", "Max. file size", platform::kRegistryQword, 0x123456789A, nullptr},
      {"Split", "Files", platform::kRegistryDword, 17, nullptr},
      {"Split", "By size", platform::kRegistryDword, 1, nullptr},
      {"Split", "Auto folder", platform::kRegistryDword, 0, nullptr},
      {"Split", "Folder", platform::kRegistryText, 0, "/split folder"},
      {"Split", "Auto files", platform::kRegistryDword, 0, nullptr},
      {"Split", "Self extracting", platform::kRegistryDword, 1, nullptr},
      {"Split", "File name prefix", platform::kRegistryText, 0, "prefix"},
      {"Split", "Prompt on overwrites", platform::kRegistryDword, 0, nullptr},
      {"Split", "Checksums", platform::kRegistryDword, 1, nullptr},
      {"Split", "Recovery files", platform::kRegistryDword, 1, nullptr},
      {"Split", "Recovery percent", platform::kRegistryDword, 25, nullptr},
      {"Merge", "Auto folder", platform::kRegistryDword, 0, nullptr},
      {"Merge", "Folder", platform::kRegistryText, 0, "/merge folder"},
      {"Merge", "Auto files", platform::kRegistryDword, 0, nullptr},
      {"Merge", "File name", platform::kRegistryText, 0, "merged.bin"},
      {"Merge", "Delete when done", platform::kRegistryDword, 1, nullptr},
      {"Merge", "Prompt on overwrites", platform::kRegistryDword, 0, nullptr},
      {"Window", "On top", platform::kRegistryDword, 1, nullptr},
      {"Window", "Bounds.left", platform::kRegistryDword, 0xFFFFFFF6, nullptr},
      {"Window", "Bounds.top", platform::kRegistryDword, 20, nullptr},
      {"Window", "Bounds.right", platform::kRegistryDword, 810, nullptr},
      {"Window", "Bounds.bottom", platform::kRegistryDword, 620, nullptr},
      {"Window", "State", platform::kRegistryDword, 3, nullptr},
  };
  for (const Stored& value : expected) {
    SCOPED_TRACE(std::string(value.subkey) + "\\" + value.name);
    if (value.type == platform::kRegistryDword) {
      EXPECT_EQ(store.ReadDword(value.subkey, value.name, 99), value.number);
    } else if (value.type == platform::kRegistryQword) {
      EXPECT_EQ(store.ReadQword(value.subkey, value.name, 99), value.number);
    } else {
      EXPECT_EQ(store.ReadText(value.subkey, value.name, "missing"), value.text);
    }
  }

  auto again = Start();
  EXPECT_EQ(Shown(*again), Shown(*prefs));
  EXPECT_EQ(again->previousVersion, kVersion);
}

TEST_F(PrefsTest, ValueOfWrongTypeKeepsItsDefaultAndTheOthersLoad) {
  Start()->SaveAtExit();
  store.WriteText("View", "Page", "1");
  store.WriteDword("Split", "Max. file size", 5);
  store.WriteDword("Split", "Files", 9);
  auto prefs = Start();
  EXPECT_EQ(prefs->page, 0);
  EXPECT_EQ(prefs->splitMaxFileSize, 1073741824u);
  EXPECT_EQ(prefs->splitFileCount, 9);
}

TEST_F(PrefsTest, WindowStateOutsideOneToThreeLoadsAsNormal) {
  Start()->SaveAtExit();
  for (auto [stored, loaded] :
       {std::pair{0u, 1}, {7u, 1}, {0xFFFFFFFFu, 1}, {1u, 1}, {2u, 2}, {3u, 3}}) {
    store.WriteDword("Window", "State", stored);
    EXPECT_EQ(Start()->windowState, loaded) << stored;
  }
}

TEST_F(PrefsTest, BoundsAreWrittenOnlyOnceRecorded) {
  auto prefs = Start();
  prefs->SaveAtExit();
  EXPECT_TRUE(IsStored("Window", "State"));
  EXPECT_TRUE(IsStored("Window", "On top"));
  for (const char* name : {"Bounds.left", "Bounds.top", "Bounds.right", "Bounds.bottom"}) {
    EXPECT_FALSE(IsStored("Window", name)) << name;
  }
  WindowPlacement flat{1, {10, 10, 10, 500}};
  prefs->RecordWindowPlacement(&flat);
  prefs->SaveAtExit();
  EXPECT_FALSE(IsStored("Window", "Bounds.left"));
  WindowPlacement placed{2, {10, 10, 500, 400}};
  prefs->RecordWindowPlacement(&placed);
  prefs->SaveAtExit();
  EXPECT_EQ(store.ReadDword("Window", "Bounds.right", 0), 500u);
  EXPECT_EQ(store.ReadDword("Window", "State", 0), 2u);
}

TEST_F(PrefsTest, WindowPlacementIsRecordedOnlyWhenThereIsAWindowAndItMoved) {
  auto prefs = Start();
  prefs->RecordWindowPlacement(nullptr);
  EXPECT_FALSE(prefs->IsModified());
  EXPECT_TRUE(prefs->windowBounds.IsEmpty());
  WindowPlacement same{1, {}};
  prefs->RecordWindowPlacement(&same);
  EXPECT_FALSE(prefs->IsModified());
  WindowPlacement moved{1, {1, 2, 300, 400}};
  prefs->RecordWindowPlacement(&moved);
  EXPECT_TRUE(prefs->IsModified());
  EXPECT_EQ(prefs->windowBounds, moved.normalBounds);
}

TEST_F(PrefsTest, OnlySettingsOfVersionThreeOrEarlierAreLaidOutAnew) {
  enum Stored { none, dword, text };
  struct Case {
    Stored stored;
    std::uint32_t version;
    bool removed;
  };
  for (const Case& c : {Case{none, 0, false}, Case{text, 0, false}, Case{dword, 0, false},
                        Case{dword, 0x30000, true}, Case{dword, 0x20005, true},
                        Case{dword, 0x30001, false}, Case{dword, 0x50014, false}}) {
    SCOPED_TRACE(std::to_string(c.stored) + " " + std::to_string(c.version));
    for (const char* subkey : {"View", "Split", "Merge", "Window", "CurrentVersion"}) {
      store.DeleteSubkey(subkey);
    }
    if (c.stored == dword) store.WriteDword("CurrentVersion", "Version", c.version);
    if (c.stored == text) store.WriteText("CurrentVersion", "Version", "5.20");
    store.WriteDword("View", "Page", 1);
    store.WriteDword("Split", "Files", 7);
    store.WriteText("Split", "Old option", "stale");
    store.WriteText("Merge", "Folder", "/merged");
    store.WriteDword("Window", "State", 2);

    auto prefs = Start();
    EXPECT_EQ(prefs->page, 1);
    EXPECT_EQ(prefs->splitFileCount, 7);
    EXPECT_EQ(prefs->mergeFolder, "/merged");
    EXPECT_EQ(prefs->windowState, 2);
    EXPECT_EQ(IsStored("Split", "Old option"), !c.removed);
    EXPECT_EQ(store.ReadDword("Split", "Files", 0), 7u);
    EXPECT_EQ(store.ReadText("Merge", "Folder"), "/merged");
    // Laid out anew at once, so that a run that ends before its exit loses nothing.
    const std::uint32_t kept = c.stored == dword ? c.version : 0;
    EXPECT_EQ(store.ReadDword("CurrentVersion", "Version", 0), c.removed ? kVersion : kept);
  }
}

TEST_F(PrefsTest, ProgramPathIsRecordedWhenItChanges) {
  const std::string path = ProgramPath();
  store.WriteText("CurrentVersion", "Path", "/elsewhere/Partwell");
  Start()->SaveAtExit();
  EXPECT_EQ(store.ReadText("CurrentVersion", "Path"), path);
  std::string otherCase = path;
  for (char& c : otherCase) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  store.WriteText("CurrentVersion", "Path", otherCase);
  Start()->SaveAtExit();
  EXPECT_EQ(store.ReadText("CurrentVersion", "Path"), otherCase) << "letter case is ignored";
}

TEST_F(PrefsTest, UserDataLocationComesFromTheRegistryOrTheCommandLine) {
  const std::string programFolder = FolderPart(ProgramPath());
  const fs::path folder = sandbox.Folder() / "user data";
  const fs::path other = sandbox.Folder() / "other";
  const fs::path file = sandbox.Folder() / "custom.ini";
  fs::create_directories(folder);
  fs::create_directories(other);
  std::ofstream(file) << "[SplitFileSizes]\n";
  const std::string missing = (sandbox.Folder() / "missing").string();
  const std::string key = store.KeyDescription("CurrentVersion");
  const std::string ini = sandbox.Application() + ".ini";

  struct Case {
    std::string registryFolder, registryFile;
    std::vector<std::string> arguments;
    std::string folder, configFile;
    platform::ErrorCode error;
    std::string data;
  };
  const Case cases[] = {
      {"", "", {}, "", JoinConfigPath(programFolder, ini, kWindowsStyle), 0, ""},
      {"<application>",
       "",
       {},
       programFolder,
       JoinConfigPath(programFolder, ini, kWindowsStyle),
       0,
       ""},
      {"<APPLICATION>",
       "",
       {},
       programFolder,
       JoinConfigPath(programFolder, ini, kWindowsStyle),
       0,
       ""},
      {folder.string(),
       "",
       {},
       folder.string(),
       JoinConfigPath(folder.string(), ini, kWindowsStyle),
       0,
       ""},
      {folder.string(),
       "",
       {"/userdatafolder:" + other.string()},
       other.string(),
       JoinConfigPath(other.string(), ini, kWindowsStyle),
       0,
       ""},
      {"",
       "",
       {"x.fsm", "/UserDataFolder:\"" + other.string() + "\""},
       other.string(),
       JoinConfigPath(other.string(), ini, kWindowsStyle),
       0,
       ""},
      {"",
       "",
       {"/UserDataFolder:<Application>"},
       programFolder,
       JoinConfigPath(programFolder, ini, kWindowsStyle),
       0,
       ""},
      {missing,
       "",
       {},
       "",
       "",
       platform::kErrorPathNotFound,
       key + ": UserDataFolder = " + missing},
      {missing,
       "",
       {"/UserDataFolder:" + other.string()},
       "",
       "",
       platform::kErrorPathNotFound,
       key + ": UserDataFolder = " + missing},
      {"", "", {"/UserDataFolder:" + missing}, "", "", platform::kErrorPathNotFound, missing},
      {"",
       "",
       {"/UserDataFolder:" + file.string()},
       "",
       "",
       platform::kErrorPathNotFound,
       file.string()},
      {"", "", {"/UserDataFolder:"}, "", "", platform::kErrorPathNotFound, ""},
      {"", file.string(), {}, "", file.string(), 0, ""},
      {folder.string(), file.string(), {}, folder.string(), file.string(), 0, ""},
      {"", "", {"/userdatafilepath:" + file.string()}, "", file.string(), 0, ""},
      {"",
       missing,
       {},
       "",
       "",
       platform::kErrorFileNotFound,
       key + ": UserDataFilePath = " + missing},
      {"",
       "<APPLICATION>",
       {},
       "",
       "",
       platform::kErrorFileNotFound,
       key + ": UserDataFilePath = <APPLICATION>"},
      {"",
       folder.string(),
       {},
       "",
       "",
       platform::kErrorFileNotFound,
       key + ": UserDataFilePath = " + folder.string()},
      {"", "", {"/UserDataFilePath:" + missing}, "", "", platform::kErrorFileNotFound, missing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.registryFolder + " | " + c.registryFile + " | " +
                 (c.arguments.empty() ? "" : c.arguments.back()));
    store.WriteText("CurrentVersion", "UserDataFolder", c.registryFolder);
    store.WriteText("CurrentVersion", "UserDataFilePath", c.registryFile);
    try {
      auto prefs = Start(c.arguments);
      EXPECT_EQ(c.error, 0u);
      EXPECT_EQ(prefs->userDataFolder, c.folder);
      EXPECT_EQ(prefs->ConfigFilePath(), c.configFile);
    } catch (const CSystemErrorException& error) {
      EXPECT_EQ(error.errorCode, c.error);
      EXPECT_EQ(error.dataText, c.data);
    }
  }
}

TEST(ConfigFilePath, JoinsWithTheFolderSeparatorInUse) {
  struct Case {
    const char* folder;
    bool windowsStyle;
    const char* path;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Partwell", true, "C:\\Program Files\\Partwell\\Partwell.ini"},
      {"C:\\Program Files\\Partwell\\", true, "C:\\Program Files\\Partwell\\Partwell.ini"},
      {"C:/Data", true, "C:/Data/Partwell.ini"},
      {"C:/Data/", true, "C:/Data/Partwell.ini"},
      {"D:", true, "D:\\Partwell.ini"},
      {"/opt/partwell", false, "/opt/partwell/Partwell.ini"},
      {"/opt/partwell/", false, "/opt/partwell/Partwell.ini"},
      {"data", false, "data/Partwell.ini"},
      {"odd\\", false, "odd\\/Partwell.ini"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JoinConfigPath(c.folder, "Partwell.ini", c.windowsStyle), c.path);
  }
}

TEST_F(PrefsTest, LiteProgramAlwaysHasTheDefaultsAndLeavesNoTrace) {
  auto lite = Start({}, SettingsKey::Root::none);
  lite->page = 1;
  lite->SaveAtExit();
  platform::RegistryKey key;
  EXPECT_NE(platform::OpenRegistryKey(store.KeyPath(), platform::RegistryAccess::query, key), 0u);
  if (platform::kRegistryIsFile) {
    EXPECT_FALSE(fs::exists(sandbox.StoreFile()));
  }

  auto full = Start();
  full->page = 1;
  full->splitFileCount = 12;
  full->SaveAtExit();
  store.WriteText("CurrentVersion", "UserDataFolder", (sandbox.Folder() / "missing").string());
  lite = Start({"/UserDataFolder:/nowhere"}, SettingsKey::Root::none);
  EXPECT_EQ(lite->page, 0);
  EXPECT_EQ(lite->splitFileCount, 3);
  EXPECT_EQ(lite->userDataFolder, "");
  EXPECT_TRUE(lite->IsLoaded());
  lite->splitFileCount = 20;
  lite->SaveAtExit();
  EXPECT_EQ(store.ReadDword("Split", "Files", 0), 12u);
}

}  // namespace
