// Cancelling a closing file's pending requests: those waiting in the device's
// own queue and the device's current request. Requests of other files stay
// queued in their former order.
#include "FlushQueue.h"

#include "Device.h"

namespace {

// With no file given, every request belongs.
BOOLEAN BelongsTo(PIRP irp, PFILE_OBJECT fileObject) {
  return fileObject == NULL || IoGetCurrentIrpStackLocation(irp)->FileObject == fileObject;
}

PKDEVICE_QUEUE_ENTRY EntryOf(PIRP irp) { return &irp->Tail.Overlay.DeviceQueueEntry; }

PIRP IrpOf(PKDEVICE_QUEUE_ENTRY entry) {
  return CONTAINING_RECORD(entry, IRP, Tail.Overlay.DeviceQueueEntry);
}

// A local queue starts idle, and inserting into an idle queue only marks it
// busy; the second insert then queues the entry.
VOID AppendToLocalQueue(PKDEVICE_QUEUE queue, PIRP irp) {
  if (!KeInsertDeviceQueue(queue, EntryOf(irp))) KeInsertDeviceQueue(queue, EntryOf(irp));
}

// The caller holds the queue's lock, so the entry is linked directly.
VOID AppendUnderHeldLock(PKDEVICE_QUEUE queue, PKDEVICE_QUEUE_ENTRY entry) {
  PLIST_ENTRY head = &queue->DeviceListHead;
  PLIST_ENTRY last = head->Blink;
  entry->DeviceListEntry.Flink = head;
  entry->DeviceListEntry.Blink = last;
  last->Flink = &entry->DeviceListEntry;
  head->Blink = &entry->DeviceListEntry;
  entry->Inserted = TRUE;
}

// Clears the request's cancel routine with an interlocked exchange and returns
// what it held. Whoever gets the routine out of the request is the one who
// may call it, so a routine cleared meanwhile by its driver is never called.
PDRIVER_CANCEL TakeCancelRoutine(PIRP irp) {
  return reinterpret_cast<PDRIVER_CANCEL>(
      InterlockedExchangePointer(reinterpret_cast<PVOID volatile *>(&irp->CancelRoutine), NULL));
}

}  // namespace

PIRP GetIrpFromHead(PKDEVICE_QUEUE deviceQueue) {
  PLIST_ENTRY head = &deviceQueue->DeviceListHead;
  PLIST_ENTRY first = head->Flink;
  if (first == head) return NULL;
  head->Flink = first->Flink;
  first->Flink->Blink = head;
  PKDEVICE_QUEUE_ENTRY entry = CONTAINING_RECORD(first, KDEVICE_QUEUE_ENTRY, DeviceListEntry);
  // A cancel routine that looks for its request in the queue now leaves it alone.
  entry->Inserted = FALSE;
  return IrpOf(entry);
}

VOID CDevice::FlushQueue(PFILE_OBJECT fileObject) {
  PDEVICE_OBJECT device = DeviceObject;
  PKDEVICE_QUEUE deviceQueue = &device->DeviceQueue;
  KDEVICE_QUEUE keepQueue;
  KDEVICE_QUEUE cancelQueue;
  KIRQL cancelIrql;

  KeInitializeDeviceQueue(&keepQueue);
  KeInitializeDeviceQueue(&cancelQueue);

  // The cancel spin lock always comes before the device queue lock.
  IoAcquireCancelSpinLock(&cancelIrql);
  KefAcquireSpinLockAtDpcLevel(&deviceQueue->Lock);

  if (deviceQueue->Busy) {
    // Split and restore under one holding of the lock, so that other
    // processors see a single change of the queue.
    for (PIRP irp = GetIrpFromHead(deviceQueue); irp != NULL; irp = GetIrpFromHead(deviceQueue)) {
      AppendToLocalQueue(BelongsTo(irp, fileObject) ? &cancelQueue : &keepQueue, irp);
    }
    if (keepQueue.Busy) {
      for (PKDEVICE_QUEUE_ENTRY entry = KeRemoveDeviceQueue(&keepQueue); entry != NULL;
           entry = KeRemoveDeviceQueue(&keepQueue)) {
        AppendUnderHeldLock(deviceQueue, entry);
      }
    }
  }

  PIRP current = device->CurrentIrp;
  if (current != NULL && BelongsTo(current, fileObject)) {
    current->Cancel = TRUE;
    // Without a cancel routine the request stays current; its driver sees Cancel.
    PDRIVER_CANCEL routine = TakeCancelRoutine(current);
    if (routine != NULL) {
      current->CancelIrql = cancelIrql;
      // The routine releases the cancel spin lock; it must not find the
      // device queue lock held.
      KefReleaseSpinLockFromDpcLevel(&deviceQueue->Lock);
      routine(device, current);
      IoAcquireCancelSpinLock(&cancelIrql);
      KefAcquireSpinLockAtDpcLevel(&deviceQueue->Lock);
    }
  }

  KefReleaseSpinLockFromDpcLevel(&deviceQueue->Lock);

  if (cancelQueue.Busy) {
    for (PKDEVICE_QUEUE_ENTRY entry = KeRemoveDeviceQueue(&cancelQueue); entry != NULL;
         entry = KeRemoveDeviceQueue(&cancelQueue)) {
      PIRP irp = IrpOf(entry);
      PDRIVER_CANCEL routine = TakeCancelRoutine(irp);
      if (routine != NULL) {
        irp->Cancel = TRUE;
        irp->CancelIrql = cancelIrql;
        routine(device, irp);
      } else {
        irp->IoStatus.Status = STATUS_CANCELLED;
        irp->IoStatus.Information = 0;
        // Never complete a request while holding a spin lock.
        IoReleaseCancelSpinLock(cancelIrql);
        IofCompleteRequest(irp, IO_NO_INCREMENT);
      }
      IoAcquireCancelSpinLock(&cancelIrql);
    }
  }

  IoReleaseCancelSpinLock(cancelIrql);
}
