#pragma once
// The merged file is written under a temporary name beside its target and put in place of the
// target only once it is whole, so that a failure, a cancel, a kill or a power cut never leaves
// a half file under the target's name and never costs the file that was there before.

#include <string>
#include <vector>

class CFile64;

// ".NAME.partwell-" in the target's folder (a very long NAME shortened): the beginning of every
// temporary name for that target, which six random letters and digits complete.
std::string TemporaryNamePrefix(const std::string& target);

// Removes the temporaries for the target that merges which ended without cleaning up (killed,
// or the machine stopped) left; one that a running merge holds stays.
void RemoveStaleTemporaries(const std::string& target);

// Creates a new temporary for the target and opens it for writing in `file`, whose errors name
// the target, as the user knows it. Returns the temporary's path; raises the file error for the
// target when it cannot be created.
std::string CreateTemporaryFor(const std::string& target, CFile64& file);

// Temporaries that go with the work that made them: those still held when the object goes are
// removed, unless the work kept them; one put in place is released first.
class TemporaryFiles {
 public:
  TemporaryFiles() = default;
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;
  ~TemporaryFiles() { RemoveAll(); }

  void Add(std::string path) { paths_.push_back(std::move(path)); }
  // No longer removed: it has taken its target's name.
  void Release(const std::string& path);
  // Every one held stays.
  void Keep() { paths_.clear(); }
  void RemoveAll();

 private:
  std::vector<std::string> paths_;
};
