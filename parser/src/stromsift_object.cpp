#include "stromsift_object.h"

#include <cstdio>
#include <cstdlib>
#include <new>

using vd::ParserTrace;

CStromsift::CStromsift()
    : ring_(vd::kRingCapacity, vd::kCountAllocations), parser_(vd::kParserMode) {}

void CStromsift::StartWorker() {
  worker_ = std::thread([this] { WorkerLoop(); });
}

std::unique_ptr<CStromsift> CStromsift::CreateDetached() {
  std::unique_ptr<CStromsift> object(new CStromsift());
  object->StartWorker();
  return object;
}

HRESULT CStromsift::Create(vd::BulkSourceFinder& sources, IStromsift** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!gst_init_check(nullptr, nullptr, nullptr)) {
    ParserTrace("Error %x: Cannot create video capture filter\n", static_cast<unsigned>(E_FAIL));
    return E_FAIL;
  }
  vd::BulkSource source;
  const vd::HResult hr = sources.MakeBulkSource(&source);
  if (hr == vd::kENoInterface) {
    ParserTrace("Cannot find bulk pin\n");
    return E_NOINTERFACE;
  }
  vd::ElementPtr element(source.element);
  if (vd::Failed(hr) || element == nullptr) {
    ParserTrace("Error %x: Cannot create video capture filter\n", static_cast<unsigned>(hr));
    return E_FAIL;
  }
  try {
    std::unique_ptr<CStromsift> object(new CStromsift());
    object->device_ = std::move(source.device);
    if (vd::Failed(
            vd::BulkPipeline::CreatePrivate(std::move(element), *object, &object->pipeline_))) {
      return E_FAIL;
    }
    object->StartWorker();
    *out = object.release();
    return S_OK;
  } catch (const std::exception&) {
    return E_FAIL;
  }
}

HRESULT CStromsift::CreateOnFilter(GstElement* filter, IStromsift** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (filter == nullptr || !GST_IS_ELEMENT(filter)) return E_FAIL;
  // A filter in no bin is refused as such, whatever pads it has.
  {
    const vd::GstPtr<GstObject> parent(gst_element_get_parent(filter));
    if (parent == nullptr || !GST_IS_BIN(parent.get())) return E_FAIL;
  }
  const vd::PadPtr bulkPad(vd::FindBulkPad(filter));
  if (bulkPad == nullptr) {
    ParserTrace("Cannot find bulk pin\n");
    return E_NOINTERFACE;
  }
  HRESULT result = E_FAIL;
  try {
    std::unique_ptr<CStromsift> object(new CStromsift());
    if (vd::Succeeded(
            vd::BulkPipeline::CreateOnFilter(filter, bulkPad.get(), *object, &object->pipeline_))) {
      object->StartWorker();
      *out = object.release();
      result = S_OK;
    }
  } catch (const std::exception&) {
    result = E_FAIL;
  }
  return result;
}

CStromsift::~CStromsift() {
  // The pipeline goes first so that no sample arrives while the worker winds down.
  pipeline_.reset();
  if (worker_.joinable()) {
    if (worker_.get_id() == std::this_thread::get_id()) {
      // Deleting from inside a callback would leave the worker running on a freed object.
      std::fputs("stromsift: the parser object was deleted from its own callback\n", stderr);
      std::abort();
    }
    stopping_.store(true, std::memory_order_release);
    {
      std::lock_guard lock(wakeMutex_);
      stop_ = true;
      signalled_ = true;
    }
    wake_.notify_one();
    // Waits for a callback that is running, not for the items buffered behind it; the
    // worker is never killed.
    worker_.join();
  }
}

#ifdef STROMSIFT_COMPACT
void CStromsift::SetRecordCallback(StromsiftRecordProc callback) {
  {
    std::lock_guard lock(callbackMutex_);
    recordProc_ = callback;
  }
  WaitForRunningCallback();
}

