# The Windows installer (cpack -G NSIS, with Debian's nsis): tuma.exe is one static
# file, so the installer holds it alone, under Program Files, with a Start-menu entry,
# an uninstaller and an entry in Add/Remove Programs, in Brazilian Portuguese.
install(TARGETS tuma tuma-cli RUNTIME DESTINATION .)
# The licence and the notices of what the programs hold (Qt, linked statically, and
# the libraries Qt bundles), beside them, where Notepad opens them.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/THIRD-PARTY-NOTICES.txt DESTINATION .)
# The technician's manual beside the program, as the program shows it with F1.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual/ DESTINATION manual)
# The licence page shows the GPL (CPack would otherwise show CMake's own licence).
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_FILE_NAME "tuma-${PROJECT_VERSION}-win64-setup")
set(CPACK_NSIS_PACKAGE_NAME "Tuma Programável")
set(CPACK_NSIS_DISPLAY_NAME "Tuma Programável")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PUBLISHER "Marvolan")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/app/icons/tuma.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/app/icons/tuma.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "tuma.exe")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
set(CPACK_PACKAGE_EXECUTABLES "tuma" "Tuma Programável")
set(CPACK_NSIS_MENU_LINKS "tuma.exe" "Tuma Programável")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_UNINSTALL_NAME "Desinstalar Tuma Programável")
# CPack's own NSIS script offers every language and picks the system's; this
# installer speaks Brazilian Portuguese alone, whatever the system's language.
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in nsis_template)
string(REGEX REPLACE "  !insertmacro MUI_LANGUAGE \"English\"[^\n]*\n(  !insertmacro MUI_LANGUAGE \"[A-Za-z]+\"\n)+"
       "  !insertmacro MUI_LANGUAGE \"PortugueseBR\"\n" nsis_template "${nsis_template}")
if(NOT nsis_template MATCHES "PortugueseBR" OR nsis_template MATCHES "MUI_LANGUAGE \"German\"")
  message(FATAL_ERROR "CPack's NSIS template has changed: the installer's language could not be set")
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/nsis/NSIS.template.in "${nsis_template}")
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_BINARY_DIR}/nsis)
# A 64-bit installer for a 64-bit program (and Unicode texts); it also runs where
# only 64-bit Windows programs do.
set(CPACK_NSIS_DEFINES "Unicode true\nTarget amd64-unicode")
