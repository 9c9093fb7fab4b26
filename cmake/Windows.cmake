# What a cross build for Windows finds differently from a native one.

# The header-only libraries of the build machine serve any target; they are
# given through folders of their own, so that the machine's other headers stay
# out of sight of the cross compiler.
set(dm_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${dm_headers})
foreach(dir CLI nlohmann xxhash.h xxh3.h dtl)
  if(NOT EXISTS ${dm_headers}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${dm_headers}/${dir} SYMBOLIC)
  endif()
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${dm_headers})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${dm_headers})

# xxHash is used header-only (inlined), so its header is all a target needs.
include_directories(SYSTEM ${dm_headers})

# Text in the system's code page; a Windows 7 or later API level.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601)

# Version resources are compiled with windres.
enable_language(RC)
