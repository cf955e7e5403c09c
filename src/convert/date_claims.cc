#include "convert/date_claims.h"

#include <utility>

namespace loopconv {

DateClaims::DateClaims(std::vector<std::string> names)
    : names_(std::move(names)), files_(names_.size()) {}

void DateClaims::announce(size_t index, const std::string& date) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    files_[index].date = date;
    files_[index].state = date.empty() ? State::Finished : State::Dated;
  }
  changed_.notify_all();
}

std::string DateClaims::waitForTurn(size_t index, const std::string& date) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto earlierDone = [&] {
    for (size_t i = 0; i < index; ++i) {
      const File& file = files_[i];
      if (file.state == State::Started) return false;
      if (file.state == State::Dated && file.date == date) return false;
    }
    return true;
  };
  changed_.wait(lock, earlierDone);
  for (size_t i = index; i-- > 0;) {
    if (files_[i].completed && files_[i].date == date) return names_[i];
  }
  return std::string();
}

void DateClaims::finish(size_t index, bool completed) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    files_[index].state = State::Finished;
    files_[index].completed = completed;
  }
  changed_.notify_all();
}

DateClaim::~DateClaim() {
  if (claims_ == nullptr) return;
  if (!announced_) claims_->announce(index_, std::string());
  if (!finished_) claims_->finish(index_, false);
}

void DateClaim::announce(const std::string& date) {
  if (claims_ == nullptr) return;
  date_ = date;
  claims_->announce(index_, date);
  announced_ = true;
}

std::string DateClaim::waitForTurn() {
  if (claims_ == nullptr || !announced_) return std::string();
  return claims_->waitForTurn(index_, date_);
}

void DateClaim::complete() {
  if (claims_ == nullptr) return;
  claims_->finish(index_, true);
  finished_ = true;
}

}  // namespace loopconv
