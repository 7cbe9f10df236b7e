#include "tests/support/par2_program.h"

#include <cstdlib>
#include <filesystem>
#include <random>

#include "engine/recovery/par2_file_digest.h"

bool HavePar2() { return std::system("par2 --version >/dev/null 2>&1") == 0; }

bool RunPar2(const ScratchFolder& folder, const std::string& arguments) {
  const std::string command =
      "cd '" + folder.PathText() + "' && par2 " + arguments + " >par2.log 2>&1";
  return std::system(command.c_str()) == 0;
}

std::string WriteRandomFile(const ScratchFolder& folder, const std::string& name, std::size_t size,
                            std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(random());
  std::filesystem::create_directories((folder.Path() / name).parent_path());
  folder.Write(name, data.data(), data.size());
  return data;
}

Par2Set DigestedPar2Set(const ScratchFolder& folder, const std::vector<std::string>& names,
                        std::uint64_t sliceSize) {
  Par2Set set;
  set.sliceSize = sliceSize;
  for (const std::string& name : names) {
    set.files.push_back(DigestPar2File((folder.Path() / name).string(), name, sliceSize));
  }
  FinishPar2Set(set);
  return set;
}
