// The programs as a user runs them, against the standard tools: every command is a process of
// its own, timed from start to exit, with its processor time (user and system) and its peak
// resident memory taken from the kernel's account of the finished child. The contenders of a
// comparison run in the same round, one after the other on the same data in the page cache, in
// an order that turns from round to round; each round gives one ratio per measure, and the
// median of the rounds is printed.
//
// Usage: programs_bench [--rounds N] [--size MiB] [--folder FOLDER] [--program PARTWELL]
//                       [--versus PARTWELL]
// The folder (by default a new one in the current folder) holds a source of random bytes and
// packages of 100 MiB pieces made from it: plain, with a manifest, with recovery files, and with
// recovery files and a piece missing; all is removed at the end. The partwell measured is
// the one beside this program unless --program names another; --versus (repeatable) adds
// another build to every comparison, to weigh a change in the same rounds.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/system_info.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint32_t kBlock = 1024 * 1024;
constexpr std::uint64_t kTmpfsMagic = 0x01021994;

// One finished run of a command.
struct Run {
  double wall = 0;   // seconds from start to exit
  double cpu = 0;    // user and system seconds of the process and the processes it waited for
  long peakKiB = 0;  // the largest resident set of any of them
};

// A command: a program and its arguments, started without a shell, or a shell line.
struct Command {
  std::string name;
  std::vector<std::string> argv;
  std::function<void()> cleanUp = {};  // untimed, after the run: removes what the command wrote
  // Removed inside the timed run, before the program starts: what the previous run wrote, as a
  // user who merges again removes the old file first.
  std::string removeFirst = {};
};

Command Shell(std::string name, const std::string& line, std::function<void()> cleanUp = {}) {
  return {std::move(name), {"/bin/sh", "-c", line}, std::move(cleanUp)};
}

bool Writes(const Command& command) {
  return static_cast<bool>(command.cleanUp) || !command.removeFirst.empty();
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// Each command starts with nothing of an earlier one left to write back, and with memory that
// was just in use: on a virtual machine, memory that has lain free for a while may have gone
// back to the host and costs far more to fill again, which would favour whichever command
// follows another writer.
void Settle(std::uint64_t bytes) {
  ::sync();
  if (bytes == 0) return;
  // Populated by the kernel at once: cheaper than touching every page from here.
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (memory != MAP_FAILED) munmap(memory, bytes);
}

Run Execute(const Command& command, const std::string& configFolder) {
  std::vector<char*> argv;
  for (const std::string& arg : command.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    // The split stores its choices as the next one's defaults: not in the user's settings.
    setenv("XDG_CONFIG_HOME", configFolder.c_str(), 1);
    if (!command.removeFirst.empty()) unlink(command.removeFirst.c_str());
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  Run run;
  run.wall = std::chrono::duration<double>(Clock::now() - start).count();
  const auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  };
  run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.peakKiB = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed (status %d): %s\n", status, command.argv.back().c_str());
    std::exit(1);
  }
  if (command.cleanUp) command.cleanUp();
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The commands of one comparison; the first is Partwell's, measured against each of the others.
struct Comparison {
  std::vector<Command> commands;
  std::vector<const char*> aims;  // the wall-time aim against each other command
  std::map<std::string, std::vector<Run>> runs = {};
  // Read again just before each command: on a virtual machine, cached pages left alone for a
  // while can cost several times as much to read the first time, which would fall on whichever
  // command comes first.
  std::vector<std::string> inputs = {};
};

void Warm(const std::vector<std::string>& paths);

void RunRound(Comparison& comparison, int round, const std::string& configFolder,
              std::uint64_t settleBytes) {
  const std::size_t count = comparison.commands.size();
  for (std::size_t turn = 0; turn < count; ++turn) {
    const Command& command = comparison.commands[(turn + round) % count];
    Settle(Writes(command) ? settleBytes : 0);
    Warm(comparison.inputs);
    comparison.runs[command.name].push_back(Execute(command, configFolder));
  }
}

const std::vector<Run>& RunsOf(const Comparison& comparison, std::size_t command) {
  return comparison.runs.at(comparison.commands[command].name);
}

// The median over the rounds of the ratio of the first command's measure to another's.
double MedianRatio(const Comparison& comparison, std::size_t other, double Run::*measure) {
  const std::vector<Run>& ours = RunsOf(comparison, 0);
  const std::vector<Run>& theirs = RunsOf(comparison, other);
  std::vector<double> ratios;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    ratios.push_back(ours[i].*measure / theirs[i].*measure);
  }
  return Median(ratios);
}

// The slowest run's wall time over the fastest's.
double Spread(const std::vector<Run>& runs) {
  const auto [fastest, slowest] = std::ranges::minmax(runs, {}, &Run::wall);
  return slowest.wall / fastest.wall;
}

