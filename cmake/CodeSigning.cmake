# Signs an executable after every link the way the simulated Mac's code signing reads it (see
# src/platform/sim/CodeSigning.h). The key is made by the first signing in a build folder and
# kept there for every later build: it never lives in the sources, so nothing private is
# committed and a fresh clone signs with a key of its own.
function(pelorn_sign target identifier)
  add_dependencies(${target} pelorn_codesign)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND pelorn_codesign "${CMAKE_BINARY_DIR}/codesign/developer-key.pem" ${identifier} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
