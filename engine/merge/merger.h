#pragma once
// The merge: rebuilds the original file from a package, checking every piece on the way, or,
// when it only verifies, reads and checks the package without writing.

#include <string>
#include <vector>

#include "engine/operation_host.h"

// The Merge preferences that the caller hands in.
struct MergeOptions {
  bool promptOnOverwrite = true;  // ask before an existing merged file is replaced
  bool deleteWhenDone = false;    // delete the package after a fully successful merge
  // Where a piece that fails beside the master is looked for, by its name, before the user
  // is asked for it; a file there is taken only when its header shows it is that piece.
  std::vector<std::string> searchFolders = {};
  // Verify: the package is read and checked; nothing is written or deleted.
  bool verifyOnly = false;
};

class Merger {
 public:
  // Merges the package whose master is `masterPath` into `destinationPath` (folder and file
  // name). Missing or faulty pieces and a destination short of space are answered through the
  // host's prompts, after which the step repeats. Returns on success; otherwise raises the
  // error, a silent abort for a declined question or a cancel, after removing the partial
  // merged file. Package files are deleted only after a fully successful merge, all or none.
  void Merge(OperationHost& host, const std::string& masterPath, const std::string& destinationPath,
             const MergeOptions& options);

  // The files of the package that the last merge rebuilt from the recovery files, or that the
  // last verify found they can rebuild, by name.
  const std::vector<std::string>& Rebuilt() const { return rebuilt_; }

 private:
  std::vector<std::string> rebuilt_;
};
