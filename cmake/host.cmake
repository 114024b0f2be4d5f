# Host builds: the driver and applet sources against our platform models.
enable_testing()

add_compile_definitions(DORVIK_HOST_MODEL=1)
if(DORVIK_BUILD STREQUAL "host")
  set(DORVIK_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${DORVIK_SANITIZE})
  add_link_options(${DORVIK_SANITIZE})
else()
  # qemu-i386 cannot host AddressSanitizer's shadow memory; UBSan still runs.
  set(DORVIK_SANITIZE -fsanitize=undefined -fno-sanitize-recover=all)
  add_compile_options(${DORVIK_SANITIZE})
  add_link_options(${DORVIK_SANITIZE})
endif()

# GoogleTest from the Debian sources, built for this architecture.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  message(FATAL_ERROR "GoogleTest sources missing: run scripts/setup.sh")
endif()
include(GoogleTest)

# Adds a GoogleTest executable made of every .cpp in DIR, linked to LIBS.
function(dorvik_test NAME DIR)
  file(GLOB _sources CONFIGURE_DEPENDS ${DIR}/*.cpp)
  if(NOT _sources)
    message(STATUS "${NAME}: no sources in ${DIR} yet")
    return()
  endif()
  add_executable(${NAME} ${_sources})
  target_link_libraries(${NAME} PRIVATE ${ARGN} dorvik_test_support GTest::gmock_main)
  gtest_discover_tests(${NAME} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 600)
endfunction()

add_subdirectory(platform)
add_subdirectory(driver)
add_subdirectory(applet)
add_subdirectory(tools/dorvik-sim)
add_subdirectory(tests)
