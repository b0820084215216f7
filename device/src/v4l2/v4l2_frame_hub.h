// One video stream per card, shared by every client bin: most cards let only one reader
// stream at a time, yet the engine wants preview, capture and still pictures together. The
// hub runs a private pipeline (the card's source into an appsink) while it has subscribers
// and hands each frame to their appsrcs. When the source fails or the card goes, every
// subscriber's bin gets the error and its stream ends.
#pragma once

#include <gst/gst.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "vd/gst_ptr.h"

namespace vd {

class V4l2Card;

class V4l2FrameHub : public std::enable_shared_from_this<V4l2FrameHub> {
 public:
  // `sourceDescription` is a gst-launch fragment producing raw video (v4l2src device=...).
  // Lives in a shared_ptr: the streaming thread holds it while it hands out a frame.
  V4l2FrameHub(V4l2Card* card, std::string sourceDescription);
  ~V4l2FrameHub();
  V4l2FrameHub(const V4l2FrameHub&) = delete;
  V4l2FrameHub& operator=(const V4l2FrameHub&) = delete;

  // `bin` receives errors, `appsrc` the frames. With `stillOnly` the subscriber gets a frame
  // only after a trigger (Trigger). Returns an id for Unsubscribe, 0 when the hub cannot run.
  int Subscribe(GstElement* bin, GstElement* appsrc, bool stillOnly);
  void Unsubscribe(int id);
  // Hands the next frame to every still subscriber.
  void Trigger();
  // Stops the stream for good (the card is going away).
  void Stop();
  // Ends every subscriber's stream with `text` as the error.
  void EndAll(const std::string& text);

 private:
  struct Subscriber {
    GWeakRef bin;
    GWeakRef appsrc;
    bool stillOnly = false;
    bool wantsFrame = false;
  };
  static GstFlowReturn OnSample(GstElement* sink, gpointer weakSelf);
  void Deliver(GstSample* sample);
  static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
  // Runs on a helper thread: stops `pipeline` if it is still the hub's and nobody subscribed.
  static void StopIfIdle(GstElement* pipeline, gpointer weakSelf);
  ElementPtr Start();
  void Drop(int id);  // with mutex_ held
  void StopLocked();

  V4l2Card* card_;
  std::string sourceDescription_;
  std::mutex mutex_;
  ElementPtr pipeline_;
  std::map<int, std::unique_ptr<Subscriber>> subscribers_;
  int nextId_ = 1;
  bool ended_ = false;
  bool starting_ = false;
  bool stopping_ = false;  // a pipeline is stopping with mutex_ let go
  std::condition_variable stopped_;
};

}  // namespace vd
