// Data files of one Data Start date write the same output names. The run
// claims a date's names for one file at a time, in folder order: with any
// --jobs the later file in folder order writes last, so its outputs replace
// the earlier one's exactly as with one job, and it knows which file it
// replaced.
#ifndef LOOPCONV_CONVERT_DATE_CLAIMS_H_
#define LOOPCONV_CONVERT_DATE_CLAIMS_H_

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace loopconv {

class DateClaims {
 public:
  // `names`: the run's data files in folder order.
  explicit DateClaims(std::vector<std::string> names);
  DateClaims(const DateClaims&) = delete;
  DateClaims& operator=(const DateClaims&) = delete;

  // File `index` writes the outputs of `date`: its output folder and the
  // first 10 characters of its Data Start, which make its output names. Or
  // none (empty): it stops before writing anything.
  void announce(size_t index, const std::string& date);
  // Waits until every earlier file has announced its date and every earlier
  // file of `date` has finished. Returns the name of the last of those that
  // completed, or "" when none did. Earlier files never wait for later
  // ones, so the wait ends.
  std::string waitForTurn(size_t index, const std::string& date);
  // File `index` is done writing; `completed`: it logged its Completed line.
  void finish(size_t index, bool completed);

 private:
  enum class State { Started, Dated, Finished };
  struct File {
    State state = State::Started;
    std::string date;
    bool completed = false;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  const std::vector<std::string> names_;
  std::vector<File> files_;
};

// One data file's place in the run, and its claim: announces the date (or
// its absence) and finishes the claim on every way out of the conversion.
class DateClaim {
 public:
  DateClaim(DateClaims* claims, size_t index) : claims_(claims), index_(index) {}
  ~DateClaim();
  DateClaim(const DateClaim&) = delete;
  DateClaim& operator=(const DateClaim&) = delete;

  // The file's date is known (as soon as its header is read).
  void announce(const std::string& date);
  // Waits until the file may write its outputs; returns the file whose
  // outputs they replace ("" for none).
  std::string waitForTurn();
  void complete();

 private:
  DateClaims* claims_;  // null: a file on its own, nothing to wait for
  size_t index_;
  std::string date_;
  bool announced_ = false;
  bool finished_ = false;
};

}  // namespace loopconv

#endif  // LOOPCONV_CONVERT_DATE_CLAIMS_H_
