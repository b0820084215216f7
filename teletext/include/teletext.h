/* teletext: 42-byte teletext packets and infrared remote codes read from the TV box's bulk
 * stream, for host programs. Plain C interface; compiles as C99 and as C++.
 *
 * Threads:
 *  - WST_Control, WST_ReadData, IR_Init and IR_Exit take no lock of their own: a host calls
 *    all of them from one thread of its own (its "host thread").
 *  - The library runs one worker thread while initialised. Packets are produced there and
 *    handed to the host thread inside WST_ReadData(SRC_PACKETS), which waits up to 500 ms.
 *  - The remote callback runs on the worker thread. It must return promptly; it may call
 *    WST_ReadData for SRC_FORMAT, SRC_VERSION, SRC_STATUS and SRC_ERROR, but packets are
 *    read on the host thread only: SRC_PACKETS from the callback returns -1 at once. Nor may
 *    it tear the library down: IR_Exit and WST_Control(WST_EXIT) called from the callback
 *    return -1 and change nothing.
 *  - One instance per process: a second WST_INIT while initialised builds nothing and
 *    returns 1.
 *
 * Device: WST_INIT reads the bulk pin of the first video capture device that has one and
 * returns 0 when there is none. If that device is unplugged while running, SRC_PACKETS keeps
 * returning 0 (after its wait) until the host calls WST_EXIT; a later WST_INIT looks for a
 * device afresh.
 */
#ifndef TELETEXT_TELETEXT_H_
#define TELETEXT_TELETEXT_H_

#include <stdint.h>

#if defined(TELETEXT_BUILD)
#define TELETEXT_API __attribute__((visibility("default")))
#else
#define TELETEXT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* WST_Control types. */
#define WST_INIT 1    /* build and start the capture graph: 1 when running, else 0 */
#define WST_EXIT 2    /* stop and dismantle it: 1 (-1 from the remote callback) */
#define WST_OPEN 3    /* no effect: 1 */
#define WST_CLOSE 4   /* no effect: 1 */
#define WST_START 5   /* no effect: 1 */
#define WST_STOP 6    /* no effect: 1 */
#define WST_CHANNEL 7 /* a = WST_CHANNEL_CHANGING or WST_CHANNEL_CHANGED: 1, else -1 */

#define WST_CHANNEL_CHANGING 0
#define WST_CHANNEL_CHANGED 1

/* WST_ReadData types. SRC_FORMAT, SRC_PACKETS and SRC_STATUS fill the block: given a null
 * block they write nothing and return -1. */
#define SRC_FORMAT 1 /* b = buffer size: sets words 8 and 16, returns b rounded down to 42s */
/* SRC_PACKETS: a = room in bytes at offset 16; returns the bytes copied, or -1 when not
 * initialised or when called from the remote callback. */
#define SRC_PACKETS 2
#define SRC_VERSION 3 /* returns 1 when b is 0 or 1, else 0 */
#define SRC_STATUS 4  /* sets `waiting` to the packets waiting, returns 16 */
#define SRC_ERROR 5   /* returns 0 */

/* Size of one teletext packet (two address bytes and 40 data bytes, as sliced). */
#define WST_PACKET_SIZE 42
/* Packet data starts this many bytes into a WstDataBlock. */
#define WST_DATA_OFFSET 16
/* The packet data of a block: WST_PACKET_SIZE bytes per packet, back to back. */
#define WST_PACKET_DATA(block) ((uint8_t*)(block) + WST_DATA_OFFSET)

/* The host's buffer for WST_ReadData: four little-endian 32-bit words, then packet data.
 * Allocate WST_DATA_OFFSET plus the room for packets. */
typedef struct WstDataBlock {
  int32_t first;       /* SRC_FORMAT: 8; otherwise 0 */
  int32_t second;      /* SRC_FORMAT: 16; otherwise 0 */
  int32_t waiting;     /* SRC_STATUS: packets waiting in the library; otherwise 0 */
  int32_t packetCount; /* SRC_PACKETS: packets copied; otherwise 0 */
} WstDataBlock;

/* Called on the library's worker thread for each decoded remote sequence: the number of
 * units (4 samples each) and the code, the first unit most significant, active units 0 and
 * idle units 1 (only the last 32 units are kept). The result is ignored. */
typedef int32_t (*IrRemoteCallback)(int32_t unitCount, int32_t code);

TELETEXT_API int32_t WST_Control(int32_t type, int32_t a, int32_t b);
TELETEXT_API int32_t WST_ReadData(int32_t type, WstDataBlock* block, int32_t a, int32_t b);
/* A null callback forgets the callback given before, returns 0 and builds nothing; otherwise
 * the result of WST_INIT. */
TELETEXT_API int32_t IR_Init(IrRemoteCallback callback);
/* The result of WST_EXIT (1 also when nothing was initialised). Unless it returns -1 (called
 * from the callback), the callback is forgotten: a later WST_INIT alone never calls it. */
TELETEXT_API int32_t IR_Exit(void);

#ifdef __cplusplus
}
#endif

#endif /* TELETEXT_TELETEXT_H_ */
