# Windows: the application manifest and the version resource of a program (packaging/windows/
# program.rc.in), compiled by the resource compiler into the program file.
function(ze_add_program_resources target description)
    if(NOT WIN32)
        return()
    endif()
    set(ZE_PROGRAM_NAME ${target})
    set(ZE_PROGRAM_DESCRIPTION "${description}")
    set(ZE_PROGRAM_MANIFEST ${CMAKE_SOURCE_DIR}/packaging/windows/program.manifest)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-program.rc)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES OBJECT_DEPENDS ${ZE_PROGRAM_MANIFEST})
endfunction()
