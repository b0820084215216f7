#include "vd/teletext_navigator.h"

#include <algorithm>
#include <cstdio>

namespace vd {

bool TeletextNavigator::Valid(int page) {
  return page >= kFirstPage && page <= kLastPage && (page & 0x0F) <= 9 && ((page >> 4) & 0x0F) <= 9;
}

std::string TeletextNavigator::Entry() const {
  char text[8];
  if (typed_ == 0) {
    std::snprintf(text, sizeof text, "%03X", static_cast<unsigned>(page_));
    return text;
  }
  std::string shown = std::to_string(entry_);
  return shown + std::string(static_cast<size_t>(3 - typed_), '-');
}

bool TeletextNavigator::Digit(int digit) {
  if (digit < 0 || digit > 9) return false;
  if (typed_ == 0 && (digit < 1 || digit > 8)) return false;
  entry_ = entry_ * 10 + digit;
  if (++typed_ < 3) return false;
  const int page = (entry_ / 100) << 8 | ((entry_ / 10) % 10) << 4 | entry_ % 10;
  typed_ = 0;
  entry_ = 0;
  return Go(page);
}

void TeletextNavigator::Step(int direction) {
  typed_ = 0;
  entry_ = 0;
  subpage_ = 0;
  int page = page_;
  do {
    page += direction;
    if (page > kLastPage) page = kFirstPage;
    if (page < kFirstPage) page = kLastPage;
  } while (!Valid(page));
  page_ = page;
}

void TeletextNavigator::PageUp() {
  Step(1);
}

void TeletextNavigator::PageDown() {
  Step(-1);
}

void TeletextNavigator::NextSubpage(const std::vector<int>& seen) {
  if (seen.empty()) return;
  auto at = std::upper_bound(seen.begin(), seen.end(), subpage_);
  subpage_ = at == seen.end() ? seen.front() : *at;
}

void TeletextNavigator::PreviousSubpage(const std::vector<int>& seen) {
  if (seen.empty()) return;
  if (subpage_ == 0) {
    subpage_ = seen.back();
    return;
  }
  auto at = std::lower_bound(seen.begin(), seen.end(), subpage_);
  subpage_ = at == seen.begin() ? seen.back() : *std::prev(at);
}

bool TeletextNavigator::Go(int page) {
  typed_ = 0;
  entry_ = 0;
  if (!Valid(page)) return false;
  page_ = page;
  subpage_ = 0;
  return true;
}

void TeletextNavigator::Reset() {
  Go(kFirstPage);
}

}  // namespace vd
