# Utility: shared by the Launcher and Portvane.
add_library(kel_utility STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Convert.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProductConfig.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Processes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Pipe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Shortcut.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogStorage.cpp)
target_include_directories(kel_utility PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kel_utility PUBLIC kel_win tinyxml2 easylogging kel_pipe_open ole32 uuid shell32 advapi32)
