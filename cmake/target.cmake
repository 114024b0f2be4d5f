# Target build: freestanding i686 NT kernel code against the mingw-w64 DDK.
set(DDK_INCLUDE /usr/share/mingw-w64/include/ddk)
set(DORVIK_KERNEL_FLAGS
  -ffreestanding -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
  -fno-threadsafe-statics -fno-use-cxa-atexit -fno-sized-deallocation
  -fno-stack-protector -fno-builtin -march=i486 -mno-sse)
add_compile_definitions(DORVIK_TARGET=1 _X86_=1)

enable_language(RC)
enable_testing()
add_subdirectory(driver)
add_subdirectory(tests/wine)
add_subdirectory(applet)
add_subdirectory(tests/wine_acceptance)
