# trv_add_resources(TARGET SCRIPT.rc): gives a module (shared library or program)
# the resources of a resource script. trvrc turns the script into a C++ source that
# holds the module's resource directory in its trv_rsrc section; the platform's
# FindResourceA, LoadStringA and GetFileVersionInfoA read it from the module file.
#
# One script per module: a module's section holds one directory, and a second
# script would be linked in behind the first and never be read.
function(trv_add_resources target script)
  get_target_property(earlier ${target} TRV_RESOURCE_SCRIPT)
  if(earlier)
    message(FATAL_ERROR "${target} already has its resources from ${earlier}; a module takes one resource script")
  endif()
  set_target_properties(${target} PROPERTIES TRV_RESOURCE_SCRIPT ${script})
  get_filename_component(script_path ${script} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(script_name ${script} NAME)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_${script_name}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND trvrc ${script_path} -o ${output}
    DEPENDS trvrc ${script_path}
    COMMENT "Compiling resources ${script_name} for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
