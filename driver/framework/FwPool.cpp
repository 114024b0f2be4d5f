#include "FwPool.h"

void FwPoolDelete(void *pointer) {
  if (pointer != NULL) ExFreePool(pointer);
}
