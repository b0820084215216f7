// Where the capture engine and the file player hand their pictures: the viewer's video area
// implements it, tests count frames. Pictures arrive on a GStreamer streaming thread; an
// implementation copies what it keeps (the bytes are valid only during the call) and hands
// the rest to its own thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vd {

struct VideoFrame {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;             // bytes per row
  const uint8_t* data = nullptr;  // 32-bit pixels, B G R x in memory order
  uint64_t timestampNs = 0;       // running time of the picture
  // The pixel aspect ratio the picture's caps state; 0 / 0 when they state none.
  int32_t parN = 0;
  int32_t parD = 0;
};

class VideoFrameSink {
 public:
  virtual void OnVideoFrame(const VideoFrame& frame) = 0;
  // UI thread: whether the picture keeps its shape inside an area of another shape (with
  // black bars) or fills the area.
  virtual void SetKeepPictureAspect(bool) {}

 protected:
  ~VideoFrameSink() = default;
};

}  // namespace vd
