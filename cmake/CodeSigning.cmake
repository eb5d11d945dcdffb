# Signs an executable after every link the way the simulated Mac's code signing reads it: a
# trailer with the signing identifier and the developer certificate (see
# src/platform/sim/CodeSigning.h for the format).
function(pelorn_sign target identifier)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DPELORN_SIGN_FILE=$<TARGET_FILE:${target}> -DPELORN_SIGN_IDENTIFIER=${identifier}
            -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    VERBATIM)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED PELORN_SIGN_FILE)
  # Same text as sim::codesign::developerCertificate().
  string(HEX "Pelorn Developer ID (simulated)" certificate)
  set(json "{\"identifier\":\"${PELORN_SIGN_IDENTIFIER}\",\"certificates\":[\"${certificate}\"]}")
  string(LENGTH "${json}" length)
  string(LENGTH "${length}" digits)
  math(EXPR pad "8 - ${digits}")
  string(REPEAT "0" ${pad} zeros)
  file(APPEND "${PELORN_SIGN_FILE}" "${json}${zeros}${length}PLNSIG01")
endif()
