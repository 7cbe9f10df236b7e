#pragma once
// The per-platform table behind FileErrorCauseFor: which system error codes give which
// file-error cause. Codes that are in no row give cause 1, code 0 gives cause 0.

#include <initializer_list>
#include <span>

#include "platform/system_error.h"

namespace platform {

struct CauseOfCodes {
  int cause;
  std::initializer_list<ErrorCode> codes;
};

std::span<const CauseOfCodes> FileErrorCauseTable();

}  // namespace platform
