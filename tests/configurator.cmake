ze_add_test(NAME IniFileTest SOURCES IniFileTest.cpp LIBS ze_configurator)
ze_add_test(NAME UVelmoreFirmWareTest QT SOURCES UVelmoreFirmWareTest.cpp LIBS ze_configurator_ui)
ze_add_test(NAME UBootSerTest QT SOURCES UBootSerTest.cpp LIBS ze_configurator_ui)
ze_add_test(NAME FolderBrowserTest QT SOURCES FolderBrowserTest.cpp LIBS ze_configurator_ui)
