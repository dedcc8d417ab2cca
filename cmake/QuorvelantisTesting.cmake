# quorvelantis_add_test(NAME n SOURCES s... LABELS l... [ENVIRONMENT e...] [LIBRARIES l...] [LAUNCHER cmd...])
# One Qt Test executable linked against the service library (and LIBRARIES), registered with ctest (run through LAUNCHER if given).
function(quorvelantis_add_test)
    cmake_parse_arguments(ARG "" "NAME;TIMEOUT" "SOURCES;LABELS;ENVIRONMENT;LIBRARIES;LAUNCHER" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    # The service after the libraries: the views' library takes it from whoever links them.
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBRARIES} quorvelantis_service Qt6::Test)
    target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_LAUNCHER} $<TARGET_FILE:${ARG_NAME}>)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${ARG_NAME} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}")
endfunction()
