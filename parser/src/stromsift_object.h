// The object behind IStromsift: the ring between the sink's streaming thread and the worker,
// the worker thread with its wake-up, the parser it drives and the pipeline around the sink.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "bulk_parser.h"
#include "bulk_pipeline.h"
#include "bulk_source_finder.h"
#include "byte_ring.h"
#include "parser_build.h"
#include "stromsift.h"

class CStromsift final : public IStromsift,
                         public vd::ParserHeapObject,
                         private vd::BulkPipeline::Receiver,
                         private vd::BulkParser::Handler {
 public:
  // The factories behind the exports, with the device seam open for tests.
  static HRESULT Create(vd::BulkSourceFinder& sources, IStromsift** out);
  static HRESULT CreateOnFilter(GstElement* filter, IStromsift** out);
  // An object with a worker but no pipeline: bytes reach it only through Receive.
  static std::unique_ptr<CStromsift> CreateDetached();

  ~CStromsift() override;

#ifdef STROMSIFT_COMPACT
  void SetRecordCallback(StromsiftRecordProc callback) override;
  void SetRemoteCallback(StromsiftRemoteProc callback) override;
#else
  void SetRecordCallback(StromsiftRecordProc callback, void* context) override;
  void SetRemoteCallback(StromsiftRemoteProc callback, void* context) override;
#endif
  HRESULT Run() override;
  HRESULT Stop() override;

  // The sink's data path (streaming thread): the whole sample goes into the ring and wakes the
  // worker, or the sample is dropped whole and counted (E_FAIL) when the ring lacks room.
  vd::HResult Receive(const uint8_t* data, size_t length) override;
  uint64_t DroppedSamples() const {
    return dropped_.load(std::memory_order_relaxed);
  }

 private:
  CStromsift();
  void StartWorker();
  void WorkerLoop();

  bool WantsRecords() override;
  bool WantsCodes() override;
  void OnRecord(const uint8_t* record, size_t length) override;
  void OnCode(uint32_t code) override;
  void WaitForRunningCallback();
  bool Stopping() override {
    return stopping_.load(std::memory_order_acquire);
  }

  vd::ByteRing ring_;
  vd::BulkParser parser_;  // worker thread only

  std::mutex wakeMutex_;
  std::condition_variable wake_;
  bool signalled_ = false;  // an auto-reset event: cleared by the wake it causes
  bool stop_ = false;
  // Read by the worker between items, so a delete waits only for the callback that runs.
  std::atomic<bool> stopping_{false};
  std::thread worker_;

  std::mutex callbackMutex_;
  // Held by the worker while it calls a callback.
  std::mutex deliveryMutex_;
  StromsiftRecordProc recordProc_ = nullptr;
  StromsiftRemoteProc remoteProc_ = nullptr;
#ifndef STROMSIFT_COMPACT
  void* recordContext_ = nullptr;
  void* remoteContext_ = nullptr;
#endif

  std::atomic<uint64_t> dropped_{0};
  // The capture device of a private pipeline, open while its source runs.
  std::unique_ptr<vd::CaptureDevice> device_;
  std::unique_ptr<vd::BulkPipeline> pipeline_;
};
