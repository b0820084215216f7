#include "whole_fixture.h"

#include <QApplication>
#include <QTimer>

#include "vd/virtual_tv_box.h"

namespace vdtest {

void WholeViewerTest::PressRemote(vd::RemoteKey key, bool held) {
  for (const auto& entry : vd::RemoteCodeTable::Entries()) {
    if (entry.key != key) continue;
    bool& flip = toggled_[key];
    if (!held) flip = !flip;
    vd::VirtualTvBox::Shared()->PressRemoteKey(flip ? entry.toggled : entry.code);
    return;
  }
  ADD_FAILURE() << "no remote code for key " << int(key);
}

void WholeViewerTest::RunInside(const std::function<void()>& outer, std::function<void()> inside) {
  QTimer::singleShot(0, std::move(inside));
  outer();
}

bool WholeViewerTest::CloseTopModal() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr) return false;
  modal->close();
  return true;
}

}  // namespace vdtest
