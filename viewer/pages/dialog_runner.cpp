#include "vd/pages/dialog_runner.h"

#include <QDialog>

#include "vd/nested_loop.h"

namespace vd {

namespace {
DialogRunner::Runner& Current() {
  static DialogRunner::Runner runner;
  return runner;
}
}  // namespace

int DialogRunner::Run(QDialog& dialog) {
  vd::NestedLoop modal(vd::NestedLoop::Kind::kModal);
  return Current() ? Current()(dialog) : dialog.exec();
}

DialogRunner::Runner DialogRunner::Set(Runner runner) {
  Runner previous = std::move(Current());
  Current() = std::move(runner);
  return previous;
}

}  // namespace vd
