# Header-only libraries from Debian's packages (Boost, nlohmann-json), made
# visible to the cross compiler. Only each library's own folder is linked into
# the build tree: the host's whole include directory would shadow the MinGW
# headers.
set(HOST_INCLUDE_DIR /usr/include CACHE PATH "Where Debian keeps the Boost and nlohmann-json headers")
set(host_header_links ${CMAKE_BINARY_DIR}/host-headers)

function(add_host_headers target folder)
  if(NOT EXISTS ${HOST_INCLUDE_DIR}/${folder})
    message(FATAL_ERROR "${HOST_INCLUDE_DIR}/${folder} is missing: run scripts/setup.sh")
  endif()
  set(links ${host_header_links}/${folder}-only)
  if(NOT EXISTS ${links}/${folder})
    file(MAKE_DIRECTORY ${links})
    file(CREATE_LINK ${HOST_INCLUDE_DIR}/${folder} ${links}/${folder} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${links})
endfunction()

add_host_headers(host_boost_headers boost)
add_host_headers(host_json_headers nlohmann)
