# The tests built for Windows and run under wine: the logic tests that need neither Qt nor a
# pseudo-terminal, and the tests of the Win32 backends.
ze_add_test(NAME CommandLineTest SOURCES CommandLineTest.cpp LIBS ze_updater)
ze_add_test(NAME ReadBackNamesTest SOURCES ReadBackNamesTest.cpp LIBS ze_updater)
ze_add_test(NAME CompareFilesTest SOURCES CompareFilesTest.cpp LIBS ze_updater)
ze_add_test(NAME StatusTableTest SOURCES StatusTableTest.cpp LIBS ze_updater)
ze_add_test(NAME FrameCodecTest SOURCES FrameCodecTest.cpp LIBS ze_updater)
# The worker and the sequences against the converter's boot loader on a scripted line in memory.
ze_add_test(NAME Tarm_SERTest SOURCES Tarm_SERTest.cpp LIBS ze_updater)
ze_add_test(NAME UpdateSequenceTest SOURCES UpdateSequenceTest.cpp LIBS ze_updater)
# The station's table, lines, JSON, outcomes and port watch (its engine needs the pseudo-terminals).
ze_add_test(NAME StationOutputTest SOURCES StationOutputTest.cpp LIBS ze_station)

# The Win32 backends. The serial port's tests talk to the simulator on the COM port that
# scripts/test-windows maps and names in ZE_TEST_COM_PORT; they take turns on it.
ze_add_test(NAME CommPortWin32Test SOURCES win32/CommPortWin32Test.cpp LIBS ze_serial RESOURCE_LOCK com_port)
add_executable(CommandLineEcho win32/CommandLineEcho.cpp)
target_link_libraries(CommandLineEcho PRIVATE ze_updater)
set_target_properties(CommandLineEcho PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
ze_add_test(NAME RunAndWaitWin32Test SOURCES win32/RunAndWaitWin32Test.cpp LIBS ze_configurator)
add_dependencies(RunAndWaitWin32Test CommandLineEcho)
# The road's launcher of a command line exactly as written (an installer's unquoted /D=).
add_executable(RunCommandLine win32/RunCommandLine.cpp)
target_link_libraries(RunCommandLine PRIVATE ze_common)
set_target_properties(RunCommandLine PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
ze_add_test(NAME ProgramPathWin32Test SOURCES win32/ProgramPathWin32Test.cpp LIBS ze_common)
ze_add_test(NAME SafeFileWin32Test SOURCES win32/SafeFileWin32Test.cpp LIBS ze_common)
ze_add_test(NAME CloseSignalsWin32Test SOURCES win32/CloseSignalsWin32Test.cpp LIBS ze_updater)
# The ICMP echo among the echo client's tests: the loopback for real, where raw sockets are allowed.
ze_add_test(NAME Ping1Test SOURCES Ping1Test.cpp LIBS ze_icmp)

# Logic tests whose POSIX-only cases skip on Windows with their reason.
ze_add_test(NAME IniFileTest SOURCES IniFileTest.cpp LIBS ze_configurator)
ze_add_test(NAME IniFileWin32Test SOURCES win32/IniFileWin32Test.cpp LIBS ze_configurator)
ze_add_test(NAME Utf8PathTest SOURCES Utf8PathTest.cpp LIBS ze_configurator)
ze_add_test(NAME ParamFileTest SOURCES ParamFileTest.cpp LIBS ze_configurator)
ze_add_test(NAME ImageBuilderTest SOURCES ImageBuilderTest.cpp LIBS ze_configurator)
ze_add_test(NAME ImageDecoderTest SOURCES ImageDecoderTest.cpp LIBS ze_configurator)
# The record: CNG's SHA-256, LockFileEx under sixteen writers, a line cut short.
ze_add_test(NAME RecordTest SOURCES RecordTest.cpp LIBS ze_record)
# The system's echo service, the ping's fallback where raw sockets are refused.
ze_add_test(NAME IcmpEchoServiceWin32Test SOURCES win32/IcmpEchoServiceWin32Test.cpp LIBS ze_configurator)

# The window tests, where Qt for Windows is at hand. Those that need a pseudo-terminal (the wizard's
# Connect and the updater window against the simulator) are built on Linux only.
if(ZE_WITH_QT)
    ze_add_test(NAME MessageBoxTest QT SOURCES MessageBoxTest.cpp LIBS ze_common_windows)
    ze_add_test(NAME UVelmoreFirmWareTest QT SOURCES UVelmoreFirmWareTest.cpp LIBS ze_configurator_ui)
    ze_add_test(NAME FolderBrowserTest QT SOURCES FolderBrowserTest.cpp LIBS ze_configurator_ui)
    ze_add_test(NAME KeyboardAccessTest QT SOURCES KeyboardAccessTest.cpp LIBS ze_configurator_ui)
    ze_add_test(NAME UpargenTest QT SOURCES UpargenTest.cpp LIBS ze_configurator_ui)
    ze_add_test(NAME UPingTest QT SOURCES UPingTest.cpp LIBS ze_configurator_ui)
    ze_add_test(NAME UVelmoreFirmWareUpdateTest QT SOURCES UVelmoreFirmWareUpdateTest.cpp LIBS ze_configurator_ui)
endif()
