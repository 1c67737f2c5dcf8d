# A Windows cross build takes CLI11 and nlohmann-json, both header-only, from
# the build machine's Debian packages. Only their own two folders are exposed,
# through a folder of links in the build tree: /usr/include as a whole would
# put glibc's headers in front of MinGW's.
set(_vorlat_cross_headers ${PROJECT_BINARY_DIR}/cross-headers)
file(MAKE_DIRECTORY ${_vorlat_cross_headers})
foreach(_vorlat_folder IN ITEMS CLI nlohmann)
  if(NOT IS_DIRECTORY /usr/include/${_vorlat_folder})
    message(FATAL_ERROR "/usr/include/${_vorlat_folder} is missing: run scripts/install-deps.sh "
      "(libcli11-dev, nlohmann-json3-dev)")
  endif()
  file(CREATE_LINK /usr/include/${_vorlat_folder} ${_vorlat_cross_headers}/${_vorlat_folder} SYMBOLIC)
endforeach()

# The same target names as the packages' own CMake files give a native build.
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
set_target_properties(CLI11::CLI11 nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${_vorlat_cross_headers})
