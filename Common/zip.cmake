# ZIP extraction layer shared by the Launcher and Portvane.
add_library(kel_zip STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ZipExtractor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipPackage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipEntryInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipFileIo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipFolderFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipCentralDirectory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipPaths.cpp)
target_include_directories(kel_zip PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kel_zip PRIVATE minizip kel_win PUBLIC zip_name_rules)
