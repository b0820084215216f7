// Runs the property dialogs modally; tests install a runner that fills a dialog in and
// answers it instead of a person.
#pragma once

#include <functional>

class QDialog;

namespace vd {

class DialogRunner {
 public:
  using Runner = std::function<int(QDialog& dialog)>;
  static int Run(QDialog& dialog);
  // Returns the previous runner; an empty one restores QDialog::exec.
  static Runner Set(Runner runner);
};

}  // namespace vd
