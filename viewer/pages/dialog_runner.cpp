#include "dialog_runner.h"

#include <QDialog>

namespace vd {

namespace {
DialogRunner::Runner& Current() {
  static DialogRunner::Runner runner;
  return runner;
}
}  // namespace

int DialogRunner::Run(QDialog& dialog) {
  return Current() ? Current()(dialog) : dialog.exec();
}

DialogRunner::Runner DialogRunner::Set(Runner runner) {
  Runner previous = std::move(Current());
  Current() = std::move(runner);
  return previous;
}

}  // namespace vd
