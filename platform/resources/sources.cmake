target_sources(trvplatform PRIVATE
  resources/directory.cpp
  resources/elf_section.cpp
  resources/find_resource.cpp
  resources/load_string.cpp
  resources/module_resources.cpp
  resources/string_table.cpp
  resources/version_block.cpp
  resources/version_builder.cpp
  resources/version_info.cpp
)