long PeakKiB(const std::vector<Run>& runs) {
  return std::ranges::max(runs, {}, &Run::peakKiB).peakKiB;
}

void Report(const Comparison& comparison) {
  for (std::size_t command = 0; command < comparison.commands.size(); ++command) {
    const std::vector<Run>& runs = RunsOf(comparison, command);
    std::vector<double> wall, cpu;
    for (const Run& run : runs) {
      wall.push_back(run.wall);
      cpu.push_back(run.cpu);
    }
    std::printf("  %-34s wall %6.3f s  processor %6.3f s  peak memory %6.1f MiB\n",
                comparison.commands[command].name.c_str(), Median(wall), Median(cpu),
                static_cast<double>(PeakKiB(runs)) / 1024);
  }
  for (std::size_t other = 1; other < comparison.commands.size(); ++other) {
    std::printf("  %s / %s: wall %.2f (aim %s), processor %.2f\n",
                comparison.commands[0].name.c_str(), comparison.commands[other].name.c_str(),
                MedianRatio(comparison, other, &Run::wall), comparison.aims[other - 1],
                MedianRatio(comparison, other, &Run::cpu));
  }
}

// How steady the merge is against copies that are on the disk when they end, and how close the
// verify comes to a plain read, on five lines.
void ReportMergePace(const Comparison& merge, const Comparison& verify) {
  const std::vector<Run>& ours = RunsOf(merge, 0);
  const double spread = Spread(ours);
  const double copySpread = Spread(RunsOf(merge, 1));
  std::printf("The merge's pace over %zu rounds (load average %s):\n", ours.size(),
              LoadAverage().c_str());
  std::printf("  merge / rm; cat pieces > new; sync new      %5.2f (aim <= 1.0)\n",
              MedianRatio(merge, 1, &Run::wall));
  std::printf("  merge / rm; cat pieces | dd conv=fsync      %5.2f (aim <= 0.7)\n",
              MedianRatio(merge, 2, &Run::wall));
  std::printf("  spread of wall times, merge %.2f, cat; sync %.2f: %5.2f (aim <= 1.5)\n", spread,
              copySpread, spread / copySpread);
  std::printf("  verify / cat pieces > /dev/null             %5.2f (aim <= 1.05)\n",
              MedianRatio(verify, 1, &Run::wall));
  std::printf("  peak memory, merge %.1f MiB, verify %.1f MiB (aim <= 16 MiB)\n",
              static_cast<double>(PeakKiB(ours)) / 1024,
              static_cast<double>(PeakKiB(RunsOf(verify, 0))) / 1024);
}

void WriteRandomFile(const std::string& path, std::uint64_t size) {
  std::vector<std::uint64_t> block(kBlock / sizeof(std::uint64_t));
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  // xorshift: cheap bytes that no file system compresses away.
  const auto random = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  std::ofstream file(path, std::ios::binary);
  for (std::uint64_t written = 0; written < size; written += kBlock) {
    for (std::uint64_t& word : block) word = random();
    file.write(reinterpret_cast<const char*>(block.data()),
               static_cast<std::streamsize>(std::min<std::uint64_t>(kBlock, size - written)));
  }
}

