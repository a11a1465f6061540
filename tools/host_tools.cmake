# Build-time tools of the native build, for custom commands in either build:
#   lumi_host_tool(<var> <tool>) sets <var> to the command and <var>_DEPENDS to what the command depends on.
# The native build runs its own targets; a cross build runs the ones in LUMI_HOST_TOOLS_DIR, which the
# native preset must have built first (scripts/test does).
function(lumi_host_tool var tool)
  if(LUMI_WINDOWS)
    set(path "${LUMI_HOST_TOOLS_DIR}/${tool}")
    if(NOT LUMI_HOST_TOOLS_DIR OR NOT EXISTS "${path}")
      message(FATAL_ERROR "The build-time tool ${tool} is not in LUMI_HOST_TOOLS_DIR (${LUMI_HOST_TOOLS_DIR}): "
        "build the native preset first (cmake --preset host && cmake --build --preset host).")
    endif()
    set(${var} "${path}" PARENT_SCOPE)
    set(${var}_DEPENDS "${path}" PARENT_SCOPE)
  else()
    set(${var} "$<TARGET_FILE:${tool}>" PARENT_SCOPE)
    set(${var}_DEPENDS ${tool} PARENT_SCOPE)
  endif()
endfunction()

# lumi_resource_module(<target> <rc text> <files>...): a resource-only DLL <target>.dll beside the
# program and the Windows tests, from resource statements that name the given (generated) files.
function(lumi_resource_module target rc)
  set(rcfile "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
  file(CONFIGURE OUTPUT "${rcfile}" CONTENT "${rc}" @ONLY)
  set_source_files_properties("${rcfile}" PROPERTIES OBJECT_DEPENDS "${ARGN}")
  add_library(${target} SHARED "${rcfile}" ${ARGN})
  # No code and no entry point: the module is only ever mapped as data.
  set_target_properties(${target} PROPERTIES PREFIX "" LINKER_LANGUAGE C RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
  target_link_options(${target} PRIVATE -nostdlib -Wl,-e,0)
endfunction()
