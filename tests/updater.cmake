# The updater: command line, read-back names and comparison, the update sequence, its window and the
# command-line tool's update.
ze_add_test(NAME CommandLineTest SOURCES CommandLineTest.cpp LIBS ze_updater)
ze_add_test(NAME ReadBackNamesTest SOURCES ReadBackNamesTest.cpp LIBS ze_updater)
ze_add_test(NAME CompareFilesTest SOURCES CompareFilesTest.cpp LIBS ze_updater)
ze_add_test(NAME StatusTableTest SOURCES StatusTableTest.cpp LIBS ze_updater)
