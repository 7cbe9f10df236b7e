#pragma once
// The split operation: one source file becomes a package of a master and data split files.

#include <string>
#include <vector>

#include "engine/operation_host.h"
#include "engine/split/split_options.h"

class Splitter {
 public:
  // Runs the whole split on the host's thread, reporting through the host, and returns when
  // the package is complete. Raises the error that ended it, or the silent abort when the user
  // cancelled or declined; partial output is removed then, unless the user chose to keep it.
  // Count mode stores its computed split file size in options.maxSplitFileSize.
  void Split(OperationHost& host, const std::string& sourcePath,
             const std::string& destinationPrefix, SplitOptions& options);
};

// Deletes every file of the list that exists.
void DeletePackageFiles(const std::vector<std::string>& names);
