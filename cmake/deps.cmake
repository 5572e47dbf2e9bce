# Third-party code built for the target as static libraries from Debian's headers and fetched sources.
set(THIRD_PARTY_SRC "${CMAKE_SOURCE_DIR}/third_party/src" CACHE PATH "Fetched dependency sources")

# Only the wanted system headers go on the include path (never /usr/include itself).
set(SHIM_INCLUDE "${CMAKE_BINARY_DIR}/shim-include")
file(MAKE_DIRECTORY "${SHIM_INCLUDE}")
file(CREATE_LINK /usr/include/boost "${SHIM_INCLUDE}/boost" SYMBOLIC)
file(CREATE_LINK /usr/include/easylogging++.h "${SHIM_INCLUDE}/easylogging++.h" SYMBOLIC)

add_library(boost_headers INTERFACE)
target_include_directories(boost_headers SYSTEM INTERFACE "${SHIM_INCLUDE}")
target_compile_definitions(boost_headers INTERFACE BOOST_ALL_NO_LIB BOOST_USE_WINDOWS_H)
target_link_libraries(boost_headers INTERFACE ws2_32 mswsock)

add_library(stb_headers INTERFACE)
target_include_directories(stb_headers SYSTEM INTERFACE /usr/include/stb)

add_library(zlib_static INTERFACE)
target_link_libraries(zlib_static INTERFACE -l:libz.a)

add_library(tinyxml2 STATIC "${THIRD_PARTY_SRC}/tinyxml2/tinyxml2.cpp")
target_include_directories(tinyxml2 SYSTEM PUBLIC "${THIRD_PARTY_SRC}/tinyxml2")

add_library(minizip STATIC
    "${THIRD_PARTY_SRC}/minizip/ioapi.c"
    "${THIRD_PARTY_SRC}/minizip/unzip.c"
    "${THIRD_PARTY_SRC}/minizip/iowin32.c")
target_include_directories(minizip SYSTEM PUBLIC "${THIRD_PARTY_SRC}/minizip")
target_compile_definitions(minizip PUBLIC NOUNCRYPT=0)
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC zlib_static)

# easylogging++ is compiled into each program that logs; this library carries its one .cc.
add_library(easylogging STATIC /usr/include/easylogging++.cc)
target_include_directories(easylogging SYSTEM PUBLIC "${SHIM_INCLUDE}")
target_compile_definitions(easylogging PUBLIC ELPP_THREAD_SAFE ELPP_NO_DEFAULT_LOG_FILE ELPP_WINSOCK2)
target_compile_options(easylogging PRIVATE -w)
target_link_libraries(easylogging PUBLIC ws2_32)

set(GTEST_ROOT /usr/src/googletest CACHE PATH "googletest sources")
add_library(gtest STATIC "${GTEST_ROOT}/googletest/src/gtest-all.cc")
target_include_directories(gtest SYSTEM PUBLIC "${GTEST_ROOT}/googletest/include" PRIVATE "${GTEST_ROOT}/googletest")
target_compile_options(gtest PRIVATE -w)
add_library(gtest_main STATIC "${CMAKE_CURRENT_LIST_DIR}/gtest_wmain.cc")
target_link_libraries(gtest_main PUBLIC gtest)
target_compile_options(gtest_main PRIVATE -w)
