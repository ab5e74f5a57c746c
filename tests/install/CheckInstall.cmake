# Installs the build tree BUILD_DIR into a fresh PREFIX and checks that the
# programs, the interface texts, the desktop entry and the icons are where a
# Linux desktop looks for them.
#   cmake -D BUILD_DIR=... -D PREFIX=... -D WITH_GUI=0|1 -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.22)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(expected
  share/pixaldo/Language.ini
  share/applications/pixaldo.desktop
  share/icons/hicolor/scalable/apps/pixaldo.svg
  share/icons/hicolor/48x48/apps/pixaldo.png
  share/icons/hicolor/256x256/apps/pixaldo.png)
set(programs bin/pixaldo-cli)
if(WITH_GUI)
  list(APPEND programs bin/pixaldo)
endif()
foreach(file IN LISTS expected programs)
  if(NOT EXISTS "${PREFIX}/${file}" OR IS_DIRECTORY "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
foreach(program IN LISTS programs)
  execute_process(COMMAND test -x "${PREFIX}/${program}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "not executable: ${program}")
  endif()
endforeach()

# The entry starts the installed program on a JPEG file and names the
# installed icon.
set(desktop "${PREFIX}/share/applications/pixaldo.desktop")
file(STRINGS "${desktop}" lines)
foreach(line "Exec=pixaldo %f" "Icon=pixaldo" "MimeType=image/jpeg;")
  if(NOT line IN_LIST lines)
    message(FATAL_ERROR "pixaldo.desktop lacks the line ${line}")
  endif()
endforeach()
find_program(validate desktop-file-validate)
if(validate)
  execute_process(COMMAND "${validate}" "${desktop}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${output}")
  endif()
else()
  message(STATUS "desktop-file-validate not found; entry not validated")
endif()
file(REMOVE_RECURSE "${PREFIX}")
