# The one version number is the project version in CMakeLists.txt. It reaches
# the code and the Windows version resource through quillon_version.h, and the
# Debian package and the Windows zip through CMake (cmake/install.cmake,
# tools/package.sh).
if(PROJECT_VERSION_TWEAK STREQUAL "")
  message(FATAL_ERROR "the project version needs four numbers (a.b.c.d), as Windows version resources have")
endif()
set(QUILLON_VERSION_RC "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillon_version.h.in ${CMAKE_BINARY_DIR}/generated/quillon_version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
# Quillon.exe's application manifest carries the version too.
configure_file(${CMAKE_SOURCE_DIR}/resources/quillon.manifest.in ${CMAKE_BINARY_DIR}/generated/quillon.manifest @ONLY)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/quillon.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/quillon.manifest)
