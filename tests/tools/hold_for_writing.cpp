// Holds a file open for writing, as a second process would, until its standard input
// closes: hold_for_writing PATH [TEXT]. TEXT is written (and flushed) before the line
// "holding PATH" is printed, so a watcher can tell from the file that the hold has begun.
// A watchdog ends it after two minutes in case nobody closes the input.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "engine/file64.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: hold_for_writing PATH [TEXT]\n");
    return 2;
  }
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::minutes(2));
    std::_Exit(3);
  }).detach();
  try {
    CFile64 file;
    file.Open(argv[1], true);
    std::string text = argc > 2 ? argv[2] : "";
    file.Write(text.data(), static_cast<std::uint32_t>(text.size()));
    file.Flush();
    std::printf("holding %s\n", argv[1]);
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    file.Close();
  } catch (const CException& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
