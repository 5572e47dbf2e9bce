# Opening a client's pipe with a bounded wait: the Launcher's utilities and Portvane use it.
add_library(kel_pipe_open STATIC ${CMAKE_CURRENT_LIST_DIR}/PipeOpen.cpp)
target_include_directories(kel_pipe_open PUBLIC ${CMAKE_CURRENT_LIST_DIR})
