#pragma once
// The console command line: a command word, its operands and its options.

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ui/console/questions.h"

// The options, as bits of a set.
enum ConsoleOption : unsigned {
  kOptionDestination = 1u << 0,     // --dest FOLDER
  kOptionPrefix = 1u << 1,          // --prefix NAME
  kOptionSize = 1u << 2,            // --size SIZE
  kOptionCount = 1u << 3,           // --count N
  kOptionSelfExtracting = 1u << 4,  // --self-extracting
  kOptionComments = 1u << 5,        // --comments TEXT
  kOptionAnswer = 1u << 6,          // --yes or --no
  kOptionName = 1u << 7,            // --name NAME
  kOptionDeleteWhenDone = 1u << 8,  // --delete-when-done
  kOptionDataOnly = 1u << 9,        // --data-only
  kOptionReport = 1u << 11,         // --report
  kOptionSearch = 1u << 12,         // --search FOLDER, as often as wanted
  kOptionManifest = 1u << 13,       // --manifest
  kOptionStub = 1u << 14,           // --stub FILE
  kOptionJson = 1u << 15,           // --json
  kOptionRecovery = 1u << 16,       // --recovery N% or N
};

// Options every command takes.
inline constexpr unsigned kOptionQuiet = 1u << 10;  // --quiet, -q

struct ConsoleArguments {
  std::string command;  // the first operand; empty when there is none
  std::vector<std::string> operands;
  unsigned given = 0;  // the ConsoleOption bits of the options given
  std::optional<std::string> destination, prefix, size, count, comments, name;
  std::optional<std::string> stub;      // the lite program to head a self-extracting package
  std::optional<std::string> recovery;  // recovery volumes: a share of the files, or a number
  bool json = false;                    // one JSON document on standard output
  bool selfExtracting = false;
  bool dataOnly = false;
  bool deleteWhenDone = false;
  bool manifest = false;
  PresetAnswer answer = PresetAnswer::none;
  bool quiet = false;    // --quiet or -q: only errors are shown
  bool help = false;     // --help or -h (and /? on Windows), anywhere
  bool version = false;  // --version or -V, anywhere

  bool report = false;                     // --report: every piece judged, one line each
  std::vector<std::string> searchFolders;  // --search, in the order given
};

// A command line that cannot be understood; the text says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Options may stand anywhere, as "--dest FOLDER" or "--dest=FOLDER"; "--" ends them. The common
// ones have a short form (-d FOLDER, -s SIZE, -n N, -y, -q, -V, -h), which may be run together
// as -yq and take their value joined (-d/tmp) or as the next argument. The user
// data options ("/UserDataFolder:..." and "/UserDataFilePath:...") belong to the settings and
// are left out here. Raises UsageError for an unknown option, a missing value, an option given
// twice, or both of --size and --count, of --self-extracting and --data-only, or of --yes
// and --no, or of --stub and --data-only. Only --search may be given again.
ConsoleArguments ParseConsoleArguments(const std::vector<std::string>& arguments);

// Whether an argument is one of the user data options, in any letter case.
bool IsUserDataOption(std::string_view argument);

// What a command accepts: how many operands and which options.
struct CommandShape {
  std::string_view name;
  std::size_t minOperands;
  std::size_t maxOperands;
  unsigned options;
};

// Raises UsageError when the arguments do not fit the command.
void CheckCommandShape(const ConsoleArguments& arguments, const CommandShape& shape);
