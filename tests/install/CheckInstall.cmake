# Installs the build tree BUILD_DIR into a fresh PREFIX and checks that the
# programs, the interface texts, the desktop entry, the icons, the manual
# pages, the bash completion and the AppStream metainfo are where a Linux
# desktop looks for them.
#   cmake -D BUILD_DIR=... -D PREFIX=... -D WITH_GUI=0|1 -D WITH_MAN=0|1 -P CheckInstall.cmake
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
  share/icons/hicolor/256x256/apps/pixaldo.png
  share/bash-completion/completions/pixaldo-cli
  share/metainfo/org.pixaldo.pixaldo.metainfo.xml)
if(WITH_MAN)
  list(APPEND expected share/man/man1/pixaldo.1 share/man/man1/pixaldo-cli.1)
endif()
set(programs bin/pixaldo-cli)
if(WITH_GUI)
  list(APPEND programs bin/pixaldo)
endif()
foreach(file IN LISTS expected programs)
  if(NOT EXISTS "${PREFIX}/${file}" OR IS_DIRECTORY "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# Each program runs and names itself and its version (the viewer without a display).
foreach(program IN LISTS programs)
  execute_process(COMMAND "${PREFIX}/${program}" --version RESULT_VARIABLE result OUTPUT_VARIABLE version)
  get_filename_component(name "${program}" NAME)
  if(NOT result EQUAL 0 OR NOT version MATCHES "^${name} [0-9]+\\.[0-9]+")
    message(FATAL_ERROR "${program} --version gave ${result}: ${version}")
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
# Each validator, when installed, has nothing to say about its file.
function(validate program file clean_output)
  find_program(tool ${program})
  if(NOT tool)
    message(STATUS "${program} not found; ${file} not validated")
    return()
  endif()
  execute_process(COMMAND "${tool}" ${ARGN} "${file}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(STRIP "${output}" output)
  if(NOT result EQUAL 0 OR NOT output MATCHES "^${clean_output}$")
    message(FATAL_ERROR "${program} ${file}:\n${output}")
  endif()
  unset(tool CACHE)
endfunction()
validate(desktop-file-validate "${desktop}" "")
validate(appstreamcli "${PREFIX}/share/metainfo/org.pixaldo.pixaldo.metainfo.xml" ".*Validation was successful\\."
         validate --no-net --pedantic)
# The metainfo names the installed desktop entry.
file(READ "${PREFIX}/share/metainfo/org.pixaldo.pixaldo.metainfo.xml" metainfo)
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">pixaldo.desktop</launchable>")
  message(FATAL_ERROR "the metainfo does not launch pixaldo.desktop")
endif()

# The completion offers the commands of the installed program.
execute_process(COMMAND bash -c "source \"$1\" && COMP_WORDS=(pixaldo-cli ta) COMP_CWORD=1 && _pixaldo_cli && echo \"\${COMPREPLY[*]}\""
                    -- "${PREFIX}/share/bash-completion/completions/pixaldo-cli"
                OUTPUT_VARIABLE offered RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT offered STREQUAL "tags\n")
  message(FATAL_ERROR "the bash completion offers '${offered}' for 'ta'")
endif()
file(REMOVE_RECURSE "${PREFIX}")
