# The package's AppStream metadata, as software centres read it: any error, warning, hint or
# pedantic note of the validator fails the test.
find_program(ZE_APPSTREAMCLI appstreamcli)
if(ZE_APPSTREAMCLI)
    add_test(NAME AppStreamMetadataValidates
             COMMAND ${ZE_APPSTREAMCLI} validate --pedantic --no-net
                     ${CMAKE_BINARY_DIR}/packaging/org.example.ze50321.configurator.metainfo.xml)
    set_tests_properties(AppStreamMetadataValidates PROPERTIES LABELS quick
                         FAIL_REGULAR_EXPRESSION "(^|\n)[EWIP]: ")
else()
    message(STATUS "appstreamcli not found: the AppStream metadata is not validated by the tests")
endif()
