# The full-screen view against a fake screen-saver service on a private session bus
# (starts dbus-daemon).
ocellus_test(tst_fullscreen_dbus GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_fullscreen_dbus.cpp ${PROJECT_SOURCE_DIR}/tests/monitor/WindowFixture.h
    LINKS ocellus_monitor_ui Qt6::DBus)
