#include "ui/console/stub_notice.h"

#include "base/path_text.h"
#include "engine/stub_system.h"
#include "platform/console.h"
#include "platform/unicode.h"
#include "ui/console/message.h"

StubNotice ReadStubNotice(const std::string& masterPath) {
  StubNotice notice;
  notice.system = MasterStubSystem(masterPath);
  if (notice.system) {
    const std::optional<std::string> here = RunningProgramSystem();
    notice.runsHere = !here || *here == *notice.system;
  }
  return notice;
}

void WarnWhenStubRunsElsewhere(const StubNotice& notice, const std::string& masterPath,
                               std::string_view programName) {
  if (!notice.system || notice.runsHere) return;
  WriteMessage(programName, platform::DisplayText(FileNamePart(masterPath)) + " runs on " +
                                *notice.system +
                                ", not on this system: merge its package here with the merge "
                                "command instead of running it.");
}