void Warm(const std::vector<std::string>& paths) {
  std::vector<char> block(kBlock);
  for (const std::string& path : paths) {
    std::ifstream file(path, std::ios::binary);
    while (file.read(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }
}

// The files of the folder whose names end in `extension`, in the order of their names.
std::vector<std::string> FilesIn(const fs::path& folder, const std::string& extension) {
  std::vector<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension().string().ends_with(extension)) {
      files.push_back(entry.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

void RemoveFilesIn(const fs::path& folder) {
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) fs::remove(entry);
}

std::string FolderOfThisProgram() {
  std::string self;
  platform::ModuleFilePath(self);
  return fs::path(self).parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 7;
  std::uint64_t size = 1024 * kMiB;
  fs::path base = fs::current_path();
  std::vector<std::string> versus;
  std::string partwell = FolderOfThisProgram() + "/partwell";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    if (option == "--size") size = std::strtoull(argv[i + 1], nullptr, 10) * kMiB;
    if (option == "--folder") base = argv[i + 1];
    if (option == "--versus") versus.push_back(argv[i + 1]);
    if (option == "--program") partwell = argv[i + 1];
  }
  const fs::path folder = base / ("partwell-bench-" + std::to_string(getpid()));
  const fs::path package = folder / "package", withManifest = folder / "with-manifest",
                 withRecovery = folder / "with-recovery", pieceMissing = folder / "piece-missing",
                 splitOurs = folder / "split-ours", splitTheirs = folder / "split-theirs",
                 merged = folder / "merged", steady = folder / "steady", config = folder / "config";
  for (const fs::path& path : {package, withManifest, withRecovery, pieceMissing, splitOurs,
                               splitTheirs, merged, steady, config}) {
    fs::create_directories(path);
  }
  struct statfs disk {};
  statfs(folder.c_str(), &disk);
  std::printf("Partwell %s against the standard tools, %d rounds on %llu MiB in %s (%s)\n",
              partwell.c_str(), rounds, static_cast<unsigned long long>(size / kMiB),
              folder.c_str(),
              static_cast<std::uint64_t>(disk.f_type) == kTmpfsMagic ? "tmpfs" : "not tmpfs");
  std::printf("load average at the start: %s\n", LoadAverage().c_str());
  std::fflush(stdout);

  const std::string source = (folder / "source.bin").string();
  WriteRandomFile(source, size);
  const std::string configFolder = config.string();
  Execute({"package",
           {partwell, "split", source, "--dest", package.string(), "--size", "100MB", "--yes"}},
          configFolder);
  Execute({"package with a manifest",
           {partwell, "split", source, "--dest", withManifest.string(), "--size", "100MB",
            "--manifest", "--yes"}},
          configFolder);
  for (const fs::path& destination : {withRecovery, pieceMissing}) {
    Execute({"package with recovery files",
             {partwell, "split", source, "--dest", destination.string(), "--size", "100MB",
              "--recovery", "10%", "--yes"}},
            configFolder);
  }
  const std::vector<std::string> pieces = FilesIn(package, ".fss");
  const std::string master = FilesIn(package, ".fsm").at(0);
  const std::string masterWithManifest = FilesIn(withManifest, ".fsm").at(0);
  const std::string masterWithRecovery = FilesIn(withRecovery, ".fsm").at(0);
  const std::string masterPieceMissing = FilesIn(pieceMissing, ".fsm").at(0);
  // A piece from the middle, which the rebuilding commands bring back and their clean-up takes
  // away again; the merge rebuilds it into a temporary file beside the merged one.
  const std::vector<std::string> piecesOfMissing = FilesIn(pieceMissing, ".fss");
  const std::string missingPiece = piecesOfMissing.at(piecesOfMissing.size() / 2);
  fs::remove(missingPiece);
  std::string pieceList;
  for (const std::string& piece : pieces) pieceList += " " + Quoted(piece);
  std::vector<std::string> everything = pieces;
  everything.push_back(source);
  Warm(everything);

  const auto emptyFolder = [](const fs::path& path) { return [path] { RemoveFilesIn(path); }; };
  const Command ourSplit{
      "partwell split --size 100MB",
      {partwell, "split", source, "--dest", splitOurs.string(), "--size", "100MB", "--yes"},
      emptyFolder(splitOurs)};
  const Command ourMerge{"partwell merge",
                         {partwell, "merge", master, "--dest", merged.string(), "--yes"},
                         emptyFolder(merged)};
  Comparison split{{ourSplit, Shell("split -b 100M",
                                    "split -b 100M " + Quoted(source) + " " +
                                        Quoted((splitTheirs / "source.bin.").string()),
                                    emptyFolder(splitTheirs))},
                   {"<= 0.9"}};
  // The merge against copies that are on the disk when they end, as the merged file is before
  // it takes its name; each removes what it wrote the round before inside its timed run (the
  // child removes it before it starts the command), in a folder that no other comparison
  // empties.
  const auto inSteady = [&steady](const char* name) { return (steady / name).string(); };
  Command ourMergeAgain{"partwell merge",
                        {partwell, "merge", master, "--dest", steady.string(), "--yes"}};
  ourMergeAgain.removeFirst = inSteady("source.bin");
  const std::string synced = Quoted(inSteady("synced")), flushed = Quoted(inSteady("flushed")),
                    cached = Quoted(inSteady("cached"));
  const auto removingFirst = [](Command command, const std::string& path) {
    command.removeFirst = path;
    return command;
  };
  Comparison merge{{ourMergeAgain,
                    removingFirst(Shell("rm; cat pieces > new; sync new",
                                        "cat" + pieceList + " > " + synced + " && sync " + synced),
                                  inSteady("synced")),
                    removingFirst(Shell("rm; cat pieces | dd conv=fsync",
                                        "cat" + pieceList + " | dd of=" + flushed +
                                            " bs=128K conv=fsync status=none"),
                                  inSteady("flushed")),
                    // The same copy left in memory, to be written after it exits.
                    removingFirst(Shell("rm; cat pieces > new", "cat" + pieceList + " > " + cached),
                                  inSteady("cached"))},
                   {"<= 1.0", "<= 0.7", "-"}};
  Comparison verify{{{"partwell verify", {partwell, "verify", master, "--yes"}},
                     Shell("cat pieces > /dev/null", "cat" + pieceList + " > /dev/null")},
                    {"<= 1.05"}};
  // The strong checksums against the same commands without them.
  Command ourSplitWithManifest = ourSplit;
  ourSplitWithManifest.name = "partwell split --manifest";
  ourSplitWithManifest.argv.insert(ourSplitWithManifest.argv.end() - 1, "--manifest");
  Command ourMergeWithManifest = ourMerge;
  ourMergeWithManifest.name = "partwell merge, manifest beside";
  ourMergeWithManifest.argv[2] = masterWithManifest;
  Comparison splitManifest{{ourSplitWithManifest, ourSplit}, {"<= 1.3"}};
  Comparison mergeManifest{{ourMergeWithManifest, ourMerge}, {"<= 1.3"}};
  // The recovery files: written against a PAR2 program over the standard tool's pieces and
  // against the split alone; beside a merge that needs none; a piece rebuilt from them.
  Command ourSplitWithRecovery = ourSplit;
  ourSplitWithRecovery.name = "partwell split --recovery 10%";
  ourSplitWithRecovery.argv.insert(ourSplitWithRecovery.argv.end() - 1, {"--recovery", "10%"});
  const std::string theirPieces = Quoted((splitTheirs / "source.bin.").string());
  Comparison splitRecovery{
      {ourSplitWithRecovery,
       Shell("split -b 100M; par2 create -r10",
             "split -b 100M " + Quoted(source) + " " + theirPieces + " && par2 create -q -q -r10 " +
                 Quoted((splitTheirs / "source.bin.par2").string()) + " " + theirPieces + "a?",
             emptyFolder(splitTheirs)),
       ourSplit},
      {"<= 0.2", "<= 2.5"}};
  Command ourMergeWithRecovery = ourMerge;
  ourMergeWithRecovery.name = "partwell merge, recovery beside";
  ourMergeWithRecovery.argv[2] = masterWithRecovery;
  Comparison mergeRecovery{{ourMergeWithRecovery, ourMerge}, {"<= 1.05"}};
  Command ourMergeRebuilding = ourMerge;
  ourMergeRebuilding.name = "partwell merge, a piece rebuilt";
  ourMergeRebuilding.argv[2] = masterPieceMissing;
  Comparison mergeRebuilding{{ourMergeRebuilding, ourMerge}, {"<= 2"}};
  const auto removeMissingPiece = [missingPiece] { fs::remove(missingPiece); };
  Comparison repair{
      {{"partwell repair", {partwell, "repair", masterPieceMissing}, removeMissingPiece},
       Shell("par2 repair",
             "cd " + Quoted(pieceMissing.string()) + " && par2 repair -q -q " +
                 Quoted(fs::path(source).filename().string() + ".par2"),
             removeMissingPiece)},
      {"-"}};
  const std::vector<std::string> withManifestFiles = FilesIn(withManifest, "");
  split.inputs = splitManifest.inputs = splitRecovery.inputs = {source};
  mergeRecovery.inputs = FilesIn(withRecovery, "");
  repair.inputs = FilesIn(pieceMissing, "");
  mergeRebuilding.inputs = repair.inputs;
  mergeRebuilding.inputs.insert(mergeRebuilding.inputs.end(), pieces.begin(), pieces.end());
  merge.inputs = verify.inputs = pieces;
  mergeManifest.inputs = pieces;
  mergeManifest.inputs.insert(mergeManifest.inputs.end(), withManifestFiles.begin(),
                              withManifestFiles.end());
  const std::vector<Comparison*> comparisons = {&split,         &merge,           &verify,
                                                &splitManifest, &mergeManifest,   &splitRecovery,
                                                &mergeRecovery, &mergeRebuilding, &repair};
  for (const std::string& program : versus) {
    for (Comparison* comparison : comparisons) {
      Command other = comparison->commands[0];
      other.name = program + ": " + other.name;
      other.argv[0] = program;
      comparison->commands.push_back(other);
      comparison->aims.push_back("-");
    }
  }
  for (int round = 0; round < rounds; ++round) {
    for (Comparison* comparison : comparisons) {
      RunRound(*comparison, round, configFolder, size);
    }
    std::printf("round %d of %d done, load %s\n", round + 1, rounds, LoadAverage().c_str());
    std::fflush(stdout);
  }
  std::printf("Medians of %d rounds (ratios: the median of the rounds' ratios)\n", rounds);
  for (const Comparison* comparison : comparisons) Report(*comparison);
  ReportMergePace(merge, verify);
  std::printf("load average at the end: %s\n", LoadAverage().c_str());
  fs::remove_all(folder);
  return 0;
}
