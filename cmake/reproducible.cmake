# Builds of one commit in two folders give the same bytes: no folder name ends
# up in __FILE__ or in debug information, and the Windows linker writes no
# time into the PE header. The packages take their dates from
# SOURCE_DATE_EPOCH (tools/package.sh sets it from the last commit).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
