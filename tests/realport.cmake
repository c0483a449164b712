# The kernel's real serial drivers in a QEMU guest (tests/realport/): a few boots, each covering
# several checks. They skip (77) where QEMU, a static busybox or Debian's kernel package is not at
# hand. The guest's kernel is prepared once into build/realport. Run with `ctest -L realport` or
# scripts/test-realport.
add_executable(realport-modem-lines realport/ModemLinesPosix.cpp)
set_target_properties(realport-modem-lines PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests AUTOMOC OFF)
if(ZE_WITH_QT)
    add_executable(realport-updater-window realport/UpdaterWindow.cpp)
    target_link_libraries(realport-updater-window PRIVATE ze_updater_ui)
    set_target_properties(realport-updater-window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endif()

foreach(boot drivers unplug)
    if(boot STREQUAL unplug AND NOT ZE_WITH_QT)
        continue()
    endif()
    add_test(NAME realport.${boot}
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/realport/${boot} --bin ${ZE_PROGRAM_DIR}
                     --tools ${CMAKE_BINARY_DIR}/tests)
    set_tests_properties(realport.${boot} PROPERTIES LABELS realport SKIP_RETURN_CODE 77 TIMEOUT 1800
                         RESOURCE_LOCK realport)
endforeach()
