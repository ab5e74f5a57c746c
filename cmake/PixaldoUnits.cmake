# pixaldo_core_unit(TARGET "folder[;folder...]" DEPS libs...)
# Builds a static library from the *.cpp files directly inside the folders.
# A folder without sources yet gives an interface library, so the tree builds
# while units are still being written.
function(pixaldo_core_unit target folders)
  cmake_parse_arguments(U "" "" "DEPS" ${ARGN})
  set(sources)
  foreach(folder IN LISTS folders)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${U_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${U_DEPS})
  endif()
endfunction()

# pixaldo_test_suite(NAME folder LIBS...) : one GoogleTest program from tests/<folder>/*.cpp
function(pixaldo_test_suite name folder)
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE pixaldo_test_support ${ARGN} GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C;QT_QPA_PLATFORM=offscreen")
endfunction()
