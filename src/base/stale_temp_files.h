// Temporary files left in an output folder by runs that died (killed, power
// lost) before they could remove them.
#ifndef LOOPCONV_BASE_STALE_TEMP_FILES_H_
#define LOOPCONV_BASE_STALE_TEMP_FILES_H_

#include <string>

namespace loopconv {

// Removes from `folder` (ending in '/') every regular file named as this
// program names its temporary files ("<final name>.tmp<pid>.<n>") whose
// process no longer exists (kill(pid, 0) fails with ESRCH). Nothing else is
// touched: not this process's files, not a live process's, not another
// name. Returns how many it removed.
int removeStaleTempFiles(const std::string& folder);

}  // namespace loopconv

#endif  // LOOPCONV_BASE_STALE_TEMP_FILES_H_
