// Compiled twice: against the full object (libvidparse's) and, with STROMSIFT_COMPACT, against
// the compact one (libstromsift's).
#include "stromsift_object.h"

#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "stream_builder.h"
#include "vd/virtual_tv_box.h"

namespace {

using namespace std::chrono_literals;
using vdtest::Append;
using vdtest::Bytes;
using vdtest::Filler;

#ifdef STROMSIFT_COMPACT
constexpr size_t kCapacity = 65536;
#else
constexpr size_t kCapacity = 95536;
#endif

// What the callbacks saw, with waiting that ends as soon as the condition holds.
struct Delivered {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Bytes> records;
  std::vector<uint32_t> codes;
  std::vector<void*> contexts;
  std::vector<std::thread::id> threads;

  template <typename Pred>
  bool WaitFor(Pred pred) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 10s, [&] { return pred(*this); });
  }
};

Delivered* gDelivered = nullptr;

// Traces are read once per process: switch them on before anything traces.
const bool kTracesOn = setenv("VIEWDECK_TRACE", "1", 1) == 0;

void AddRecord(void* context, const uint8_t* record) {
  std::lock_guard lock(gDelivered->mutex);
  gDelivered->records.emplace_back(record, record + 4 + (record[1] & 0x3F));
  gDelivered->contexts.push_back(context);
  gDelivered->threads.push_back(std::this_thread::get_id());
  gDelivered->changed.notify_all();
}

int AddCode(void* context, uint32_t code) {
  std::lock_guard lock(gDelivered->mutex);
  gDelivered->codes.push_back(code);
  gDelivered->contexts.push_back(context);
  gDelivered->changed.notify_all();
  return 1;
}

#ifdef STROMSIFT_COMPACT
void CompactRecord(const uint8_t* record) {
  AddRecord(nullptr, record);
}
int CompactCode(uint32_t code) {
  return AddCode(nullptr, code);
}
void SetCallbacks(IStromsift& object, void*) {
  object.SetRecordCallback(&CompactRecord);
  object.SetRemoteCallback(&CompactCode);
}
#else
void SetCallbacks(IStromsift& object, void* context) {
  object.SetRecordCallback(&AddRecord, context);
  object.SetRemoteCallback(&AddCode, context);
}
#endif

// A host whose record callback takes 20 ms.
std::atomic<int> gSlowCalls{0};
std::atomic<bool> gSlowInside{false};
void SlowRecord(const uint8_t*) {
  gSlowInside = true;
  gSlowCalls.fetch_add(1);
  std::this_thread::sleep_for(20ms);
  gSlowInside = false;
}
#ifdef STROMSIFT_COMPACT
void SetSlowCallback(IStromsift& object) {
  object.SetRecordCallback(&SlowRecord);
}
void ClearRecordCallback(IStromsift& object) {
  object.SetRecordCallback(nullptr);
}
#else
void SetSlowCallback(IStromsift& object) {
  object.SetRecordCallback([](void*, const uint8_t* record) { SlowRecord(record); }, nullptr);
}
void ClearRecordCallback(IStromsift& object) {
  object.SetRecordCallback(nullptr, nullptr);
}
#endif

class StromsiftObject : public ::testing::Test {
 protected:
  void SetUp() override {
    gst_init(nullptr, nullptr);
    gDelivered = &delivered;
  }
  void TearDown() override { gDelivered = nullptr; }
  Delivered delivered;
};

Bytes StreamWithRecordAndKey(uint8_t tag) {
  Bytes s = Filler(40);
  Append(s, vdtest::Record(0x01, 0x02, {tag, 0x22, 0x33}));
  Append(s, vdtest::Bursts(vdtest::IrSamples(0x2A9AAA4)));
  Append(s, Filler(80));
  return s;
}

