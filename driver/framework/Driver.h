// CDriver: lives only while the entry point runs and installs the framework's
// standard routines in the driver object, where they stay after it is gone.
#pragma once

#include "FwPool.h"

class CDriver {
 public:
  // Paged, "FwkP", zero-filled. noexcept makes a new-expression test for null
  // and skip the constructor when the pool is exhausted.
  static void *operator new(size_t size) noexcept;
  static void operator delete(void *pointer);

  explicit CDriver(PDRIVER_OBJECT driverObject);
  // Leaves the installed routines in place.
  virtual ~CDriver();

  PDRIVER_OBJECT DriverObject;
};
