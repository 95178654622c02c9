# The resources the program finds at run time (platform/resource_directory.h):
# copied into share/mailwright of the build tree, beside src/ that holds the
# program, and installed into share/mailwright beside bin/.
set(MW_RESOURCE_DIR "${CMAKE_BINARY_DIR}/share/mailwright")
set(MW_PACKAGE_RESOURCES
    "${CMAKE_SOURCE_DIR}/resources/Entourage_Archive.xml"
    "${CMAKE_SOURCE_DIR}/resources/Entourage_Info.plist"
    "${CMAKE_SOURCE_DIR}/resources/Entourage_PkgInfo")
foreach(_resource IN LISTS MW_PACKAGE_RESOURCES)
  get_filename_component(_name "${_resource}" NAME)
  configure_file("${_resource}" "${MW_RESOURCE_DIR}/${_name}" COPYONLY)
endforeach()
install(FILES ${MW_PACKAGE_RESOURCES} DESTINATION share/mailwright)
include(${CMAKE_SOURCE_DIR}/cmake/guide_documents.cmake)
