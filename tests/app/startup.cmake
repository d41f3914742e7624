ocellus_test(tst_startup GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_startup.cpp LINKS ocellus_startup)
