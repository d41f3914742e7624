# Settings stores, path tests and the screen-saver switch (logic, no widgets).
ocellus_test(tst_settings_registryfile
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_settings_registryfile.cpp
    LINKS ocellus_platform)
ocellus_test(tst_settings_user
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_settings_user.cpp
    LINKS ocellus_platform)
ocellus_test(tst_settings_machine
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_settings_machine.cpp
    LINKS ocellus_platform)
# The local clock's cached offset against the C library's local time.
ocellus_test(tst_clock
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_clock.cpp
    LINKS ocellus_platform)
ocellus_test(tst_pathutils
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_pathutils.cpp
    LINKS ocellus_platform)
# Starts a private session bus of its own (dbus-daemon).
ocellus_test(tst_screensaver
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_screensaver.cpp
    LINKS ocellus_platform Qt6::DBus)
# The C library's memory settings; a process of its own, since they hold for the whole process.
ocellus_test(tst_memoryreuse
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_memoryreuse.cpp
    LINKS ocellus_platform)
