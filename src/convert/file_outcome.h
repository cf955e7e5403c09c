// What the conversion of one data or list file did, as the run summary
// (--summary) reports it.
#ifndef LOOPCONV_CONVERT_FILE_OUTCOME_H_
#define LOOPCONV_CONVERT_FILE_OUTCOME_H_

#include <cstdint>
#include <string>
#include <vector>

namespace loopconv {

struct FileOutcome {
  enum class Stage {
    Unread,     // not opened, allocated or read whole (or its path too long)
    Refused,    // read, but without a valid date: nothing converted
    Completed,  // converted to its Completed line
  };
  Stage stage = Stage::Unread;
  bool outputsWritten = true;  // every requested output was written
  std::string date;            // YYYY-MM-DD; empty when the file gave none
  int32_t devices = -1;        // table entries (cabinets of a list); -1: none known
  int32_t periods = -1;        // periods of a data file; -1: none known
  int errors = 0;              // E lines logged for the file
  int warnings = 0;            // W lines logged for the file
  double seconds = -1;         // as on the Completed line; -1 when it did not complete
  // The outputs written, relative to the run's output folder, in the order
  // they are written.
  std::vector<std::string> outputs;
};

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_FILE_OUTCOME_H_
