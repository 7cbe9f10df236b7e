#include "settings/app_preferences.h"

#include "platform/documents_folder.h"

void AppPreferences::SetDefaults() {
  const std::string documents = platform::DocumentsFolder();
  page = 0;
  beep = false;
  splitMaxFileSize = 1073741824;  // 1 GiB, kept for the by-size mode
  splitFileCount = 3;
  splitBySize = 0;
  splitAutoFolder = true;
  splitFolder = documents;
  splitAutoFiles = true;
  splitFilePrefix.clear();
  splitPromptOnOverwrite = true;
  selfExtracting = false;
  splitChecksums = false;
  splitRecovery = false;
  splitRecoveryPercent = 10;
  mergeAutoFolder = true;
  mergeFolder = documents;
  mergeAutoFiles = true;
  mergeFileName.clear();
  deleteWhenDone = false;
  mergePromptOnOverwrite = true;
  Preferences::SetDefaults();
}

std::vector<StoredPreference> AppPreferences::ProgramPreferences() {
  return {
      {"View", "Page", &page},
      {"View", "Beep", &beep},
      {"Split", "Max. file size", &splitMaxFileSize},
      {"Split", "Files", &splitFileCount},
      {"Split", "By size", &splitBySize},
      {"Split", "Auto folder", &splitAutoFolder},
      {"Split", "Folder", &splitFolder},
      {"Split", "Auto files", &splitAutoFiles},
      {"Split", "Self extracting", &selfExtracting},
      {"Split", "File name prefix", &splitFilePrefix},
      {"Split", "Prompt on overwrites", &splitPromptOnOverwrite},
      {"Split", "Checksums", &splitChecksums},
      {"Split", "Recovery files", &splitRecovery},
      {"Split", "Recovery percent", &splitRecoveryPercent},
      {"Merge", "Auto folder", &mergeAutoFolder},
      {"Merge", "Folder", &mergeFolder},
      {"Merge", "Auto files", &mergeAutoFiles},
      {"Merge", "File name", &mergeFileName},
      {"Merge", "Delete when done", &deleteWhenDone},
      {"Merge", "Prompt on overwrites", &mergePromptOnOverwrite},
  };
}
