# The same sources as x86-64 Windows programs, for hosts that run no 32-bit code: the tests run this build
# under wine64. The shipped programs stay the 32-bit ones of toolchain-mingw32.cmake.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;x86_64")
