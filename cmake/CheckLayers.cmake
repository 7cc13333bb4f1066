cmake_minimum_required(VERSION 3.20)
# Fails the build when a file of the portable core includes a layer it may
# not use or a platform header, or tells platforms apart by #if. Run as a script:
#   cmake -DSOURCE_DIR=<src> -DSTAMP=<file> -P CheckLayers.cmake
# Layers, lowest first, and what each may include besides itself:
#   base      support's values, errors and text helpers   (nothing)
#   ports     the seams to the platform                    base
#   support   the log and the registry class, over ports   base ports
#   context   the add-in-wide values                       base ports support
#   settings  settings, connection text                    ... context
#   catalog   the lists and look-ups a user may file into  ... settings
#   import    the import command and record writer         ... settings
#   dialog    the import dialog                            ... settings catalog import
#   addin     Connect, OutAddIn, toolbars, ribbon          ... settings
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(KV_SUPPORT_ABOVE_PORTS file_log c_registry registry_tree dropped_error)
set(KV_MAY_base base)
set(KV_MAY_ports base ports)
set(KV_MAY_support base ports support)
set(KV_MAY_context base ports support context)
set(KV_MAY_settings base ports support context settings)
set(KV_MAY_catalog base ports support context settings catalog)
set(KV_MAY_import base ports support context settings import)
set(KV_MAY_dialog base ports support context settings catalog import dialog)
set(KV_MAY_addin base ports support context settings addin)

# The layer of a path below src ("support/value.hpp" is base).
function(kv_layer_of path out)
  string(REGEX MATCH "^[a-z]+" folder "${path}")
  if(folder STREQUAL "support")
    get_filename_component(stem "${path}" NAME_WE)
    if(stem IN_LIST KV_SUPPORT_ABOVE_PORTS)
      set(${out} support PARENT_SCOPE)
    else()
      set(${out} base PARENT_SCOPE)
    endif()
  elseif(folder MATCHES "^(ports|context|settings|catalog|import|dialog|addin)$")
    set(${out} ${folder} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

set(faults "")
file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}"
  "${SOURCE_DIR}/support/*" "${SOURCE_DIR}/ports/*" "${SOURCE_DIR}/context/*" "${SOURCE_DIR}/settings/*"
  "${SOURCE_DIR}/catalog/*" "${SOURCE_DIR}/import/*" "${SOURCE_DIR}/dialog/*" "${SOURCE_DIR}/addin/*")
foreach(file IN LISTS files)
  if(NOT file MATCHES "\\.(cpp|hpp|h)$")
    continue()
  endif()
  kv_layer_of("${file}" layer)
  file(STRINGS "${SOURCE_DIR}/${file}" conditionals REGEX "^[ \t]*#[ \t]*(if|elif).*(_WIN32|__linux__|__APPLE__|_MSC_VER|__MINGW)")
  foreach(line IN LISTS conditionals)
    string(STRIP "${line}" line)
    string(APPEND faults "  ${file}: \"${line}\": platforms are told apart in the adapters, not in the core\n")
  endforeach()
  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      # The standard library's headers have neither a dot nor a folder.
      set(header "${CMAKE_MATCH_1}")
      if(header MATCHES "[./]")
        string(APPEND faults "  ${file}: the platform header <${header}> has no place in the core\n")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(included "${CMAKE_MATCH_1}")
      kv_layer_of("${included}" target)
      if(target STREQUAL "")
        string(APPEND faults "  ${file}: \"${included}\" is outside the core\n")
      elseif(NOT target IN_LIST KV_MAY_${layer})
        string(REPLACE ";" ", " allowed "${KV_MAY_${layer}}")
        string(APPEND faults "  ${file} (${layer}) includes \"${included}\" (${target}); ${layer} may include ${allowed}\n")
      endif()
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Layering broken:\n${faults}")
endif()
file(WRITE "${STAMP}" "layers checked\n")
