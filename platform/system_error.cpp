#include "platform/system_error.h"

#include "platform/file_error_causes.h"

namespace platform {

int FileErrorCauseFor(ErrorCode code) {
  if (code == 0) return 0;
  for (const CauseOfCodes& entry : FileErrorCauseTable()) {
    for (ErrorCode listed : entry.codes) {
      if (listed == code) return entry.cause;
    }
  }
  return 1;
}

}  // namespace platform
