// Device queues: an idle queue only becomes busy on the first insert; the
// entries after it wait in order until removed. Callers run at DISPATCH_LEVEL
// and each operation takes the queue's own lock.
#include <nt_model.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "DeviceQueueModel.h"
#include "ModelRegistration.h"
#include "SpinLockModel.h"

namespace ntmodel {
namespace {
const CSHORT kDeviceQueueObject = 20;

std::mutex g_mutex;
std::set<const KSPIN_LOCK *> &QueueLocks() {
  static std::set<const KSPIN_LOCK *> locks;
  return locks;
}
SubsystemRegistration g_registration([] {
  std::lock_guard<std::mutex> lock(g_mutex);
  QueueLocks().clear();
});

void NoteDeviceQueue(const KDEVICE_QUEUE *queue) {
  std::lock_guard<std::mutex> lock(g_mutex);
  QueueLocks().insert(&queue->Lock);
}

void RequireDispatchLevel(const char *routine) {
  if (KeGetCurrentIrql() != DISPATCH_LEVEL) {
    ReportViolation(std::string(routine) + " called at an IRQL other than DISPATCH_LEVEL");
  }
}
}  // namespace

bool IsDeviceQueueLock(const KSPIN_LOCK *lock) {
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (QueueLocks().count(lock) != 0) return true;
  }
  // Or the queue of a live device object, which IoCreateDevice set up.
  const uintptr_t device =
      reinterpret_cast<uintptr_t>(lock) - offsetof(DEVICE_OBJECT, DeviceQueue.Lock);
  return DeviceExists(reinterpret_cast<const DEVICE_OBJECT *>(device));
}

bool HoldsDeviceQueueLock() {
  const std::vector<PKSPIN_LOCK> &held = HeldSpinLocks();
  return std::any_of(held.begin(), held.end(), IsDeviceQueueLock);
}

}  // namespace ntmodel

VOID NTAPI KeInitializeDeviceQueue(PKDEVICE_QUEUE DeviceQueue) {
  DeviceQueue->Type = ntmodel::kDeviceQueueObject;
  DeviceQueue->Size = sizeof(KDEVICE_QUEUE);
  DeviceQueue->DeviceListHead.Flink = &DeviceQueue->DeviceListHead;
  DeviceQueue->DeviceListHead.Blink = &DeviceQueue->DeviceListHead;
  KeInitializeSpinLock(&DeviceQueue->Lock);
  DeviceQueue->Busy = FALSE;
  ntmodel::NoteDeviceQueue(DeviceQueue);
}

BOOLEAN NTAPI KeInsertDeviceQueue(PKDEVICE_QUEUE DeviceQueue,
                                  PKDEVICE_QUEUE_ENTRY DeviceQueueEntry) {
  ntmodel::RequireDispatchLevel("KeInsertDeviceQueue");
  KIRQL irql = KfAcquireSpinLock(&DeviceQueue->Lock);
  const BOOLEAN queued = DeviceQueue->Busy;
  if (!queued) {
    DeviceQueue->Busy = TRUE;
  } else {
    if (DeviceQueueEntry->Inserted) {
      ntmodel::ReportViolation("device queue entry inserted while already in a queue");
    }
    PLIST_ENTRY head = &DeviceQueue->DeviceListHead;
    PLIST_ENTRY entry = &DeviceQueueEntry->DeviceListEntry;
    entry->Flink = head;
    entry->Blink = head->Blink;
    head->Blink->Flink = entry;
    head->Blink = entry;
  }
  DeviceQueueEntry->Inserted = queued;
  KfReleaseSpinLock(&DeviceQueue->Lock, irql);
  return queued;
}

PKDEVICE_QUEUE_ENTRY NTAPI KeRemoveDeviceQueue(PKDEVICE_QUEUE DeviceQueue) {
  ntmodel::RequireDispatchLevel("KeRemoveDeviceQueue");
  KIRQL irql = KfAcquireSpinLock(&DeviceQueue->Lock);
  if (!DeviceQueue->Busy) ntmodel::ReportViolation("KeRemoveDeviceQueue on a queue that is not busy");
  PKDEVICE_QUEUE_ENTRY removed = nullptr;
  PLIST_ENTRY head = &DeviceQueue->DeviceListHead;
  if (head->Flink == head) {
    DeviceQueue->Busy = FALSE;
  } else {
    PLIST_ENTRY first = head->Flink;
    head->Flink = first->Flink;
    first->Flink->Blink = head;
    removed = CONTAINING_RECORD(first, KDEVICE_QUEUE_ENTRY, DeviceListEntry);
    removed->Inserted = FALSE;
  }
  KfReleaseSpinLock(&DeviceQueue->Lock, irql);
  return removed;
}
