find_package(PkgConfig REQUIRED)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
target_sources(trvplatform PRIVATE
  gdi/dc.cpp
  gdi/device_fonts.cpp
  gdi/engine.cpp
  gdi/font_faces.cpp
  gdi/fonts.cpp
  gdi/objects.cpp
)
target_link_libraries(trvplatform PRIVATE PkgConfig::FREETYPE PkgConfig::CAIRO PkgConfig::PIXMAN)
