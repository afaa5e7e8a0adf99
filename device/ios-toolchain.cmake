# Cross-compiling the library for a jailbroken iOS 7-9 device with Debian's
# own clang and lld; no SDK. The device's runtime and frameworks are
# declared by src/host/ios and linked through our .tbd stubs (device/stubs).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm64)

set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET arm64-apple-ios7.0)
set(CMAKE_CXX_COMPILER_TARGET arm64-apple-ios7.0)
# No device C library to link a test program against: compiler checks stop
# at objects. The .dylib is linked by device/CMakeLists.txt.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Freestanding C++: no standard library headers, no exceptions or RTTI, no
# guard calls for local statics and no exit-time destructors (the
# process-wide values live as long as SpringBoard). Blocks for the reminder
# store's completion handlers.
set(CMAKE_CXX_FLAGS_INIT
    "-ffreestanding -nostdinc++ -nostdlibinc -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-c++-static-destructors -fblocks")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(QST_HOST ios CACHE STRING "The backend behind src/host/" FORCE)
