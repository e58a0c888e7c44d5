# vq_json: the header-only JSON library (Debian's nlohmann-json3-dev), for the
# floor or tool that writes or reads JSON (the plan of a run, unmcheck's
# report and printers file). Its headers are copied into the build tree
# rather than exposing all of /usr/include to the cross compilers.
set(VQ_JSON_HEADERS /usr/include/nlohmann)
if(NOT EXISTS ${VQ_JSON_HEADERS}/json.hpp)
  message(FATAL_ERROR "nlohmann-json3-dev is missing (scripts/bootstrap.sh installs it)")
endif()
set(VQ_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
file(COPY ${VQ_JSON_HEADERS} DESTINATION ${VQ_JSON_INCLUDE})
add_library(vq_json INTERFACE)
target_include_directories(vq_json INTERFACE ${VQ_JSON_INCLUDE})
