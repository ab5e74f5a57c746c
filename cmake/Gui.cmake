# The Qt viewer: a library of every Qt unit (so GUI tests can link it) and the
# program itself, whose entry point is app/main.cpp.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

set(gui_sources)
foreach(pattern app/*.cpp dialogs/*.cpp colour/gui/*.cpp file_list/gui/*.cpp photo_view/gui/*.cpp
                settings/gui/*.cpp transforms/gui/*.cpp platform/gui/*.cpp)
  file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${pattern}")
  list(APPEND gui_sources ${found})
endforeach()
file(GLOB gui_headers CONFIGURE_DEPENDS
  "${CMAKE_SOURCE_DIR}/app/*.h" "${CMAKE_SOURCE_DIR}/dialogs/*.h"
  "${CMAKE_SOURCE_DIR}/*/gui/*.h")
file(GLOB gui_resources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/resources/*.qrc")
list(REMOVE_ITEM gui_sources "${CMAKE_SOURCE_DIR}/app/main.cpp")

if(gui_sources)
  add_library(pixaldo_gui STATIC ${gui_sources} ${gui_headers} ${gui_resources})
  target_include_directories(pixaldo_gui PUBLIC ${CMAKE_SOURCE_DIR})
  # The screen's colour profile is read from the X server through xcb.
  pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
  target_link_libraries(pixaldo_gui PUBLIC pixaldo_core Qt6::Widgets PkgConfig::XCB)
  if(EXISTS "${CMAKE_SOURCE_DIR}/app/main.cpp")
    add_executable(pixaldo app/main.cpp)
    target_link_libraries(pixaldo PRIVATE pixaldo_gui)
    target_compile_definitions(pixaldo PRIVATE PIXALDO_VERSION="${PROJECT_VERSION}")
  endif()
endif()

# The documentation screenshots (scripts/screenshots); not part of a normal build.
if(TARGET pixaldo_gui AND EXISTS "${CMAKE_SOURCE_DIR}/docs/screenshots.cpp")
  add_executable(screenshots EXCLUDE_FROM_ALL docs/screenshots.cpp)
  target_link_libraries(screenshots PRIVATE pixaldo_gui Qt6::Test)
endif()
