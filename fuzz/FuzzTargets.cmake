# The fuzz targets' bodies and checks, built by fuzz/ (libFuzzer) and by
# tests/Fuzz/ (replaying saved inputs), whichever comes first.
if(NOT TARGET kestrel-fuzztargets)
    add_library(kestrel-fuzztargets STATIC
        ${CMAKE_CURRENT_LIST_DIR}/FuzzChecks.cpp ${CMAKE_CURRENT_LIST_DIR}/FuzzChecks.h
        ${CMAKE_CURRENT_LIST_DIR}/FuzzTargets.cpp ${CMAKE_CURRENT_LIST_DIR}/FuzzTargets.h)
    target_include_directories(kestrel-fuzztargets PUBLIC ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(kestrel-fuzztargets PUBLIC kestrel-core)
endif()
