# --open-all and --view: parsing and what they do to the main window.
ocellus_test(tst_startupactions GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_startupactions.cpp
    LINKS ocellus_startup)
