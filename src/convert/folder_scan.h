// --recursive: the input files of the input folder and its sub-folders, and
// the mirrored sub-folders of the output folder that their outputs go to.
#ifndef LOOPCONV_CONVERT_FOLDER_SCAN_H_
#define LOOPCONV_CONVERT_FOLDER_SCAN_H_

#include <string>
#include <vector>

#include "base/log.h"
#include "base/platform.h"
#include "base/run_options.h"

namespace loopconv {

// The regular files below `folder` (ending in '/') whose own name holds
// `mark` ("DAT", or "LST" in metadata mode), as paths relative to `folder`
// ("2021-08/PELMA20Sec_08012021.DAT"): depth first, each folder's entries in
// sorted name order (byte order), a sub-folder at its place among them.
// `entries` is the listing of `folder` itself, already made. A sub-folder is
// descended into whatever its name (one named DATA_2021 is not taken for a
// data file); a symbolic link to a folder is not followed (no loops), one to
// a regular file is taken. A sub-folder that cannot be listed gets an E line
// ("Could not read folder [path]! - Error = [errno].") and is left out.
std::vector<std::string> scanSubFolders(Platform& platform, const std::string& folder,
                                        const std::vector<std::string>& entries, const char* mark,
                                        Log& log);

// The folder the outputs of the input file `name` go to: the output folder,
// and for a file of a sub-folder the same sub-folder of it.
std::string outputFolderFor(const RunOptions& options, const std::string& name);

// Creates the sub-folders of `outputFolder` that the files `names` need
// (each step of a path, as mkdir -p). A folder that cannot be created gets
// an E line ("Could not create folder [path]! - Error = [errno].") once;
// the outputs of its files then fail to open and say so.
void makeOutputFolders(const std::string& outputFolder, const std::vector<std::string>& names,
                       Log& log);

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_FOLDER_SCAN_H_
