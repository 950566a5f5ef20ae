# The Windows program and its tests, cross-built with mingw-w64 against the static Qt
# for Windows that scripts/windows-qt.sh builds (TUMA_WINDOWS_QT names its prefix),
# and run under wine. The cross build is a project of its own beside this one.
find_program(TUMA_WINE wine)
find_program(TUMA_MAKENSIS makensis)
if(NOT TUMA_WINE OR NOT TUMA_WINDOWS_QT OR NOT TUMA_WINDOWS_QCUSTOMPLOT OR NOT TUMA_WINDOWS_SQLITE)
  message(FATAL_ERROR "TUMA_WINDOWS_TESTS needs wine, TUMA_WINDOWS_QT (the Qt prefix that scripts/windows-qt.sh prints) "
                      "TUMA_WINDOWS_QCUSTOMPLOT (the folder that scripts/windows-qcustomplot.sh prints) "
                      "and TUMA_WINDOWS_SQLITE (the folder that scripts/windows-sqlite.sh prints)")
endif()

include(ExternalProject)
set(TUMA_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(tuma_windows_cross
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${TUMA_WINDOWS_DIR}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
             -DCMAKE_PREFIX_PATH=${TUMA_WINDOWS_QT} -DQT_HOST_PATH=/usr
             -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
             -DCMAKE_BUILD_TYPE=Release -DTUMA_BENCH=OFF
             -DTUMA_QCUSTOMPLOT_SOURCE=${TUMA_WINDOWS_QCUSTOMPLOT}
             -DTUMA_SQLITE_SOURCE=${TUMA_WINDOWS_SQLITE}
  # The installer is made with the program, by Debian's makensis.
  BUILD_COMMAND ${CMAKE_COMMAND} --build . && ${CMAKE_CPACK_COMMAND} -G NSIS --config CPackConfig.cmake
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)

set(runner ${CMAKE_CURRENT_SOURCE_DIR}/wine/run_tests.sh)
set(wbin ${TUMA_WINDOWS_DIR}/tests)
add_test(NAME windows.core COMMAND bash ${runner} core ${wbin})
add_test(NAME windows.alloc COMMAND bash ${runner} alloc ${wbin})
add_test(NAME windows.win32 COMMAND bash ${runner} win32 ${wbin} $<TARGET_FILE:tuma-sim>)
# The widget tests twice: with a decimal comma and a decimal point in the user's
# regional settings.
add_test(NAME windows.widgets.comma COMMAND bash ${runner} widgets ${wbin} "" ,)
add_test(NAME windows.widgets.point COMMAND bash ${runner} widgets ${wbin} "" .)
set_tests_properties(windows.core windows.alloc windows.win32 windows.widgets.comma windows.widgets.point
  PROPERTIES LABELS windows TIMEOUT 300)

# The real tuma.exe on Xvfb with openbox, driven by the keyboard, against tuma-sim on
# COM ports; and the installer installed and removed silently.
set(wprog ${TUMA_WINDOWS_DIR}/src/app/tuma.exe)
add_test(NAME windows.desktop COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/desktop.sh ${wprog}
         $<TARGET_FILE:tuma-sim> ${CMAKE_CURRENT_BINARY_DIR}/windows-desktop)
add_test(NAME windows.installer COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/installer.sh
         ${TUMA_WINDOWS_DIR}/tuma-${PROJECT_VERSION}-win64-setup.exe ${CMAKE_CURRENT_BINARY_DIR}/windows-installer)
add_test(NAME windows.cli COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/cli.sh ${TUMA_WINDOWS_DIR}/src/cli/tuma-cli.exe
         $<TARGET_FILE:tuma-sim> ${CMAKE_CURRENT_BINARY_DIR}/windows-cli)
# The workshop's items in the real tuma.exe: Ctrl+S and Ctrl+O through the Windows file
# dialogs, the comparison window and a verified write on a COM port.
add_test(NAME windows.workshop COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/workshop.sh ${wprog}
         $<TARGET_FILE:tuma-sim> ${CMAKE_CURRENT_BINARY_DIR}/windows-workshop $<TARGET_FILE:tuma-cli>)
# The history moved out of Documents and its day's copy, and the search for the
# controller among a silent port and a busy one.
add_test(NAME windows.home COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/home.sh ${wprog}
         $<TARGET_FILE:tuma-sim> ${CMAKE_CURRENT_BINARY_DIR}/windows-home $<TARGET_FILE:tuma-cli>)
set_tests_properties(windows.desktop windows.installer windows.cli windows.workshop windows.home
  PROPERTIES LABELS windows TIMEOUT 300 RUN_SERIAL ON)
