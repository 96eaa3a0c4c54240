find_package(PkgConfig REQUIRED)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
target_sources(trvplatform PRIVATE
  gdi/font_faces.cpp
  gdi/fonts.cpp
)
target_link_libraries(trvplatform PRIVATE PkgConfig::FREETYPE)
