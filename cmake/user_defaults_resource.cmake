# Compiles the "UserDefaults" resource (resources/UserDefaults.plist) into the
# platform layer as the text userDefaultsResource() returns, so the program
# finds its defaults without locating resource files at run time.
set(_plist "${CMAKE_SOURCE_DIR}/resources/UserDefaults.plist")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_plist}")
file(READ "${_plist}" MW_USER_DEFAULTS_PLIST)
configure_file("${CMAKE_SOURCE_DIR}/src/platform/user_defaults_resource.cpp.in"
               "${CMAKE_BINARY_DIR}/generated/platform/user_defaults_resource.cpp" @ONLY)
target_sources(mw_platform PRIVATE "${CMAKE_BINARY_DIR}/generated/platform/user_defaults_resource.cpp")
