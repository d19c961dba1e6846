# The editor on Windows: a GUI program with its icon, version information and manifest, and
# the zip a user unpacks and runs (cpack -G ZIP): the editor, the Qt and MinGW runtime DLLs it
# needs, the Qt plugins it loads, a README.txt and the licence texts of what it ships.
# Included by the top-level CMakeLists.txt when building for Windows.

# The MinGW runtime DLLs beside the compiler: every C++ program of the build and the Qt DLLs
# need them (Qt was built against the shared runtime).
set(ZRM_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "The compiler does not know where ${dll} is")
    endif()
    file(REAL_PATH ${path} path)
    list(APPEND ZRM_MINGW_RUNTIME_DLLS ${path})
endforeach()

# The icon, drawn from the desktop icon in the sizes Windows shows (needs rsvg-convert from
# librsvg2-bin and icotool from icoutils).
find_program(ZRM_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ZRM_ICOTOOL icotool REQUIRED)
set(ZRM_ICON ${PROJECT_BINARY_DIR}/zrm-editor.ico)
set(svg ${PROJECT_SOURCE_DIR}/desktop/${ZRM_APP_ID}.svg)
set(icon_commands)
set(icon_pngs)
foreach(size 16 24 32 48 256)
    set(png ${PROJECT_BINARY_DIR}/icon/${size}.png)
    list(APPEND icon_commands COMMAND ${ZRM_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg})
    list(APPEND icon_pngs ${png})
endforeach()
# The 256-pixel picture is stored as PNG, as Windows expects for that size.
list(TRANSFORM icon_pngs REPLACE "^(.*/256.png)$" "--raw=\\1")
add_custom_command(OUTPUT ${ZRM_ICON}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icon
                   ${icon_commands}
                   COMMAND ${ZRM_ICOTOOL} -c -o ${ZRM_ICON} ${icon_pngs}
                   DEPENDS ${svg} VERBATIM)

set(ZRM_MANIFEST ${PROJECT_SOURCE_DIR}/desktop/zrm-editor.manifest)
configure_file(${PROJECT_SOURCE_DIR}/desktop/zrm-editor.rc.in ${PROJECT_BINARY_DIR}/zrm-editor.rc
               @ONLY)
target_sources(zrm-editor PRIVATE ${PROJECT_BINARY_DIR}/zrm-editor.rc)
set_source_files_properties(${PROJECT_BINARY_DIR}/zrm-editor.rc PROPERTIES
                            OBJECT_DEPENDS "${ZRM_ICON};${ZRM_MANIFEST}")

# The zip's folder: the editor with its DLLs beside it and Qt's plugins in the folders Qt
# looks for them in, beside the executable.
install(TARGETS zrm-editor RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
              ${ZRM_MINGW_RUNTIME_DLLS}
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
# Stripped of their debugging symbols like the editor when the zip is made (cpack strips): the
# runtime DLLs shrink to a tenth, Qt's by a third.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        file(GLOB_RECURSE dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
        foreach(dll \${dlls})
            execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\"
                            COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")

configure_file(${PROJECT_SOURCE_DIR}/desktop/README-windows.txt
               ${PROJECT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)

# Licence texts that shipping these DLLs requires, from the build machine's Debian packages of
# the same code: Qt's (LGPL-3.0, which adds to GPL-3.0, and the copyright file of the Qt source
# package it was built from, naming the third-party code inside), GCC's runtime (GPL-3.0 with
# the GCC Runtime Library Exception) and MinGW-w64's; where their source is; Qt's recipe.
set(licenses
    /usr/share/common-licenses/LGPL-3 LGPL-3.0.txt
    /usr/share/common-licenses/GPL-3 GPL-3.0.txt
    /usr/share/doc/libqt6core6/copyright Qt-copyright.txt
    /usr/share/doc/gcc-mingw-w64-base/copyright MinGW-runtime-GCC.txt
    /usr/share/doc/mingw-w64-common/copyright MinGW-runtime-mingw-w64.txt
    ${PROJECT_SOURCE_DIR}/desktop/SOURCES-windows.txt SOURCES.txt)
while(licenses)
    list(POP_FRONT licenses from to)
    if(NOT EXISTS ${from})
        message(FATAL_ERROR "${from} is missing: it is shipped as licenses/${to}")
    endif()
    configure_file(${from} ${PROJECT_BINARY_DIR}/licenses/${to} COPYONLY)
    install(FILES ${PROJECT_BINARY_DIR}/licenses/${to} DESTINATION licenses)
endwhile()
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/build-qt-windows.sh DESTINATION licenses
        RENAME build-qt.sh)

# Programs of the build run under wine (tests/CMakeLists.txt): the folders with the DLLs they
# need and Qt's plugins, as wine names them (its drive Z: is the root of the file system).
list(TRANSFORM ZRM_MINGW_RUNTIME_DLLS REPLACE "/[^/]*$" "" OUTPUT_VARIABLE dll_folders)
list(PREPEND dll_folders $<TARGET_FILE_DIR:Qt6::Core>)
list(REMOVE_DUPLICATES dll_folders)
list(TRANSFORM dll_folders PREPEND "Z:")
string(REPLACE ";" "\\;" wine_path "${dll_folders}") # one item of the list below
set(ZRM_WINE_ENVIRONMENT "WINEPATH=${wine_path}"
    "QT_PLUGIN_PATH=Z:$<TARGET_FILE_DIR:Qt6::QOffscreenIntegrationPlugin>/..")
# The same for a program run by hand: env $(cat wine-environment) cmake/wine-run.sh PROGRAM
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/wine-environment
     CONTENT "$<JOIN:${ZRM_WINE_ENVIRONMENT},\n>\n")
