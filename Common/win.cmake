# Header-only Win32 basics every program, the toolkit and the tests may include: the handle holders
# (Handles.h, InternetHandle.h) and SystemText.h. They depend on nothing else of this folder.
add_library(kel_win INTERFACE)
target_include_directories(kel_win INTERFACE ${CMAKE_CURRENT_LIST_DIR}/win)