void CStromsift::SetRemoteCallback(StromsiftRemoteProc callback) {
  {
    std::lock_guard lock(callbackMutex_);
    remoteProc_ = callback;
  }
  WaitForRunningCallback();
}
#else
void CStromsift::SetRecordCallback(StromsiftRecordProc callback, void* context) {
  {
    std::lock_guard lock(callbackMutex_);
    recordProc_ = callback;
    recordContext_ = context;
  }
  WaitForRunningCallback();
}

void CStromsift::SetRemoteCallback(StromsiftRemoteProc callback, void* context) {
  {
    std::lock_guard lock(callbackMutex_);
    remoteProc_ = callback;
    remoteContext_ = context;
  }
  WaitForRunningCallback();
}
#endif

void CStromsift::WaitForRunningCallback() {
  // A client that replaces or clears a callback may free what the old one used once the call
  // returns, so a delivery already under way is waited for; from the worker itself (a
  // callback that changes the callbacks) there is nothing to wait for.
  if (std::this_thread::get_id() == worker_.get_id()) return;
  const std::lock_guard wait(deliveryMutex_);
}

HRESULT CStromsift::Run() {
  if (pipeline_ == nullptr || !pipeline_->OwnsPipeline()) return E_NOINTERFACE;
  // A device that went away would let the pipeline start and then deliver nothing, ever.
  if (device_ != nullptr && !device_->IsConnected()) {
    ParserTrace("Error %x: Cannot run graph: the device is gone\n", static_cast<unsigned>(E_FAIL));
    return E_FAIL;
  }
  return pipeline_->Run();
}

HRESULT CStromsift::Stop() {
  if (pipeline_ == nullptr || !pipeline_->OwnsPipeline()) return E_NOINTERFACE;
  return pipeline_->Stop();
}

vd::HResult CStromsift::Receive(const uint8_t* data, size_t length) {
  if (data == nullptr) return E_POINTER;
  if (!ring_.Write(data, length)) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return E_FAIL;
  }
  {
    std::lock_guard lock(wakeMutex_);
    signalled_ = true;
  }
  wake_.notify_one();
  return S_OK;
}

void CStromsift::WorkerLoop() {
  for (;;) {
    {
      std::unique_lock lock(wakeMutex_);
      wake_.wait(lock, [this] { return signalled_; });
      signalled_ = false;
      if (stop_) return;
    }
    parser_.Scan(ring_, *this);
  }
}

bool CStromsift::WantsRecords() {
  std::lock_guard lock(callbackMutex_);
  return recordProc_ != nullptr;
}

bool CStromsift::WantsCodes() {
  std::lock_guard lock(callbackMutex_);
  return remoteProc_ != nullptr;
}

void CStromsift::OnRecord(const uint8_t* record, size_t /*length*/) {
  // Taken before the pointer is read: a client's change waits for this delivery, or this
  // delivery reads the changed pointer.
  const std::lock_guard delivering(deliveryMutex_);
  StromsiftRecordProc proc;
#ifdef STROMSIFT_COMPACT
  {
    std::lock_guard lock(callbackMutex_);
    proc = recordProc_;
  }
  if (proc != nullptr) proc(record);
#else
  void* context;
  {
    std::lock_guard lock(callbackMutex_);
    proc = recordProc_;
    context = recordContext_;
  }
  if (proc != nullptr) proc(context, record);
#endif
}

void CStromsift::OnCode(uint32_t code) {
#ifndef STROMSIFT_COMPACT
  const std::lock_guard delivering(deliveryMutex_);
  StromsiftRemoteProc proc;
  void* context;
  {
    std::lock_guard lock(callbackMutex_);
    proc = remoteProc_;
    context = remoteContext_;
  }
  if (proc != nullptr) proc(context, code);
#else
  (void)code;  // the compact parser never decodes bursts
#endif
}

// The counting allocator's header keeps 16-byte alignment and no more.
static_assert(alignof(CStromsift) <= vd::CountingAllocator::kHeaderSize);
static_assert(alignof(vd::BulkPipeline) <= vd::CountingAllocator::kHeaderSize);
