# Installs the build into a scratch prefix and checks that every file a
# desktop needs to find and launch the application is where it looks.
file(REMOVE_RECURSE ${PREFIX})
execute_process(
    COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/installed_files.cmake)
foreach(path IN LISTS installed_files)
    if(NOT EXISTS ${PREFIX}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
foreach(path IN LISTS executable_files)
    execute_process(COMMAND test -x ${PREFIX}/${path} RESULT_VARIABLE not_executable)
    if(not_executable)
        message(FATAL_ERROR "not executable: ${path}")
    endif()
endforeach()

# The installed executable finds its window: without a display, the window's
# own refusal answers, not a failure to load it.
execute_process(COMMAND env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ${PREFIX}/bin/kestrel-archive
    ERROR_VARIABLE refusal OUTPUT_QUIET RESULT_VARIABLE ignored)
if(NOT refusal MATCHES "no display")
    message(FATAL_ERROR "the installed kestrel-archive did not reach its window: ${refusal}")
endif()

file(READ ${PREFIX}/share/applications/${APP_ID}.desktop desktop)
foreach(needle "Exec=kestrel-archive %F" "application/zip" "application/x-7z-compressed" "application/vnd.rar"
        "Icon=${APP_ID}")
    string(FIND "${desktop}" "${needle}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "desktop entry lacks '${needle}'")
    endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
