ze_add_test(NAME EndToEndUpdateTest QT SOURCES EndToEndUpdateTest.cpp LIBS ze_configurator_ui ze_simulator LABELS e2e)