// Deleting waits for the callback that is running, not for the records buffered behind it.
TEST_F(StromsiftObject, DeleteWaitsOnlyForTheRunningCallback) {
  auto object = CStromsift::CreateDetached();
  SetSlowCallback(*object);
  Bytes s = Filler(40);
  for (int i = 0; i < 300; ++i) Append(s, vdtest::Record(0x01, 0x02, {0x11, 0x22, 0x33}));
  Append(s, Filler(80));
  gSlowCalls = 0;
  ASSERT_EQ(object->Receive(s.data(), s.size()), S_OK);
  while (gSlowCalls.load() == 0) std::this_thread::sleep_for(1ms);
  const int before = gSlowCalls.load();
  object.reset();
  EXPECT_LE(gSlowCalls.load() - before, 1) << "callbacks after the delete began";
}

// Clearing a callback returns only once the delivery under way has ended, so the host may
// then free what the callback used.
TEST_F(StromsiftObject, ClearingACallbackWaitsForTheOneRunning) {
  auto object = CStromsift::CreateDetached();
  SetSlowCallback(*object);
  Bytes s = Filler(40);
  for (int i = 0; i < 20; ++i) Append(s, vdtest::Record(0x01, 0x02, {0x11, 0x22, 0x33}));
  Append(s, Filler(80));
  gSlowCalls = 0;
  ASSERT_EQ(object->Receive(s.data(), s.size()), S_OK);
  while (!gSlowInside.load()) std::this_thread::sleep_for(1ms);
  ClearRecordCallback(*object);
  EXPECT_FALSE(gSlowInside.load()) << "the cleared callback still runs";
  const int calls = gSlowCalls.load();
  // Records are delivered in order: once a marker sent after the others has reached the
  // next callback, every record before it has been dealt with.
  SetCallbacks(*object, nullptr);
  Bytes marker = vdtest::Record(0x01, 0x02, {0x5A, 0x22, 0x33});
  Append(marker, Filler(80));
  ASSERT_EQ(object->Receive(marker.data(), marker.size()), S_OK);
  ASSERT_TRUE(delivered.WaitFor(
      [](Delivered& d) { return !d.records.empty() && d.records.back()[4] == 0x5A; }));
  EXPECT_EQ(gSlowCalls.load(), calls) << "called after it was cleared";
}

TEST_F(StromsiftObject, ReceivedBytesReachTheCallbacksOnTheWorkerThread) {
  auto object = CStromsift::CreateDetached();
  int context = 0;
  SetCallbacks(*object, &context);
  const Bytes s = StreamWithRecordAndKey(0x11);
  // In small pieces, as a bulk pin delivers them.
  for (size_t i = 0; i < s.size(); i += 64) {
    ASSERT_EQ(object->Receive(s.data() + i, std::min<size_t>(64, s.size() - i)), S_OK);
  }
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return !d.records.empty(); }));
  EXPECT_EQ(delivered.records[0], (Bytes{0x85, 0x83, 0x01, 0x02, 0x11, 0x22, 0x33}));
  EXPECT_NE(delivered.threads[0], std::this_thread::get_id());
#ifdef STROMSIFT_COMPACT
  object.reset();  // joins the worker: everything it would deliver is delivered
  EXPECT_TRUE(delivered.codes.empty());
#else
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return !d.codes.empty(); }));
  EXPECT_EQ(delivered.codes, std::vector<uint32_t>{0x2A9AAA4});
  EXPECT_EQ(delivered.contexts[0], &context);
  EXPECT_EQ(delivered.contexts[1], &context);
#endif
}

TEST_F(StromsiftObject, SampleWithoutRoomIsDroppedWholeAndTheStreamGoesOn) {
  auto object = CStromsift::CreateDetached();
  SetCallbacks(*object, nullptr);
  // Exactly the free space of an empty ring: refused, and nothing of it may show up later.
  Bytes big = Filler(kCapacity);
  for (size_t i = 0; i + 7 < big.size(); i += 500) {
    const Bytes r = vdtest::Record(0x01, 0x02, {0xEE, 0xEE, 0xEE});
    std::copy(r.begin(), r.end(), big.begin() + static_cast<long>(i));
  }
  EXPECT_EQ(object->Receive(big.data(), big.size()), E_FAIL);
  EXPECT_EQ(object->DroppedSamples(), 1u);
  const Bytes s = StreamWithRecordAndKey(0x44);
  ASSERT_EQ(object->Receive(s.data(), s.size()), S_OK);
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return !d.records.empty(); }));
  object.reset();
  ASSERT_EQ(delivered.records.size(), 1u);
  EXPECT_EQ(delivered.records[0][4], 0x44);
}

