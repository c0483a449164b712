ze_add_test(NAME IniFileTest SOURCES IniFileTest.cpp LIBS ze_configurator)
ze_add_test(NAME UVelmoreFirmWareTest QT SOURCES UVelmoreFirmWareTest.cpp LIBS ze_configurator_ui)
