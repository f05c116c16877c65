# What `cmake --install` puts beside the program: a desktop entry and the program's icon.
install(FILES ${CMAKE_SOURCE_DIR}/resources/vemra.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/vemra.svg
        DESTINATION share/icons/hicolor/scalable/apps)
