/* The stream parser libraries: libvidparse.so (full build) and libstromsift.so (compact build).
 *
 * A parser object attaches a sink of its own to the bulk output of the TV box's capture device,
 * cuts the byte stream into data records and infrared bursts on a worker thread, and hands the
 * records and the remote's codes to the client through two callbacks.
 *
 * One header serves both builds. A client of libstromsift.so defines STROMSIFT_COMPACT before
 * including it: the callbacks then carry no context pointer and CreateStromsiftOnFilter does not
 * exist. The interface's slot order is the same in both builds.
 *
 * Threads:
 *  - The factories, the Set*Callback calls, Run, Stop and delete are made from one client
 *    thread at a time (the object does no locking between client calls).
 *  - Set*Callback may be called at any time, also while the graph runs; the worker reads the
 *    pointer and context afresh for every delivery, and a pair is always seen whole. Called
 *    from the client's thread, it returns only once a callback running at the time has
 *    returned, so what the old pair used may be freed then (do not hold a lock the callback
 *    takes while calling it). Called from a callback, it returns at once.
 *  - The callbacks run on the object's worker thread, one at a time, never on the client's thread.
 *    A callback must not delete the object. Deleting the object (from the client's thread) waits
 *    for a callback that is running to return, then ends the worker; it never kills the thread.
 *  - Codes and records are delivered in stream order. A record pointer is valid only during the
 *    call: copy what you keep.
 *  - The stream is buffered in a ring of fixed size while the callbacks run. Bytes that arrive
 *    while it is full are dropped (a sample that does not fit is refused whole), so callbacks
 *    that take long lose records: copy what you need and return.
 */
#ifndef STROMSIFT_H
#define STROMSIFT_H

#include <stdint.h>

#ifndef STROMSIFT_API
#define STROMSIFT_API __attribute__((visibility("default")))
#endif

/* Repeating an identical typedef is allowed, so this meets other declarations of it quietly. */
typedef int32_t HRESULT;
#ifndef S_OK
#define S_OK ((HRESULT)0)
#endif
#ifndef S_FALSE
#define S_FALSE ((HRESULT)1)
#endif
#ifndef E_NOTIMPL
#define E_NOTIMPL ((HRESULT)0x80004001u)
#endif
#ifndef E_NOINTERFACE
#define E_NOINTERFACE ((HRESULT)0x80004002u)
#endif
#ifndef E_POINTER
#define E_POINTER ((HRESULT)0x80004003u)
#endif
#ifndef E_FAIL
#define E_FAIL ((HRESULT)0x80004005u)
#endif
#ifndef E_INVALIDARG
#define E_INVALIDARG ((HRESULT)0x80070057u)
#endif

/* A bulk record: 0x85, a header byte (bits 7-6 = 10, bits 5-0 = payload length L), data bytes
 * A and B (odd parity each), then L payload bytes; at most 67 bytes in all. */
#ifdef STROMSIFT_COMPACT
typedef void (*StromsiftRecordProc)(const uint8_t* record);
/* Stored but never called: the compact build skips infrared bursts. */
typedef int (*StromsiftRemoteProc)(uint32_t code);
#else
typedef void (*StromsiftRecordProc)(void* context, const uint8_t* record);
/* `code` is never 0; the result is ignored. */
typedef int (*StromsiftRemoteProc)(void* context, uint32_t code);
#endif

#ifdef __cplusplus

typedef struct _GstElement GstElement;

/* The operations keep their order in the table of virtual functions; under this platform's C++
 * ABI the destructor takes two entries there (complete and deleting), the others one each. */
class IStromsift {
 public:
  /* Slot 0. Stops the worker (waiting for a running callback), takes the sink out of the
   * pipeline and frees the object. */
  virtual ~IStromsift() {}
#ifdef STROMSIFT_COMPACT
  /* Slot 1. Null stops record delivery. */
  virtual void SetRecordCallback(StromsiftRecordProc callback) = 0;
  /* Slot 2. */
  virtual void SetRemoteCallback(StromsiftRemoteProc callback) = 0;
#else
  /* Slot 1. Null stops record delivery; `context` is handed back unchanged. */
  virtual void SetRecordCallback(StromsiftRecordProc callback, void* context) = 0;
  /* Slot 2. Null stops code delivery (and the decoding of bursts). */
  virtual void SetRemoteCallback(StromsiftRemoteProc callback, void* context) = 0;
#endif
  /* Slot 3. Starts the object's own pipeline: S_OK, or E_FAIL when it cannot run (its device
   * was unplugged since the object was made: make a new object once it is back). An object made
   * on the client's pipeline (CreateStromsiftOnFilter) answers E_NOINTERFACE: the client runs
   * its pipeline itself. */
  virtual HRESULT Run() = 0;
  /* Slot 4. Pauses, then stops the object's own pipeline; Run may follow again. E_NOINTERFACE
   * as for Run. The worker keeps waiting for data while stopped. */
  virtual HRESULT Stop() = 0;
};

/* Finds the first capture device with a bulk output, builds a private pipeline from it to the
 * parser's sink and starts the worker. On success *out is the new object (delete it when done)
 * and the result is S_OK; on failure *out is null and the result is E_FAIL (no capture device),
 * E_NOINTERFACE (no device with a bulk output) or E_POINTER (out is null). */
STROMSIFT_API HRESULT CreateStromsift(IStromsift** out);

#ifndef STROMSIFT_COMPACT
/* Joins a pipeline the client has built. `filter` is the capture device's bulk source element
 * (or a bin) already inside the client's pipeline, its bulk output not yet linked: a source pad
 * named "bulk", or else a source pad named "src" with the caps application/octet-stream (as the
 * device layer's bulk source has). The parser's sink ("In") is added to the same bin and linked
 * to that pad. E_FAIL for a null filter or one that is in no bin, E_NOINTERFACE when it has no
 * such pad.
 * The object holds a reference to the filter and its bin; deleting it unlinks and removes only
 * its own sink. Run and Stop answer E_NOINTERFACE. A sample the object cannot take (its ring
 * full) is dropped and the client's stream goes on; the client's bus gets a warning from "In",
 * once for each run of dropped samples. */
STROMSIFT_API HRESULT CreateStromsiftOnFilter(GstElement* filter, IStromsift** out);
#endif

#endif /* __cplusplus */

#endif /* STROMSIFT_H */
