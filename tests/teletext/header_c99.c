/* Compiled with -std=c99 -pedantic-errors: the public header must stay plain C. */
#include <stddef.h>

#include "teletext.h"

int TeletextHeaderC99Check(void);

int TeletextHeaderC99Check(void) {
  IrRemoteCallback callback = NULL;
  (void)callback;
  return (int)sizeof(WstDataBlock) == WST_DATA_OFFSET && offsetof(WstDataBlock, packetCount) == 12
             ? WST_DATA_OFFSET
             : -1;
}
