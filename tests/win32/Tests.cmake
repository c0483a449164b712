# The tests built for Windows and run under wine: the logic tests that need neither Qt nor a
# pseudo-terminal, and the tests of the Win32 backends.
ze_add_test(NAME CommandLineTest SOURCES CommandLineTest.cpp LIBS ze_updater)
ze_add_test(NAME ReadBackNamesTest SOURCES ReadBackNamesTest.cpp LIBS ze_updater)
ze_add_test(NAME CompareFilesTest SOURCES CompareFilesTest.cpp LIBS ze_updater)
ze_add_test(NAME StatusTableTest SOURCES StatusTableTest.cpp LIBS ze_updater)
ze_add_test(NAME FrameCodecTest SOURCES FrameCodecTest.cpp LIBS ze_updater)
