# Installation: Quillon.exe on Windows; on Linux quillon with its manual page,
# bash completion, README and copyright, and the Debian package built from
# them by CPack (tools/package.sh runs it).
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS quillon RUNTIME DESTINATION .)
  return()
endif()

set(QUILLON_PACKAGE_CONTACT "The Quillon developers <quillon@quillon.invalid>" CACHE STRING
    "Maintainer of the Debian package: Name <address>")
set(QUILLON_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillon)
set(packaging ${CMAKE_BINARY_DIR}/packaging)

# Dates from SOURCE_DATE_EPOCH when it is set (string(TIMESTAMP) reads it), so
# that a build of one commit writes the same files every time.
string(TIMESTAMP QUILLON_MAN_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP QUILLON_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_SOURCE_DIR}/packaging/quillon.1.in ${packaging}/quillon.1 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${packaging}/changelog @ONLY)
# gzip -n: no name and no time in the header.
foreach(name quillon.1 changelog)
  execute_process(COMMAND gzip -9nc ${packaging}/${name} OUTPUT_FILE ${packaging}/${name}.gz
                  RESULT_VARIABLE gzip_result)
  if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "gzip ${name}: ${gzip_result}")
  endif()
endforeach()

install(TARGETS quillon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS quillon_image_module LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/quillon)
install(FILES ${packaging}/quillon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/quillon.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME quillon)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/packaging/copyright ${packaging}/changelog.gz
        DESTINATION ${QUILLON_DOCDIR})

if(QUILLON_TESTS)
  add_test(NAME quillon_options_documented
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/packaging/options_documented.sh $<TARGET_FILE:quillon>
                   ${CMAKE_SOURCE_DIR}/packaging/quillon.1.in ${CMAKE_SOURCE_DIR}/packaging/quillon.bash-completion)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLON_PACKAGE_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The interactive run shows the report with $PAGER, by default less.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS less)
set(CPACK_PACKAGE_DESCRIPTION "Fibre Channel driver information from an offline Windows system
quillon shows which Fibre Channel adapter drivers and multipath components
a Windows server has, at which versions, and how their registry parameters
are tuned, and writes a support report (SysInfo.log).
It reads an offline Windows system: a mounted system drive or a copied tree,
such as the disk of a server that no longer boots, mounted from a rescue
system. It runs interactively in a terminal or prints the pages, a version
listing or JSON for scripts.")
include(CPack)
