# The name rule of both ZIP layers: a library of its own below the extraction layer and the
# toolkit's skin reader, so the toolkit links nothing else of this folder.
add_library(zip_name_rules STATIC ${CMAKE_CURRENT_LIST_DIR}/zipnames/ZipNameRules.cpp)
target_include_directories(zip_name_rules PUBLIC ${CMAKE_CURRENT_LIST_DIR}/zipnames)
