# kestrel_add_test(NAME SOURCES... [LIBS libs...])
# One Qt Test executable, registered with CTest and run offscreen in a UTF-8 locale.
function(kestrel_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE kestrel_flags Qt6::Test ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8;KESTREL_EVENT_LOG_URL=http://127.0.0.1:9/log.html"
        TIMEOUT 300)
    if(KESTREL_SANITIZE)
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
            "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
    endif()
    if(KESTREL_SANITIZE_THREAD)
        # QProcess forks while the archive queue's threads run.
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
            "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp:die_after_fork=0")
    endif()
endfunction()

# kestrel_add_xvfb_test(TARGET [test functions...])
# The test executable TARGET once more, as TARGET_xvfb, on a private X server
# (xvfb-run), where windows, focus and input go through the window system.
# Nothing is added where xvfb-run is missing. Two `xvfb-run -a` starting at
# once can pick the same display, so these runs take turns; -noreset keeps the
# server from resetting, and refusing connections, whenever its last client
# leaves.
function(kestrel_add_xvfb_test target)
    if(NOT XVFB_RUN_EXECUTABLE)
        return()
    endif()
    add_test(NAME ${target}_xvfb
        COMMAND ${XVFB_RUN_EXECUTABLE} -a -s "-screen 0 1280x800x24 -noreset" $<TARGET_FILE:${target}> ${ARGN})
    set_tests_properties(${target}_xvfb PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=xcb;LANG=C.UTF-8;LC_ALL=C.UTF-8;KESTREL_EVENT_LOG_URL=http://127.0.0.1:9/log.html"
        RESOURCE_LOCK xvfb
        TIMEOUT 300)
endfunction()
