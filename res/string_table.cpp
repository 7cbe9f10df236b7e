#include "res/string_table.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace {

struct Entry {
  unsigned id;
  std::string_view text;
};

// Sorted by id.
constexpr Entry kEntries[] = {
    {1099,
     "PartwellLite is the merge-only edition of Partwell: it does not split files, it only merges "
     "packages made by Partwell. It needs no installation, stores no configuration and has no help "
     "guide.\n\nPartwell makes two kinds of package. A self-extracting package carries its own "
     "copy of PartwellLite in its master file (*.exe): running that file merges the package. A "
     "data-only package (*.fsm) is smaller, but needs Partwell or PartwellLite to merge "
     "it.\n\nClick the \"Merge\" tab to merge a package."},
    {1101,
     "An internal error has caused a data corruption.\n\nPlease report the problem to technical "
     "support."},
    {1102, "The byte size of the split files must be an integer between %1 and %2 (%3)."},
    {1105, "Would you like to have the split files deleted?"},
    {1106, "The operation was completed."},
    {1107, "The operation was NOT completed."},
    {1108, "The initial and final file contents do not match."},
    {1109, "The initial and final file sizes do not match."},
    {1110, "Corruption warning: %1"},
    {1111, "Processing user restrictions..."},
    {1113, "The operation yields too many split files.\n\nSpecify a larger split file size."},
    {1114, "The file name was not specified."},
    {1115, "The file %1 was not found."},
    {1116, "%1 is an invalid file name."},
    {1117, "The format of the file %1 is invalid."},
    {1118, "The operation will overwrite %1.\n\nWould you like to continue?"},
    {1119, "The folder %1 was not found."},
    {1120,
     "The length of the source file path can't exceed %1 characters.\n\nReduce the length of the "
     "source file path."},
    {1121, "The operation will overwrite %1 and its related files.\n\nWould you like to continue?"},
    {1122, "Split files destination folder:"},
    {1123, "Merged file destination folder:"},
    {1124,
     "The split file size must be at least %1 bytes in order to acommodate the self-extracting "
     "master file."},
    {1125, "PartwellLite.exe"},
    {1126,
     "Your version of PartwellLite doesn't support self-extraction. \n\nYou can either update your "
     "copy of PartwellLite, or clear \nthe self-extraction check box in order to split "
     "files.\n\nFile location: %1"},
    {1127,
     "The length of the split files path can't exceed %1 characters.\n\nReduce the length of the "
     "split files path or that of their file name prefix."},
    {1128, "The number of split files must be an integer between %1 and %2."},
    {1129, "The byte size of the file to split must be between %1 and %2 (%3)."},
    {1130, "Processing %1..."},
    {1132,
     "All Split Files (*.fsm; *.exe)|*.fsm;*.exe|Split Files (*.fsm)|*.fsm|Self-Extracting Split "
     "Files (*.exe)|*.exe||"},
    {1133,
     "An attempt was made to cancel operations.\n\nDo you really want to abort the current "
     "operation?"},
    {1134, "All Files (*.*)|*.*|Applications (*.exe)|*.exe|Zip Files (*.zip)|*.zip||"},
    {1136, "Split Files (*.fss)|*.fss||"},
    {1137,
     "Data verification cannot be performed on these split files because they were created with an "
     "early version of Partwell.\n\nIf you choose to continue, Partwell will only check to see "
     "that the files exist and are in a valid Partwell format.\n\nWould you like to continue?"},
    {1139, "Creating %1..."},
    {1140,
     "Not enough space to store %1.\n\nIf you are splitting to removeable media, please insert a "
     "new disk labeled #%2 then press OK."},
    {1141, "%1\n\nIf you are merging from removeable media, please insert disk #%2 then press OK."},
    {1142,
     "An attempt was made to close the application.\n\nDo you really want to abort the current "
     "operation?"},
    {1143, "Gathering data about %1..."},
    {1144, "Opening %1..."},
    {1145, "Invalid DateTime"},
    {1146, "Reason: "},
    {1159, "%1 (%2)"},
    {1160, "&Split\n&Merge"},
    {1161,
     "There is not enough space to extract %1.\n\nFree %2 on the destination drive or choose a "
     "different one with at least %3 of available space."},
    {1162,
     "There is not enough space on the destination fixed drive to split %1.\n\nFree %2 or choose a "
     "different drive with at least %3 of available space.\n\nWould you like to continue anyway?"},
    {1163, "Time ellapsed: %1"},
    {1165, "Data processed: %1 @ %2/sec"},
    {1166, "Time ellapsed: %1 - Remaining: %2"},
    {1170, "The merged file %1 cannot be one of the split files it is merged from."},
    {1171, "The file to split %1 cannot be one of the split files it is split into."},
    {1180,
     "The recovery files' share of the split files must be an integer between %1 and %2 "
     "percent."},
    {1190, "The file %1 does not match its SHA-256 checksum in %2."},
    {1191, "The merged data does not match the SHA-256 checksum of %1 in %2."},
    {1200,
     "The package cannot be repaired: %1 of its slices are missing or damaged and the recovery "
     "files hold %2. More recovery volumes needed: %3."},
    {1201, "The file %1 rebuilt from the recovery files does not match them; it is not used."},
    {1202, "Rebuilt from the recovery files: %1."},
    {1203, "Writing recovery file %1..."},
    {1204, "Checking %1 against the recovery files..."},
    {1205, "Rebuilding %1 from the recovery files..."},
    {1206, "No recovery files for %1 were found."},
    {1207, "Missing or damaged, and rebuilt by the recovery files when merged: %1."},
    {1208, "Every file the recovery files protect is whole; nothing was changed."},
    {1220, "%1%% - %2"},
    {1221, "Splitting %1"},
    {1222, "Merging %1"},
    {1223, "Verifying %1"},
    {1224, "File\nDisk\nState"},
    {1225, "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||"},
    {1226, "%1 report.txt"},
    {1400, "There is no setting named %1."},
    {1401, "%1 must be 1 or 0 (yes or no, on or off)."},
    {1402, "%1 must be an integer between %2 and %3."},
    {1410,
     "The settings file %1 is larger than %2 and is left as it is: the default settings are "
     "used and no change is saved."},
    {1411,
     "The settings file %1 is not a regular file and is left as it is: the default settings are "
     "used and no change is saved."},
    {1412,
     "The settings file %1 cannot be read (%2) and is left as it is: the default settings are "
     "used and no change is saved."},
    {25107,
     "Copyright (C) 2026 Velmont Computing.\n\nFree software under the MIT License: you may use, "
     "copy, change and pass it on. It is provided \"as is\", without warranty of any kind."},
    {25250,
     "This application only runs under Windows Vista/Server 2008 or later.\n\nCheck the file "
     "compatibility mode if the Windows version is correct."},
    {25255, "Cancel\n&Close"},
    {25260, "Error #%1: %2"},
    {25266, "Error #%1: %2\n\nData: %3"},
    {25268, "B\nKB\nMB\nGB\nTB\nPB\nEB\nZB\nYB"},
    {25280, "&About %1..."},
    {61472, "No error message is available."},
    {61475, "Out of memory."},
    {61704, "Internal application error."},
    {61705, "Command failed."},
    {61856, "No error occurred."},
    {61857, "An unknown error occurred while accessing %1."},
    {61858, "%1 was not found."},
    {61859, "%1 contains an incorrect path."},
    {61860, "Could not open %1 because there are too many open files."},
    {61861, "Access to %1 was denied."},
    {61862, "An incorrect file handle was associated with %1."},
    {61863, "Could not remove %1 because it is the current directory."},
    {61864, "Could not create %1 because the directory is full."},
    {61865, "Seek failed on %1"},
    {61866, "Encountered a hardware I/O error while accessing %1."},
    {61867, "Encountered a sharing violation while accessing %1."},
    {61868, "Encountered a locking violation while accessing %1."},
    {61869, "Disk full while accessing %1."},
    {61870, "Attempted to access %1 past its end."},
    {61871,
     "%1 cannot be that large: the file system of its disk does not hold a file of this size "
     "(FAT32 holds 4 GB less one byte at most), or the file size limit of this session is lower."},
    {61872, "%1 is not a regular file: a device, pipe or socket cannot stand in for one."},
};

static_assert(std::adjacent_find(std::begin(kEntries), std::end(kEntries),
                                 [](const Entry& a, const Entry& b) { return a.id >= b.id; }) ==
                  std::end(kEntries),
              "the table is looked up by binary search");

std::string& ApplicationTitle() {
  static std::string title = "Partwell";
  return title;
}

}  // namespace

std::optional<std::string> StringTableText(unsigned id) {
  if (id == IDS_APP_TITLE) return ApplicationTitle();
  auto it = std::lower_bound(std::begin(kEntries), std::end(kEntries), id,
                             [](const Entry& e, unsigned key) { return e.id < key; });
  if (it == std::end(kEntries) || it->id != id) return std::nullopt;
  return std::string(it->text);
}

void SetApplicationTitle(std::string title) { ApplicationTitle() = std::move(title); }
