// A program's version block, built from the version header generated for each program. It is
// kept in a section of its own, so it can be read back from the program file.

#include "partwell_version.h"
#include "platform/elf_version_block.h"

namespace {

constexpr platform::FixedVersion kFixedVersion{
    PW_VERSION_MAJOR << 16 | PW_VERSION_MINOR, PW_VERSION_PATCH << 16 | PW_VERSION_BUILD,
    PW_VERSION_MAJOR << 16 | PW_VERSION_MINOR, PW_VERSION_PATCH << 16 | PW_VERSION_BUILD};

[[gnu::used,
  gnu::section(PW_VERSION_SECTION)]] constinit const platform::VersionBlock kVersionBlock =
    platform::MakeVersionBlock({
        .fixed = kFixedVersion,
        .companyName = PW_COMPANY_NAME,
        .productName = PW_PRODUCT_NAME,
        .productVersion = PW_VERSION_TEXT,
        .fileDescription = PW_FILE_DESCRIPTION,
        .fileVersion = PW_FILE_VERSION_TEXT,
        .legalCopyright = PW_LEGAL_COPYRIGHT,
        .specialBuild = "",
    });

}  // namespace
