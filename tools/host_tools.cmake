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

# lumi_hlsl_compiler(<var>): the HLSL compiler the effect compiler runs (vkd3d-compiler, fetched by
# scripts/setup into ~/.cache/lumivane/hlsl-compiler unless LUMI_TOOLS_HOME says where), or the cache
# variable LUMI_HLSL_COMPILER when set.
function(lumi_hlsl_compiler var)
  set(LUMI_HLSL_COMPILER "" CACHE FILEPATH "vkd3d-compiler run by the effect compiler (scripts/setup fetches it)")
  set(path "${LUMI_HLSL_COMPILER}")
  if(NOT path)
    if(DEFINED ENV{LUMI_TOOLS_HOME})
      set(home "$ENV{LUMI_TOOLS_HOME}")
    elseif(DEFINED ENV{XDG_CACHE_HOME})
      set(home "$ENV{XDG_CACHE_HOME}/lumivane")
    else()
      set(home "$ENV{HOME}/.cache/lumivane")
    endif()
    set(path "${home}/hlsl-compiler/vkd3d-compiler")
  endif()
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "The HLSL compiler ${path} is missing: run scripts/setup (or set LUMI_HLSL_COMPILER).")
  endif()
  set(${var} "${path}" PARENT_SCOPE)
endfunction()
