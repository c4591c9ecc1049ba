# Makes the Debian package of the build tree in a scratch folder and checks
# its name, that it installs every file under /usr with the right modes, and
# that it depends on the archivers and on Qt.
# Needs BUILD_DIR, WORK_DIR, APP_ID, WINDOW_LIBRARY, VERSION and CPACK (the
# cpack program).
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(
    COMMAND ${CPACK} -G DEB -B ${WORK_DIR} --config ${BUILD_DIR}/CPackConfig.cmake
    RESULT_VARIABLE result OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed (${result}):\n${log}")
endif()

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${WORK_DIR}/kestrel-archive_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
    file(GLOB made ${WORK_DIR}/*.deb)
    message(FATAL_ERROR "no ${deb}; cpack made: ${made}")
endif()

execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -c failed: ${result}")
endif()
# One entry a line: "-rwxr-xr-x root/root 1234 2026-12-07 10:00 ./usr/bin/kestrel-archive".
string(REPLACE "\n" ";" entries "${listing}")
foreach(entry IN LISTS entries)
    if(entry MATCHES "^([-a-z]+) .* \\./usr/(.*)$")
        set("mode_${CMAKE_MATCH_2}" ${CMAKE_MATCH_1})
    endif()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/installed_files.cmake)
foreach(path IN LISTS installed_files)
    if(NOT DEFINED "mode_${path}")
        message(FATAL_ERROR "the package lacks /usr/${path}:\n${listing}")
    endif()
endforeach()
foreach(path IN LISTS executable_files)
    if(NOT "${mode_${path}}" STREQUAL "-rwxr-xr-x")
        message(FATAL_ERROR "/usr/${path} is ${mode_${path}} in the package, not executable")
    endif()
endforeach()

execute_process(COMMAND dpkg-deb -f ${deb} Depends OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE)
# Whole names in the comma-separated list, a version constraint allowed.
foreach(pattern "7zip" "unar" "libqt6[a-z]+6")
    if(NOT depends MATCHES "(^|, )${pattern}( \\(|,|$)")
        message(FATAL_ERROR "Depends lacks ${pattern}: ${depends}")
    endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
