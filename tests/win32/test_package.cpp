#include "tests/win32/test_package.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/split/splitter.h"
#include "tests/support/scripted_host.h"
#include "tests/support/split_package.h"

TestPackage::TestPackage(const ScratchFolder& scratch, std::uint32_t recoveryVolumes)
    : folder(scratch.PathText() + "\\"),
      master(folder + "sample.bin_00000.fsm"),
      merged(folder + "sample.bin") {
  const Bytes bytes = SourceBytes(100'000, 7);
  original.assign(bytes.begin(), bytes.end());
  WriteOriginal();
  ScriptedHost host;
  SplitOptions options;
  options.bySize = true;
  options.maxSplitFileSize = 25'000;
  options.promptOnOverwrites = false;
  options.comments = "made for a window test";
  options.recovery.value = recoveryVolumes;
  Splitter().Split(host, merged, merged, options);
  std::filesystem::remove(merged);
}

void TestPackage::WriteOriginal() const {
  WriteWholeFile(merged, original.data(), original.size());
}

std::string TestPackage::OriginalOnDisk() const {
  std::ifstream file(merged, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string TestPackage::PieceName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "sample.bin_%05d.fss", index);
  return name;
}

void TestPackage::DamagePiece(int index) const {
  std::fstream piece(folder + PieceName(index), std::ios::in | std::ios::out | std::ios::binary);
  piece.seekp(1000);
  piece.put('\x5A');
}
