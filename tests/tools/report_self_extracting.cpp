// Tests its own program file for a self-extracting trailer, as the lite program does at start:
// exit status 0 when it heads a package, 1 when it does not, 2 on an error.

#include <cstdio>

#include "engine/package_reading.h"

int main() {
  try {
    return IsSelfExtractingMaster() ? 0 : 1;
  } catch (const CException& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
  }
}