TEST_F(StromsiftObject, LargestSampleThatFitsIsTaken) {
  auto object = CStromsift::CreateDetached();
  const Bytes big = Filler(kCapacity - 1);
  EXPECT_EQ(object->Receive(big.data(), big.size()), S_OK);
  EXPECT_EQ(object->DroppedSamples(), 0u);
}

TEST_F(StromsiftObject, TwoObjectsEachWakeForTheirOwnSamples) {
  // A wake-up shared between objects could be taken by the wrong worker and leave a sample
  // unscanned; each object has its own.
  auto first = CStromsift::CreateDetached();
  auto second = CStromsift::CreateDetached();
  SetCallbacks(*first, nullptr);
  SetCallbacks(*second, nullptr);
  for (uint8_t round = 0; round < 20; ++round) {
    const Bytes a = StreamWithRecordAndKey(round);
    const Bytes b = StreamWithRecordAndKey(static_cast<uint8_t>(0x80 | round));
    ASSERT_EQ(first->Receive(a.data(), a.size()), S_OK);
    ASSERT_EQ(second->Receive(b.data(), b.size()), S_OK);
    const size_t want = 2u * (round + 1u);
    ASSERT_TRUE(delivered.WaitFor([want](Delivered& d) { return d.records.size() == want; }))
        << "round " << int(round);
  }
}

TEST_F(StromsiftObject, NullSampleIsRefused) {
  auto object = CStromsift::CreateDetached();
  EXPECT_EQ(object->Receive(nullptr, 10), E_POINTER);
}

TEST_F(StromsiftObject, DeletingWaitsForASlowCallbackToFinish) {
  static std::atomic<bool> entered{false};
  static std::atomic<bool> finished{false};
  entered = false;
  finished = false;
#ifdef STROMSIFT_COMPACT
  auto slow = [](const uint8_t*) {
#else
  auto slow = [](void*, const uint8_t*) {
#endif
    entered = true;
    // Longer than any time-out a stop might be tempted to use.
    std::this_thread::sleep_for(1200ms);
    finished = true;
  };
  IStromsift* object = CStromsift::CreateDetached().release();
#ifdef STROMSIFT_COMPACT
  object->SetRecordCallback(slow);
#else
  object->SetRecordCallback(slow, nullptr);
#endif
  Bytes s = vdtest::Record(0x01, 0x02, {});
  Append(s, Filler(80));
  ASSERT_EQ(static_cast<CStromsift*>(object)->Receive(s.data(), s.size()), S_OK);
  while (!entered) std::this_thread::yield();
  delete object;
  EXPECT_TRUE(finished);
}

TEST_F(StromsiftObject, RunAndStopWithoutAPipelineAnswerNoInterface) {
  auto object = CStromsift::CreateDetached();
  EXPECT_EQ(object->Run(), E_NOINTERFACE);
  EXPECT_EQ(object->Stop(), E_NOINTERFACE);
}

// A stand-in for the device layer: an appsrc the test pushes bulk bytes into.
class FakeSources final : public vd::BulkSourceFinder {
 public:
  vd::HResult result = vd::kSOk;
  GstElement* source = nullptr;  // borrowed from the pipeline once made

  vd::HResult MakeBulkSource(vd::BulkSource* out) override {
    if (vd::Failed(result)) return result;
    source = gst_element_factory_make("appsrc", "bulk");
    out->element = GST_ELEMENT(gst_object_ref_sink(source));
    return vd::kSOk;
  }
  void Push(const Bytes& bytes) {
    GstBuffer* buffer = gst_buffer_new_memdup(bytes.data(), bytes.size());
    ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(source), buffer), GST_FLOW_OK);
  }
};

