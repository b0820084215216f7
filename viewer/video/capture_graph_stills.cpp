// CaptureGraph: the Snapshot command and work posted to the UI thread.
#include <functional>

#include "vd/video/capture_graph.h"

void CaptureGraph::Post(std::function<void(CaptureGraph&)> work) {
  struct Posted {
    std::weak_ptr<CaptureGraph*> graph;
    std::function<void(CaptureGraph&)> work;
  };
  GSource* source = g_idle_source_new();
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        auto* posted = static_cast<Posted*>(data);
        if (auto graph = posted->graph.lock()) posted->work(**graph);
        return G_SOURCE_REMOVE;
      },
      new Posted{weakSelf_, std::move(work)},
      [](gpointer data) { delete static_cast<Posted*>(data); });
  g_source_attach(source, nullptr);
  g_source_unref(source);
}

bool CaptureGraph::TakeSnapshot(std::vector<uint8_t>* picture, vd::BitmapInfoHeader* header) {
  if (!SignalPresent()) {
    picture->assign(vd::StillTaker::kSnapshotBytes, 0);
    Fail("Warning: You can not Capture while there is no Video signal");
    return false;
  }
  return stills_.Snap(picture, header);
}
