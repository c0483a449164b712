# The updater: command line, read-back names and comparison, the update sequence, its window and the
# command-line tool's update.
ze_add_test(NAME CommandLineTest SOURCES CommandLineTest.cpp LIBS ze_updater)
ze_add_test(NAME ReadBackNamesTest SOURCES ReadBackNamesTest.cpp LIBS ze_updater)
ze_add_test(NAME CompareFilesTest SOURCES CompareFilesTest.cpp LIBS ze_updater)
ze_add_test(NAME StatusTableTest SOURCES StatusTableTest.cpp LIBS ze_updater)
# The sequences against the converter's boot loader on a scripted line; one run through TComm on the
# simulator's pseudo-terminal.
ze_add_test(NAME UpdateSequenceTest SOURCES UpdateSequenceTest.cpp LIBS ze_updater)
ze_add_test(NAME UpdateSequenceLineTest SOURCES UpdateSequenceLineTest.cpp LIBS ze_updater ze_simulator LABELS e2e)
ze_add_test(NAME UUpdateTest SOURCES UUpdateTest.cpp LIBS ze_updater_ui ze_simulator QT)
ze_add_test(NAME CmdUpdateTest SOURCES CmdUpdateTest.cpp LIBS ze_updater LABELS e2e)
add_dependencies(CmdUpdateTest ze50321 Ser_50321_Update)
ze_add_test(NAME CmdReadTest SOURCES CmdReadTest.cpp LIBS ze_updater LABELS e2e)
add_dependencies(CmdReadTest ze50321)
ze_add_test(NAME CmdRefusalsTest SOURCES CmdRefusalsTest.cpp LIBS ze_updater LABELS e2e)
add_dependencies(CmdRefusalsTest ze50321)