TEST_F(StromsiftObject, PrivatePipelineRunsStopsAndRunsAgain) {
  FakeSources sources;
  IStromsift* raw = nullptr;
  ASSERT_EQ(CStromsift::Create(sources, &raw), S_OK);
  std::unique_ptr<IStromsift> object(raw);
  SetCallbacks(*object, nullptr);
  ASSERT_EQ(object->Run(), S_OK);
  sources.Push(StreamWithRecordAndKey(0x51));
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return d.records.size() == 1; }));
  EXPECT_EQ(object->Stop(), S_OK);
  ASSERT_EQ(object->Run(), S_OK);
  sources.Push(StreamWithRecordAndKey(0x52));
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return d.records.size() == 2; }));
  EXPECT_EQ(delivered.records[1][4], 0x52);
  EXPECT_EQ(object->Stop(), S_OK);
}

TEST_F(StromsiftObject, FactoryFailuresLeaveNoObject) {
  FakeSources sources;
  IStromsift* object = reinterpret_cast<IStromsift*>(0x1);
  sources.result = vd::kENoInterface;
  EXPECT_EQ(CStromsift::Create(sources, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<IStromsift*>(0x1);
  sources.result = vd::kEFail;
  EXPECT_EQ(CStromsift::Create(sources, &object), E_FAIL);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CStromsift::Create(sources, nullptr), E_POINTER);
}

TEST_F(StromsiftObject, FailuresAreTracedWithTheirTexts) {
  ASSERT_TRUE(kTracesOn);
  FakeSources sources;
  IStromsift* object = nullptr;
  ::testing::internal::CaptureStderr();
  sources.result = vd::kENoInterface;
  CStromsift::Create(sources, &object);
  sources.result = vd::kEFail;
  CStromsift::Create(sources, &object);
  const std::string traces = ::testing::internal::GetCapturedStderr();
#ifdef STROMSIFT_COMPACT
  const std::string component = "[stromsift] ";
#else
  const std::string component = "[vidparse] ";
#endif
  EXPECT_NE(traces.find(component + "Cannot find bulk pin\n"), std::string::npos) << traces;
  EXPECT_NE(traces.find(component + "Error 80004005: Cannot create video capture filter\n"),
            std::string::npos)
      << traces;
}

TEST_F(StromsiftObject, WithoutCaptureDeviceCreateAndRunAnswerFail) {
  auto box = vd::VirtualTvBox::Shared();
  box->Unplug();
  IStromsift* object = reinterpret_cast<IStromsift*>(0x1);
  EXPECT_EQ(CStromsift::Create(vd::BulkSourceFinder::Devices(), &object), E_FAIL);
  EXPECT_EQ(object, nullptr);
  box->Plug();
  // Made while the box was there, run after it went: it cannot run, and says so.
  ASSERT_EQ(CStromsift::Create(vd::BulkSourceFinder::Devices(), &object), S_OK);
  std::unique_ptr<IStromsift> made(object);
  box->Unplug();
  EXPECT_EQ(made->Run(), E_FAIL);
  box->Plug();
}

TEST_F(StromsiftObject, VirtualBoxRemoteKeyReachesTheClient) {
  IStromsift* raw = nullptr;
  ASSERT_EQ(CStromsift::Create(vd::BulkSourceFinder::Devices(), &raw), S_OK);
  std::unique_ptr<IStromsift> object(raw);
  SetCallbacks(*object, nullptr);
  ASSERT_EQ(object->Run(), S_OK);
  vd::VirtualTvBox::Shared()->PressRemoteKey(0x2A9AAA4);
#ifdef STROMSIFT_COMPACT
  // The compact build skips bursts: its stream still flows, but no code comes of it.
  EXPECT_EQ(object->Stop(), S_OK);
  EXPECT_TRUE(delivered.codes.empty());
#else
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return !d.codes.empty(); }));
  EXPECT_EQ(delivered.codes[0], 0x2A9AAA4u);
  EXPECT_EQ(object->Stop(), S_OK);
