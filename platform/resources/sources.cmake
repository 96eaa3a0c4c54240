# Reading the stored formats (module sections, resource directories, version
# blocks, string bundles) touches no operating-system service; it is a library of
# its own so that tests can feed it damaged bytes directly.
add_library(trvresources_format STATIC
  resources/directory.cpp
  resources/elf_section.cpp
  resources/string_table.cpp
  resources/version_block.cpp
)
target_link_libraries(trvresources_format PUBLIC trv_win32 PRIVATE trv_source_root)
target_link_libraries(trvplatform PRIVATE trvresources_format)

target_sources(trvplatform PRIVATE
  resources/directory_builder.cpp
  resources/find_resource.cpp
  resources/load_string.cpp
  resources/module_resources.cpp
  resources/string_table_builder.cpp
  resources/version_builder.cpp
  resources/version_info.cpp
)
