# The commissioning record: its lines, the hash, appends side by side, a line cut short.
ze_add_test(NAME RecordTest SOURCES RecordTest.cpp LIBS ze_record)