#endif
}

#ifndef STROMSIFT_COMPACT

TEST_F(StromsiftObject, ObjectAndRingAreCountedAndTraced) {
  auto& counter = vd::CountingAllocator::Process();
  const int64_t before = counter.Total();
  ::testing::internal::CaptureStderr();
  auto object = CStromsift::CreateDetached();
  EXPECT_GE(counter.Total(), before + static_cast<int64_t>(sizeof(CStromsift) + kCapacity));
  object.reset();
  const std::string traces = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(counter.Total(), before);
  EXPECT_NE(traces.find("[vidparse] mem_count +" + std::to_string(sizeof(CStromsift)) + " "),
            std::string::npos)
      << traces;
  EXPECT_NE(traces.find("[vidparse] mem_count +95536 "), std::string::npos) << traces;
  EXPECT_NE(traces.find("[vidparse] mem_count -95536 "), std::string::npos) << traces;
}

// The client's pipeline: a bin standing in for the capture filter, its bulk output a ghost pad.
struct ClientPipeline {
  GstElement* pipeline = gst_pipeline_new("client");
  GstElement* box = gst_bin_new("box");
  GstElement* src = gst_element_factory_make("appsrc", nullptr);
  ClientPipeline() {
    gst_bin_add(GST_BIN(box), src);
    GstPad* target = gst_element_get_static_pad(src, "src");
    gst_element_add_pad(box, gst_ghost_pad_new("bulk", target));
    gst_object_unref(target);
    gst_bin_add(GST_BIN(pipeline), box);
  }
  ~ClientPipeline() {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
  }
  GstState State() {
    GstState state;
    gst_element_get_state(pipeline, &state, nullptr, GST_CLOCK_TIME_NONE);
    return state;
  }
};

