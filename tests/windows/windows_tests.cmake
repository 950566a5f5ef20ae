# The Qt-free libraries and the Win32 layer, cross-built with mingw-w64 and run under
# wine. The cross build is a project of its own beside this one.
find_program(TUMA_MINGW_CXX x86_64-w64-mingw32-g++-posix)
find_program(TUMA_WINE wine)
if(NOT TUMA_MINGW_CXX OR NOT TUMA_WINE)
  message(FATAL_ERROR "TUMA_WINDOWS_TESTS needs mingw-w64 (g++-mingw-w64-x86-64-posix) and wine (scripts/setup.sh installs them)")
endif()

include(ExternalProject)
set(TUMA_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(tuma_windows
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${TUMA_WINDOWS_DIR}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
             -DCMAKE_BUILD_TYPE=Release -DTUMA_QT=OFF -DTUMA_BENCH=OFF
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)

set(runner ${CMAKE_CURRENT_SOURCE_DIR}/windows/run_tests.sh)
add_test(NAME windows.core COMMAND bash ${runner} core ${TUMA_WINDOWS_DIR}/tests)
add_test(NAME windows.alloc COMMAND bash ${runner} alloc ${TUMA_WINDOWS_DIR}/tests)
add_test(NAME windows.win32 COMMAND bash ${runner} win32 ${TUMA_WINDOWS_DIR}/tests $<TARGET_FILE:tuma-sim>)
set_tests_properties(windows.core windows.alloc windows.win32 PROPERTIES LABELS windows TIMEOUT 240)

# The program's own Windows-only lines cannot be built here (no Qt for Windows), but
# the compiler can read them: mingw-w64 against this machine's Qt headers. It catches
# what only a Windows build would meet, such as a header of ours hiding <windows.h>.
set(win_includes)
foreach(qt_target Qt6::Core Qt6::Gui Qt6::Widgets)
  get_target_property(dirs ${qt_target} INTERFACE_INCLUDE_DIRECTORIES)
  list(APPEND win_includes ${dirs})
endforeach()
list(APPEND win_includes ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/src/app
     ${CMAKE_BINARY_DIR}/src/app/tuma_app_autogen/include)
list(REMOVE_DUPLICATES win_includes)
list(TRANSFORM win_includes PREPEND -I)
add_test(NAME windows.app_sources
  COMMAND ${TUMA_MINGW_CXX} -fsyntax-only -std=c++17 -Wall -Wextra ${win_includes}
          ${PROJECT_SOURCE_DIR}/src/app/app_windows.cpp ${PROJECT_SOURCE_DIR}/src/app/application.cpp)
set_tests_properties(windows.app_sources PROPERTIES LABELS windows)
