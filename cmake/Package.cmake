# The pilots' zip of a Windows build (`cmake --build --preset win64 --target package`):
# vorlat-VERSION-windows-x64.zip (x86 from the win32 preset) holding one folder
# with vorlat.exe, the module of the same bitness beside it, report.cmd, a short
# README and the licences of what vorlat.exe embeds. Text files for pilots get
# Windows line ends; tests/package/check_zip.sh checks the list of contents.
install(TARGETS vorlat RUNTIME DESTINATION .)
# The DLL alone: its import library is of no use to a pilot.
install(FILES $<TARGET_FILE:gauge> DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VORLAT_BITS 64-bit)
  set(_vorlat_architecture x64)
else()
  set(VORLAT_BITS 32-bit)
  set(_vorlat_architecture x86)
endif()
set(VORLAT_VERSION ${PROJECT_VERSION})
set(_vorlat_package_text ${PROJECT_BINARY_DIR}/pilot-files)
foreach(_vorlat_text IN ITEMS report.cmd README-pilots.txt)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/${_vorlat_text} ${_vorlat_package_text}/${_vorlat_text}
    @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${_vorlat_package_text}/${_vorlat_text} DESTINATION .)
endforeach()

# Embedded in vorlat.exe besides the font (host/render installs its licence):
# the report's chart library, the command-line and JSON libraries and stb.
install(FILES ${VORLAT_UPLOT_DIR}/LICENSE DESTINATION ${VORLAT_INSTALL_LICENCE_DIR} RENAME uPlot-LICENSE.txt)
foreach(_vorlat_package IN ITEMS libcli11-dev:CLI11 nlohmann-json3-dev:nlohmann-json libstb-dev:stb)
  string(REPLACE ":" ";" _vorlat_package ${_vorlat_package})
  list(GET _vorlat_package 0 _vorlat_debian_name)
  list(GET _vorlat_package 1 _vorlat_shown_name)
  set(_vorlat_copyright /usr/share/doc/${_vorlat_debian_name}/copyright)
  if(NOT EXISTS ${_vorlat_copyright})
    message(FATAL_ERROR "${_vorlat_copyright} is missing: run scripts/install-deps.sh")
  endif()
  install(FILES ${_vorlat_copyright} DESTINATION ${VORLAT_INSTALL_LICENCE_DIR}
    RENAME ${_vorlat_shown_name}-copyright.txt)
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vorlat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME vorlat-${PROJECT_VERSION}-windows-${_vorlat_architecture})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)  # the symbols serve no pilot; the build folder keeps them
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)

# The zip made and its contents checked, as part of the preset's tests.
if(VORLAT_TESTS)
  set(_vorlat_zip ${PROJECT_BINARY_DIR}/package/vorlat-${PROJECT_VERSION}-windows-${_vorlat_architecture}.zip)
  add_test(NAME pilots_zip
    COMMAND sh -c "\"$1\" --config CPackConfig.cmake >/dev/null && \"$2\" \"$3\"" pilots_zip
      ${CMAKE_CPACK_COMMAND} ${PROJECT_SOURCE_DIR}/tests/package/check_zip.sh ${_vorlat_zip}
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
endif()
