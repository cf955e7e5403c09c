#include "convert/folder_scan.h"

#include <sys/stat.h>

#include <cerrno>
#include <set>

namespace loopconv {
namespace {

enum class EntryKind { File, Folder, Other };

EntryKind kindOf(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return EntryKind::Other;
  if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
  if (S_ISREG(info.st_mode)) return EntryKind::File;
  // A link is taken when it leads to a regular file, never followed to a folder.
  if (S_ISLNK(info.st_mode) && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    return EntryKind::File;
  }
  return EntryKind::Other;
}

void scan(Platform& platform, const std::string& root, const std::string& relative,
          const std::vector<std::string>& entries, const char* mark, Log& log,
          std::vector<std::string>* found) {
  for (const std::string& entry : entries) {
    if (entry == "." || entry == "..") continue;
    const std::string path = relative + entry;
    switch (kindOf(root + path)) {
      case EntryKind::File:
        if (entry.find(mark) != std::string::npos) found->push_back(path);
        break;
      case EntryKind::Folder: {
        std::vector<std::string> inner;
        int error = 0;
        if (!platform.listFolder(root + path + "/", &inner, &error)) {
          log.error("Could not read folder [%s%s/]! - Error = [%d].\n", root.c_str(), path.c_str(),
                    error);
          break;
        }
        scan(platform, root, path + "/", inner, mark, log, found);
        break;
      }
      case EntryKind::Other: break;
    }
  }
}

}  // namespace

std::vector<std::string> scanSubFolders(Platform& platform, const std::string& folder,
                                        const std::vector<std::string>& entries, const char* mark,
                                        Log& log) {
  std::vector<std::string> found;
  scan(platform, folder, std::string(), entries, mark, log, &found);
  return found;
}

std::string outputFolderFor(const RunOptions& options, const std::string& name) {
  size_t slash = name.rfind('/');
  if (slash == std::string::npos) return options.outputFolder;
  return options.outputFolder + name.substr(0, slash + 1);
}

void makeOutputFolders(const std::string& outputFolder, const std::vector<std::string>& names,
                       Log& log) {
  std::set<std::string> made;
  for (const std::string& name : names) {
    for (size_t slash = name.find('/'); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
      const std::string folder = outputFolder + name.substr(0, slash);
      if (!made.insert(folder).second) continue;
      if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        log.error("Could not create folder [%s/]! - Error = [%d].\n", folder.c_str(), errno);
      }
    }
  }
}

}  // namespace loopconv
