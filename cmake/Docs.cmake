# Manual pages, the bash completion and the AppStream metainfo. The pages and
# the completion of pixaldo-cli are made from the program's own command table
# (its --help and --bash-completion), so they always match the program.
set(PIXALDO_SCREENSHOT_URL "https://pixaldo.org/screenshots/main-window.png"
    CACHE STRING "Where software centres fetch the screenshot (docs/screenshot.png) from")
set(PIXALDO_APPSTREAM_ID org.pixaldo.pixaldo)
configure_file(desktop/pixaldo.metainfo.xml.in
               "${CMAKE_BINARY_DIR}/${PIXALDO_APPSTREAM_ID}.metainfo.xml" @ONLY)

set(run_to_file "${CMAKE_SOURCE_DIR}/cmake/RunToFile.cmake")
set(completion "${CMAKE_BINARY_DIR}/pixaldo-cli.bash")
add_custom_command(OUTPUT "${completion}"
  COMMAND "${CMAKE_COMMAND}" -D "PROGRAM=$<TARGET_FILE:pixaldo-cli>" -D ARGS=--bash-completion
          -D "OUTPUT=${completion}" -P "${run_to_file}"
  DEPENDS pixaldo-cli "${run_to_file}" VERBATIM)
set(doc_outputs "${completion}")

find_program(HELP2MAN help2man)
find_program(SCDOC scdoc)
set(PIXALDO_MAN_PAGES OFF)
if(HELP2MAN AND SCDOC)
  set(PIXALDO_MAN_PAGES ON)
  set(cli_page "${CMAKE_BINARY_DIR}/pixaldo-cli.1")
  add_custom_command(OUTPUT "${cli_page}"
    COMMAND "${HELP2MAN}" --no-info --section 1 --name "inspect and edit JPEG metadata, transform photos losslessly"
            --include "${CMAKE_SOURCE_DIR}/docs/pixaldo-cli.h2m" --output "${cli_page}" "$<TARGET_FILE:pixaldo-cli>"
    DEPENDS pixaldo-cli "${CMAKE_SOURCE_DIR}/docs/pixaldo-cli.h2m" VERBATIM)
  set(viewer_page "${CMAKE_BINARY_DIR}/pixaldo.1")
  add_custom_command(OUTPUT "${viewer_page}"
    COMMAND "${CMAKE_COMMAND}" -D "PROGRAM=${SCDOC}" -D "INPUT=${CMAKE_SOURCE_DIR}/docs/pixaldo.1.scd"
            -D "OUTPUT=${viewer_page}" -P "${run_to_file}"
    DEPENDS "${CMAKE_SOURCE_DIR}/docs/pixaldo.1.scd" "${run_to_file}" VERBATIM)
  list(APPEND doc_outputs "${cli_page}" "${viewer_page}")
  install(FILES "${cli_page}" "${viewer_page}" DESTINATION share/man/man1)
else()
  message(WARNING "help2man or scdoc not found (scripts/setup installs them): no manual pages")
endif()
add_custom_target(pixaldo_docs ALL DEPENDS ${doc_outputs})

install(FILES "${completion}" DESTINATION share/bash-completion/completions RENAME pixaldo-cli)
install(FILES "${CMAKE_BINARY_DIR}/${PIXALDO_APPSTREAM_ID}.metainfo.xml" DESTINATION share/metainfo)
