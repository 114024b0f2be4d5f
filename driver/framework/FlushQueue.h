// Taking requests off a device queue whose lock the caller already holds.
#pragma once

#include "KernelApi.h"

// Unlinks the request at the head of the queue's list and marks its entry no
// longer inserted; null when the list is empty. Leaves the queue's busy state
// alone and takes no lock.
PIRP GetIrpFromHead(PKDEVICE_QUEUE deviceQueue);