TEST_F(StromsiftObject, OnFilterRejectsNullLooseAndPadlessFilters) {
  IStromsift* object = reinterpret_cast<IStromsift*>(0x1);
  EXPECT_EQ(CStromsift::CreateOnFilter(nullptr, &object), E_FAIL);
  EXPECT_EQ(object, nullptr);

  GstElement* loose = gst_bin_new("loose");
  GstElement* src = gst_element_factory_make("appsrc", nullptr);
  gst_bin_add(GST_BIN(loose), src);
  GstPad* target = gst_element_get_static_pad(src, "src");
  gst_element_add_pad(loose, gst_ghost_pad_new("bulk", target));
  gst_object_unref(target);
  gst_object_ref_sink(loose);
  EXPECT_EQ(CStromsift::CreateOnFilter(loose, &object), E_FAIL);
  EXPECT_EQ(object, nullptr);
  gst_object_unref(loose);
  // In no bin and without a bulk output: refused for the bin, as the header says.
  GstElement* alone = gst_element_factory_make("identity", nullptr);
  gst_object_ref_sink(alone);
  EXPECT_EQ(CStromsift::CreateOnFilter(alone, &object), E_FAIL);
  gst_object_unref(alone);

  // A "src" pad is the bulk output only when it says it carries raw bytes.
  ClientPipeline client;
  EXPECT_EQ(CStromsift::CreateOnFilter(client.src, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  GstElement* video = gst_element_factory_make("videotestsrc", nullptr);
  gst_bin_add(GST_BIN(client.pipeline), video);
  EXPECT_EQ(CStromsift::CreateOnFilter(video, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST_F(StromsiftObject, OnFilterTakesABulkSourceByItsCaps) {
  // Laid out like the device layer's bulk source: a bin around an appsrc, a ghost "src" pad.
  ClientPipeline client;
  GstCaps* caps = gst_caps_new_empty_simple("application/octet-stream");
  GstElement* bulk = gst_element_factory_make("appsrc", nullptr);
  g_object_set(bulk, "caps", caps, nullptr);
  gst_caps_unref(caps);
  GstElement* bin = gst_bin_new("devicebulk");
  gst_bin_add(GST_BIN(bin), bulk);
  GstPad* target = gst_element_get_static_pad(bulk, "src");
  gst_element_add_pad(bin, gst_ghost_pad_new("src", target));
  gst_object_unref(target);
  gst_bin_add(GST_BIN(client.pipeline), bin);
  IStromsift* raw = nullptr;
  ASSERT_EQ(CStromsift::CreateOnFilter(bin, &raw), S_OK);
  std::unique_ptr<IStromsift> object(raw);
  SetCallbacks(*object, nullptr);
  ASSERT_NE(gst_element_set_state(client.pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  const Bytes s = StreamWithRecordAndKey(0x71);
  ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(bulk), gst_buffer_new_memdup(s.data(), s.size())),
            GST_FLOW_OK);
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return !d.records.empty(); }));
  EXPECT_EQ(delivered.records[0][4], 0x71);
}

TEST_F(StromsiftObject, OnFilterJoinsTheClientsPipelineAndLeavesItAsItWas) {
  ClientPipeline client;
  IStromsift* raw = nullptr;
  ASSERT_EQ(CStromsift::CreateOnFilter(client.box, &raw), S_OK);
  std::unique_ptr<IStromsift> object(raw);
  SetCallbacks(*object, nullptr);
  GstElement* sink = gst_bin_get_by_name(GST_BIN(client.pipeline), "In");
  ASSERT_NE(sink, nullptr);
  gst_object_unref(sink);

  // Run and Stop are the client's business: the pipeline stays where it is.
  EXPECT_EQ(object->Run(), E_NOINTERFACE);
  EXPECT_EQ(client.State(), GST_STATE_NULL);
  ASSERT_NE(gst_element_set_state(client.pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  EXPECT_EQ(object->Stop(), E_NOINTERFACE);
  EXPECT_EQ(client.State(), GST_STATE_PLAYING);

  const Bytes s = StreamWithRecordAndKey(0x61);
  GstBuffer* buffer = gst_buffer_new_memdup(s.data(), s.size());
  ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(client.src), buffer), GST_FLOW_OK);
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return !d.codes.empty(); }));
  EXPECT_EQ(delivered.records.size(), 1u);

  object.reset();
  // Only the parser's own sink is gone; the client's filter stays in its pipeline.
  EXPECT_EQ(gst_bin_get_by_name(GST_BIN(client.pipeline), "In"), nullptr);
  GstElement* box = gst_bin_get_by_name(GST_BIN(client.pipeline), "box");
  EXPECT_EQ(box, client.box);
  if (box != nullptr) gst_object_unref(box);
}

// A sample the ring cannot take is dropped, the client's stream goes on, and the client's
// bus says so once for the run of dropped samples.
TEST_F(StromsiftObject, OnFilterSaysOnTheClientsBusWhenSamplesAreDropped) {
  ClientPipeline client;
  IStromsift* raw = nullptr;
  ASSERT_EQ(CStromsift::CreateOnFilter(client.box, &raw), S_OK);
  std::unique_ptr<IStromsift> object(raw);
  SetCallbacks(*object, nullptr);
  ASSERT_NE(gst_element_set_state(client.pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  const Bytes big(kCapacity + 1, 0x00);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(client.src),
                                      gst_buffer_new_memdup(big.data(), big.size())),
              GST_FLOW_OK);
  }
  // A sample behind them reaches the callbacks only once both were dealt with, and with
  // them whatever they said on the bus.
  const Bytes marker = StreamWithRecordAndKey(0x5A);
  ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(client.src),
                                    gst_buffer_new_memdup(marker.data(), marker.size())),
            GST_FLOW_OK);
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return !d.records.empty(); }));
  EXPECT_EQ(delivered.records.back()[4], 0x5A);
  GstBus* bus = gst_element_get_bus(client.pipeline);
  GstMessage* warning = gst_bus_pop_filtered(bus, GST_MESSAGE_WARNING);
  ASSERT_NE(warning, nullptr) << "nothing said of the dropped samples";
  GError* e = nullptr;
  gst_message_parse_warning(warning, &e, nullptr);
  EXPECT_NE(std::string(e != nullptr ? e->message : "").find("dropped"), std::string::npos);
  if (e != nullptr) g_error_free(e);
  gst_message_unref(warning);
  GstMessage* again = gst_bus_pop_filtered(bus, GST_MESSAGE_WARNING);
  EXPECT_EQ(again, nullptr) << "said again within one run of dropped samples";
  if (again != nullptr) gst_message_unref(again);
  EXPECT_EQ(gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR), nullptr);
  gst_object_unref(bus);
}

