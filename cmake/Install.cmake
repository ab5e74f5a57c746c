# `cmake --install BUILD [--prefix PREFIX]`: the programs in PREFIX/bin, the
# interface texts in PREFIX/share/pixaldo (where the program looks for them
# when they are not beside it), and the desktop entry and icons where a Linux
# desktop finds them. The folder names are fixed because the program finds
# its Language.ini through them.
install(TARGETS pixaldo-cli RUNTIME DESTINATION bin)
if(TARGET pixaldo)
  install(TARGETS pixaldo RUNTIME DESTINATION bin)
endif()
install(FILES settings/Language.ini DESTINATION share/pixaldo)
install(FILES desktop/pixaldo.desktop DESTINATION share/applications)
install(FILES desktop/pixaldo.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES desktop/icons/pixaldo-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME pixaldo.png)
endforeach()
