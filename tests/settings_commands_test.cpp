#include "ui/console/settings_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text_format.h"
#include "platform/registry.h"
#include "tests/support/settings_sandbox.h"

namespace {

class SettingsCommandsTest : public ::testing::Test {
 protected:
  SettingsCommandsTest() {
    SetProcessNumberFormat(platform::NumberFormat{});
    prefs.BuildKeyPath(SettingsSandbox::kCompany, sandbox.Application());
    prefs.LoadAtStart();
  }

  SettingsSandbox sandbox;
  AppPreferences prefs;
};

TEST_F(SettingsCommandsTest, ListingShowsEveryPreferenceWithItsValueAndKey) {
  PreferenceListing listing = ListPreferences(prefs);
  EXPECT_EQ(listing.store, platform::RegistryStoreLocation(prefs.KeyPath()));
  EXPECT_EQ(listing.configFile, prefs.ConfigFilePath());
  ASSERT_EQ(listing.preferences.size(), 26u);
  const PreferenceLine& size = listing.preferences[2];
  EXPECT_EQ(size.name, "Split\\Max. file size");
  EXPECT_EQ(size.value, "1,073,741,824 (1 GB)");
  EXPECT_EQ(size.location, "HKEY_CURRENT_USER\\" + prefs.KeyPath() + "Split");
  EXPECT_EQ(listing.preferences[3].value, "3");
  EXPECT_EQ(listing.preferences[5].name, "Split\\Auto folder");
  EXPECT_EQ(listing.preferences[5].value, "1");
  EXPECT_EQ(listing.preferences[13].name, "Split\\Recovery percent");
  EXPECT_EQ(listing.preferences[13].value, "10");
  EXPECT_EQ(listing.preferences.back().name, "Window\\State");

  AppPreferences lite(SettingsKey::Root::none);
  lite.SetDefaults();
  EXPECT_EQ(ListPreferences(lite).store, "");
}

TEST_F(SettingsCommandsTest, ValuesAreCheckedAsThePagesCheckThem) {
  const std::string folder = sandbox.Folder().string();
  const std::string missing = (sandbox.Folder() / "missing").string();
  struct Case {
    const char* name;
    std::string value;
    const char* refusal;  // nullptr: accepted
  };
  const Case cases[] = {
      {"Split\\Max. file size", "700MB", nullptr},
      {"split/max. FILE size", "1,073,741,824 (1 GB)", nullptr},
      {"Split\\Max. file size", "700 MB",
       "The byte size of the split files must be an integer between 4,368 and 107,374,182,400 "
       "(100.00 GB)."},
      {"Split\\Max. file size", "4367",
       "The byte size of the split files must be an integer "
       "between 4,368 and 107,374,182,400 (100.00 GB)."},
      {"Split\\Max. file size", "101GB",
       "The byte size of the split files must be an integer "
       "between 4,368 and 107,374,182,400 (100.00 GB)."},
      {"Split\\Files", "32,766", nullptr},
      {"Split\\Files", "32,767",
       "The number of split files must be an integer between 2 and 32,766."},
      {"Split\\Files", "1", "The number of split files must be an integer between 2 and 32,766."},
      {"Split\\Files", "three",
       "The number of split files must be an integer between 2 and 32,766."},
      {"Split\\Recovery percent", "100", nullptr},
      {"Split\\Recovery percent", "0",
       "The recovery files' share of the split files must be an integer between 1 and 100 "
       "percent."},
      {"View\\Beep", "yes", nullptr},
      {"Merge\\Delete when done", "ON", nullptr},
      {"Split\\Self extracting", "maybe",
       "Split\\Self extracting must be 1 or 0 (yes or no, on or off)."},
      {"View\\Page", "1", nullptr},
      {"View\\Page", "2", "View\\Page must be an integer between 0 and 1."},
      {"Window\\State", "4", "Window\\State must be an integer between 1 and 3."},
      {"Window\\Bounds.left", "-20", nullptr},
      {"Split\\Folder", folder, nullptr},
      {"Split\\Folder", "", nullptr},
      {"Merge\\Folder", missing, nullptr},
      {"Split\\File name prefix", "any name", nullptr},
      {"Split", "1", "There is no setting named Split."},
      {"Max. file size", "1", "There is no setting named Max. file size."},
      {"Split\\Unknown", "1", "There is no setting named Split\\Unknown."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + c.value);
    std::optional<std::string> refusal = SetPreference(prefs, c.name, c.value);
    if (std::string(c.name) == "Merge\\Folder") {
      ASSERT_TRUE(refusal);
      EXPECT_EQ(*refusal, "The folder " + missing + " was not found.");
    } else if (c.refusal == nullptr) {
      EXPECT_FALSE(refusal) << *refusal;
    } else {
      ASSERT_TRUE(refusal);
      EXPECT_EQ(*refusal, c.refusal);
    }
  }
  EXPECT_EQ(prefs.splitMaxFileSize, 1073741824u);
  EXPECT_EQ(prefs.splitFileCount, 32766);
  EXPECT_TRUE(prefs.beep);
  EXPECT_TRUE(prefs.deleteWhenDone);
  EXPECT_FALSE(prefs.selfExtracting);
  EXPECT_EQ(prefs.page, 1);
  EXPECT_EQ(prefs.windowState, 1);
  EXPECT_EQ(prefs.windowBounds.left, -20);
  EXPECT_EQ(prefs.splitFolder, "");
  EXPECT_EQ(prefs.splitFilePrefix, "any name");
  EXPECT_TRUE(prefs.IsModified());
}

TEST_F(SettingsCommandsTest, ChangedValueIsStoredAtExit) {
  ASSERT_FALSE(SetPreference(prefs, "Split\\Files", "9"));
  prefs.SaveAtExit();
  AppPreferences again;
  again.BuildKeyPath(SettingsSandbox::kCompany, sandbox.Application());
  again.LoadAtStart();
  EXPECT_EQ(again.splitFileCount, 9);
  EXPECT_EQ(PresetSizes(again).size(), 27u);
}

}  // namespace