// The client keeps pushing while the parser goes: its stream must not end with an error.
TEST_F(StromsiftObject, DeletingTheParserLeavesTheClientsStreamFlowing) {
  ClientPipeline client;
  g_object_set(client.src, "is-live", TRUE, "format", GST_FORMAT_BYTES, nullptr);
  IStromsift* raw = nullptr;
  ASSERT_EQ(CStromsift::CreateOnFilter(client.box, &raw), S_OK);
  std::unique_ptr<IStromsift> object(raw);
  SetCallbacks(*object, nullptr);
  ASSERT_NE(gst_element_set_state(client.pipeline, GST_STATE_PLAYING), GST_STATE_CHANGE_FAILURE);
  std::atomic<bool> stop{false};
  std::thread pusher([&] {
    const Bytes s = StreamWithRecordAndKey(0x42);
    while (!stop.load()) {
      gst_app_src_push_buffer(GST_APP_SRC(client.src), gst_buffer_new_memdup(s.data(), s.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  ASSERT_TRUE(delivered.WaitFor([](Delivered& d) { return !d.records.empty(); }));
  // Buffers the client's source sends out; a source whose stream broke stops sending.
  std::atomic<int> sent{0};
  GstPad* srcPad = gst_element_get_static_pad(client.src, "src");
  const gulong probe = gst_pad_add_probe(
      srcPad, GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad*, GstPadProbeInfo*, gpointer count) {
        static_cast<std::atomic<int>*>(count)->fetch_add(1);
        return GST_PAD_PROBE_OK;
      },
      &sent, nullptr);
  object.reset();
  // Several buffers leave the source after the parser went: the stream still flows.
  const int atDelete = sent.load();
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (sent.load() < atDelete + 5 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  gst_pad_remove_probe(srcPad, probe);
  gst_object_unref(srcPad);
  EXPECT_GE(sent.load(), atDelete + 5) << "the client's stream stopped with the parser";
  // Nothing of the parser stays in the client's pipeline, and its bulk output is free for
  // the next parser, which receives the stream that still flows.
  EXPECT_EQ(GST_BIN_NUMCHILDREN(client.pipeline), 1);
  const size_t before = [&] {
    std::lock_guard lock(delivered.mutex);
    return delivered.records.size();
  }();
  IStromsift* second = nullptr;
  EXPECT_EQ(CStromsift::CreateOnFilter(client.box, &second), S_OK);
  std::unique_ptr<IStromsift> next(second);
  if (next != nullptr) {
    SetCallbacks(*next, nullptr);
    EXPECT_TRUE(delivered.WaitFor([&](Delivered& d) { return d.records.size() > before; }));
  }
  stop = true;
  pusher.join();
  next.reset();
  EXPECT_EQ(GST_BIN_NUMCHILDREN(client.pipeline), 1);
  GstBus* bus = gst_element_get_bus(client.pipeline);
  GstMessage* error = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
  std::string text;
  if (error != nullptr) {
    GError* e = nullptr;
    gst_message_parse_error(error, &e, nullptr);
    text = e != nullptr ? e->message : "?";
    if (e != nullptr) g_error_free(e);
    gst_message_unref(error);
  }
  gst_object_unref(bus);
  EXPECT_TRUE(text.empty()) << "the client's pipeline failed: " << text;
  EXPECT_EQ(client.State(), GST_STATE_PLAYING);
}

#endif

}  // namespace
