// Where the reader is in a station's magazine: the page asked for, the digits typed towards
// the next one, and the subpage held. Pure arithmetic on page numbers, which are hexadecimal
// numbers written with decimal digits (0x100 is page 100).
#pragma once

#include <string>
#include <vector>

namespace vd {

class TeletextNavigator {
 public:
  static constexpr int kFirstPage = 0x100;
  static constexpr int kLastPage = 0x899;

  int Page() const { return page_; }
  // The subcode held, or 0: show whichever subpage arrived last.
  int Subpage() const { return subpage_; }
  // What the page field shows: the page, or the digits typed so far ("12-").
  std::string Entry() const;
  bool Typing() const { return typed_ > 0; }

  // A digit typed. The first must be 1 to 8; the third completes the number and goes
  // there (true). A digit that cannot start a page is ignored.
  bool Digit(int digit);
  void PageUp();
  void PageDown();
  // Steps through the subpages seen; from "whichever arrived" it starts at the first.
  void NextSubpage(const std::vector<int>& seen);
  void PreviousSubpage(const std::vector<int>& seen);
  // Follows a link or goes to a page typed elsewhere; out-of-range numbers are ignored.
  bool Go(int page);
  // The front page, as after a station change.
  void Reset();

  static bool Valid(int page);

 private:
  void Step(int direction);
  int page_ = kFirstPage;
  int subpage_ = 0;
  int typed_ = 0;
  int entry_ = 0;
};

}  // namespace vd
