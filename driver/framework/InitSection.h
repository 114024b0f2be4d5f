// Placement in the driver image's discardable INIT section, which the system
// frees once initialisation is over. Code and data need separate input
// sections (GCC refuses to mix them); the linker groups INIT$... into INIT.
#pragma once

#if defined(DORVIK_TARGET)
#define FW_INIT_CODE __attribute__((section("INIT$a")))
#define FW_INIT_DATA __attribute__((section("INIT$b")))
#else
#define FW_INIT_CODE
#define FW_INIT_DATA
#endif
