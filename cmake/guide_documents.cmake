# The guide documents (resources/guides/*.md) as PDF files in the resource
# folder: laid out at build time by a small Qt tool, which only the build
# runs, and installed with the other resources. Without Qt 6 the build goes
# on without them; sanitizer and fuzzing builds leave them out too, since
# the tool would run under the sanitizers there.
set(MW_GUIDES
    "Thunderbird Import Guide|thunderbird_import_guide.md"
    "Apple Import Guide|apple_import_guide.md"
    "Outlook Import Guide|outlook_import_guide.md"
    "Help-Mailwright|user_guide.md")

if(MAILWRIGHT_SANITIZE OR MAILWRIGHT_FUZZ)
  return()
endif()
find_package(Qt6 6.2 QUIET COMPONENTS Gui)
if(NOT Qt6Gui_FOUND)
  message(STATUS "Qt 6 Gui not found: the guide PDFs are not built")
  return()
endif()

add_executable(mailwright_guide_pdf "${CMAKE_SOURCE_DIR}/src/ui/guides/guide_pdf.cpp")
target_link_libraries(mailwright_guide_pdf PRIVATE Qt6::Gui)

set(_guide_pdfs)
foreach(_guide IN LISTS MW_GUIDES)
  string(REPLACE "|" ";" _parts "${_guide}")
  list(GET _parts 0 _name)
  list(GET _parts 1 _source)
  set(_pdf "${MW_RESOURCE_DIR}/${_name}.pdf")
  add_custom_command(
    OUTPUT "${_pdf}"
    COMMAND mailwright_guide_pdf "${CMAKE_SOURCE_DIR}/resources/guides/${_source}" "${_pdf}"
    DEPENDS mailwright_guide_pdf "${CMAKE_SOURCE_DIR}/resources/guides/${_source}"
    COMMENT "Laying out ${_name}.pdf"
    VERBATIM)
  list(APPEND _guide_pdfs "${_pdf}")
endforeach()
add_custom_target(guide_documents ALL DEPENDS ${_guide_pdfs})
install(FILES ${_guide_pdfs} DESTINATION share/mailwright)
