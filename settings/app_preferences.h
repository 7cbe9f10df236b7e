#pragma once
// Partwell's preferences: the page the window opens on, "Beep when done", and the options of
// the Split and Merge pages. One object, owned by the application; the pages read and assign
// its fields directly. Constructed without a root (the lite program) it never touches the
// store: its preferences are always the defaults.

#include <cstdint>
#include <string>
#include <vector>

#include "settings/preferences.h"

class AppPreferences : public Preferences {
 public:
  using Preferences::Preferences;

  void SetDefaults() override;

  // Set by SetDefaults, then by Load.

  int page{};  // 0 Split, 1 Merge
  bool beep{};

  std::uint64_t splitMaxFileSize{};
  int splitFileCount{};
  int splitBySize{};  // 0 by number of split files, 1 by maximum byte size
  bool splitAutoFolder{};
  std::string splitFolder;
  bool splitAutoFiles{};
  std::string splitFilePrefix;
  bool splitPromptOnOverwrite{};
  bool selfExtracting{};
  bool splitChecksums{};       // the SHA-256 checksums file beside the master
  bool splitRecovery{};        // recovery files beside the master
  int splitRecoveryPercent{};  // their share of the split files

  bool mergeAutoFolder{};
  std::string mergeFolder;
  bool mergeAutoFiles{};
  std::string mergeFileName;
  bool deleteWhenDone{};
  bool mergePromptOnOverwrite{};

 protected:
  std::vector<StoredPreference> ProgramPreferences() override;
};
